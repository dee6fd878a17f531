#pragma once
// What every fuzz target needs: a failed check the fuzzer notices, and no message boxes.

#include <cstdlib>

#include "framework/core/MessageSink.h"

inline void Check(bool ok) {
    if (!ok) std::abort();
}

// The readers' messages go nowhere, for the whole run.
inline void SilenceMessages() {
    static const MessageSink quiet = SetMessageSink([](std::string_view) {});
    (void)quiet;
}
