#pragma once
// The application's recent-file list as the document sees it: a replaceable hook. The window
// keeps the real list; the CLI and the tests keep none.

#include <functional>
#include <string>

using RecentFileHook = std::function<void(const std::string& path)>;

// Installs a hook and returns the previous one; an empty hook keeps no list.
RecentFileHook SetRecentFileHook(RecentFileHook hook);

void AfxAddToRecentFileList(const std::string& path);
