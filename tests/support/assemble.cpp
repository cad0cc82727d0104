#include "support/assemble.h"

#include <cstdio>
#include <cstdlib>

#include "machine/machine_state.h"

std::vector<uint8_t> AssembleProgram(const ScratchDirectory& scratch, const std::string& source, uint16_t address)
{
    if (std::system("command -v cl65 >/dev/null 2>&1") != 0)
        return {};
    char start[8];
    std::snprintf(start, sizeof start, "0x%04X", address);
    // Built in the scratch directory, where cl65 leaves its object file.
    const std::string command = "cd '" + scratch.path + "' && cp '" + RAVLIN_SOURCE_DIR + "/tests/programs/" +
                                source + "' . && cl65 -t none --start-addr " + start + " -o program.bin '" +
                                source + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    return ReadBinaryFile(scratch.path + "/program.bin");
}

void LoadAt(const std::vector<uint8_t>& bytes, uint16_t address)
{
    for (size_t i = 0; i < bytes.size(); i++)
        Ram64[static_cast<uint16_t>(address + i)] = bytes[i];
}
