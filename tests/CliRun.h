#pragma once
// Runs tesqv-cli as a user would, for the CLI tests.

#include <string>

struct CliRun {
    int status;
    std::string out, err;
};

// args go through the shell, so quoting works as on a command line.
CliRun Cli(const std::string& args);

std::string Slurp(const std::string& path);

// Writes bytes to a fresh file in the temporary folder; returns its path.
std::string WriteTemp(const std::string& name, const std::string& bytes);
