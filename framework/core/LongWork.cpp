#include "framework/core/LongWork.h"

#include <utility>

namespace {

LongWorkRunner& Current() {
    static LongWorkRunner runner;
    return runner;
}

}  // namespace

LongWorkRunner SetLongWorkRunner(LongWorkRunner runner) {
    return std::exchange(Current(), std::move(runner));
}

bool AfxRunLongWork(const std::string& what, std::uint64_t total, bool cancellable,
                    const LongWork& work) {
    if (Current()) return Current()(what, total, cancellable, work);
    work([](std::uint64_t) {});
    return true;
}
