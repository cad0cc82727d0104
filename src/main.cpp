#include <cstdio>
#include <cstring>

#include "machine/startup.h"
#include "machine/version.h"

namespace {

void PrintUsage(FILE* to)
{
    std::fputs("usage: ravlin [FILE]\n"
               "  FILE  a program (.prg), loaded once BASIC is up and RUN,\n"
               "        a snapshot (.fre), restored,\n"
               "        a disk image (.d64), its first program loaded and RUN,\n"
               "        a tape image (.tap), LOADed from the datassette and RUN,\n"
               "        or a cartridge image (.bin, .rom: 16 or 32 KiB), in slot 1 with a reset\n"
               "  --help     this text\n"
               "  --version  the version\n"
               "Settings: $RAVLIN_SETTINGS, else $XDG_CONFIG_HOME/ravlin/settings, else ~/.config/ravlin/settings.\n"
               "ROM images: the current directory, $RAVLIN_ROM_DIR, $XDG_DATA_HOME/ravlin/roms\n"
               "(default ~/.local/share/ravlin/roms).\n",
               to);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* file = nullptr;
    bool optionsEnd = false;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (!optionsEnd && std::strcmp(arg, "--help") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (!optionsEnd && std::strcmp(arg, "--version") == 0) {
            std::printf("ravlin %s\n", RavlinVersion);
            return 0;
        }
        if (!optionsEnd && std::strcmp(arg, "--") == 0) {
            optionsEnd = true;
        } else if ((!optionsEnd && arg[0] == '-' && arg[1] != '\0') || file) {
            PrintUsage(stderr);
            return 2;
        } else {
            file = arg;
        }
    }
    return RavlinMain(1, file);
}
