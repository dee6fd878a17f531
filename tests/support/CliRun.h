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
