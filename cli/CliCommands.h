#pragma once
// The subcommands of tesqv-cli. Each returns the exit status: 0 done, 1 the system reported
// a failure (its message is on stderr), 2 the command line was wrong.

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "MessageSink.h"

int RunInfo(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);

// For the lifetime of the object, every message the system shows goes to stderr as one line
// and is counted: any message means the command failed.
class CStderrMessages {
public:
    int m_nShown = 0;

private:
    CScopedMessageSink m_sink{[this](std::string_view text) {
        ++m_nShown;
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }};
};

// The whole text as a decimal int (no sign but '-', nothing after it).
inline bool ParseWholeInt(std::string_view text, int& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// "A<separator>B" as two whole ints.
inline bool ParsePair(std::string_view text, char separator, int& a, int& b) {
    const auto at = text.find(separator);
    return at != std::string_view::npos && ParseWholeInt(text.substr(0, at), a) &&
           ParseWholeInt(text.substr(at + 1), b);
}

// Prints the message and the usage text to stderr; returns 2.
int UsageError(const std::string& message);
