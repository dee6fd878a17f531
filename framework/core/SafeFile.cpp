#include "framework/core/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// Follows symbolic links to the file that is to be replaced; a dangling link resolves to
// where it points.
std::string ResolveTarget(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf - 1);
        if (n < 0) break;
        std::string link(buf, static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            const auto slash = target.rfind('/');
            link =
                (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
        }
        target = link;
    }
    return target;
}

}  // namespace

CSafeFile::CSafeFile(const std::string& path) : m_strTarget(ResolveTarget(path)) {
    m_strFileName = path;
    std::string pattern = m_strTarget + ".XXXXXX";
    m_hFile = ::mkstemp(pattern.data());
    if (m_hFile < 0) ThrowOsError(errno);
    m_strTemp = pattern;
}

CSafeFile::~CSafeFile() {
    if (!m_strTemp.empty()) ::unlink(m_strTemp.c_str());
}

void CSafeFile::Commit() {
    struct stat st {};
    mode_t mode;
    if (::stat(m_strTarget.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(m_hFile, mode) != 0 || ::fsync(m_hFile) != 0) ThrowOsError(errno);
    Close();
    if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) ThrowOsError(errno);
    m_strTemp.clear();
}
