#include "support/headless_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

RunnerResult RunHeadless(const std::string& arguments, int timeLimitSeconds)
{
    std::string command = "timeout " + std::to_string(timeLimitSeconds) + " " +
                          ShellQuote(std::string(RAVLIN_BINARY_DIR) + "/ravlin-headless") + " " + arguments +
                          " > runner.out 2> runner.err";
    RunnerResult result;
    int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadAll("runner.out");
    result.err = ReadAll("runner.err");
    return result;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string LineAfter(const std::string& text, const std::string& line)
{
    std::istringstream lines(text);
    std::string current;
    while (std::getline(lines, current)) {
        if (current == line) {
            std::string next;
            std::getline(lines, next);
            return next;
        }
    }
    return "<no line \"" + line + "\">";
}
