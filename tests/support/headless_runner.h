// Running the ravlin-headless program from a test, in the current directory.
#pragma once
#include <string>

struct RunnerResult {
    int exitCode = -1;     // 124 when the time limit ended it
    std::string out;       // standard output
    std::string err;       // standard error
};

// Runs build/ravlin-headless with the given (already shell-quoted)
// arguments, stopping it after timeLimitSeconds.
RunnerResult RunHeadless(const std::string& arguments, int timeLimitSeconds = 120);

// Single-quotes text for the shell.
std::string ShellQuote(const std::string& text);

// The line that follows the first line equal to `line` in text.
std::string LineAfter(const std::string& text, const std::string& line);
