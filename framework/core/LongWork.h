#pragma once
// Work that can take long on a long trace (a save, an edit of every sample, the text of a
// large selection, a search), as a replaceable hook like the message sink: without one it
// runs here and now (the CLI, tests); the window runs it on a worker with a progress bar and
// Cancel while its own thread goes on. The work tells how far it is with step(n), n more of
// `total` done; where it may be cancelled, step throws CReadCancelled once the user has said
// so.

#include <cstdint>
#include <functional>
#include <string>

using LongWorkStep = std::function<void(std::uint64_t more)>;
using LongWork = std::function<void(const LongWorkStep& step)>;
// Runs the work; false when it was cancelled. Messages it shows are shown once it is over.
using LongWorkRunner = std::function<bool(const std::string& what, std::uint64_t total,
                                          bool cancellable, const LongWork& work)>;

LongWorkRunner SetLongWorkRunner(LongWorkRunner runner);
bool AfxRunLongWork(const std::string& what, std::uint64_t total, bool cancellable,
                    const LongWork& work);
