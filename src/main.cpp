#include "machine/startup.h"

int main()
{
    return RavlinMain(1);
}
