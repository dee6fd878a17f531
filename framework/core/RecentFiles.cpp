#include "framework/core/RecentFiles.h"

namespace {

RecentFileHook& CurrentHook() {
    static RecentFileHook hook;
    return hook;
}

}  // namespace

RecentFileHook SetRecentFileHook(RecentFileHook hook) {
    RecentFileHook previous = std::move(CurrentHook());
    CurrentHook() = std::move(hook);
    return previous;
}

void AfxAddToRecentFileList(const std::string& path) {
    if (CurrentHook()) CurrentHook()(path);
}
