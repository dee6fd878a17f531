#pragma once
// The subcommands of tesqv-cli. Each returns the exit status: 0 done, 1 the system reported
// a failure (its message is on stderr), 2 the command line was wrong.

#include <string>
#include <vector>

#include "MessageSink.h"

int RunInfo(const std::vector<std::string>& args);

// Prints the message and the usage text to stderr; returns 2.
int UsageError(const std::string& message);
