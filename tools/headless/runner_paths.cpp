// Every file name the runner is given, on its command line or in a script,
// names a file in the directory the runner started in, also after the load
// menu has moved the process elsewhere.
#include <filesystem>
#include <system_error>

#include "runner.h"

std::string StartDirectoryPath(std::string_view name)
{
    // The plan is made before the machine starts, while the process is
    // still in the directory it started in.
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::absolute(std::filesystem::path(name), ec);
    return ec ? std::string(name) : resolved.string();
}
