// Runs the ravlin-headless program in the current (scratch) directory and
// collects its exit code and output.
#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

struct HeadlessRun {
    int exitCode = -1;
    std::string out, err;
};

inline HeadlessRun RunHeadless(const ScratchDirectory& dir, const std::string& arguments)
{
    const std::string command = std::string("'") + RAVLIN_BINARY_DIR + "/ravlin-headless' " + arguments +
                                " > '" + dir.path + "/stdout.txt' 2> '" + dir.path + "/stderr.txt'";
    const int status = std::system(command.c_str());
    HeadlessRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = dir.ReadText("stdout.txt");
    run.err = dir.ReadText("stderr.txt");
    return run;
}
