#pragma once
// Runs tesqv-cli as a user would, for the CLI tests.

#include <string>

#include "tests/support/TestFiles.h"

struct CliRun {
    int status;
    std::string out, err;
};

// args go through the shell, so quoting works as on a command line.
CliRun Cli(const std::string& args);
// The same after shell commands that set the run up (limits, signals): "setup; tesqv-cli args".
CliRun CliAfter(const std::string& setup, const std::string& args);
// The most memory (kB) one run of tesqv-cli with these args held, counted apart from every
// other process the test started.
long CliPeakKb(const std::string& args);
