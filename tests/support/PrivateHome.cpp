#include "tests/support/PrivateHome.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

CPrivateHome::CPrivateHome() {
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    std::string pattern = (ec ? std::filesystem::path("/tmp") : base) / "tesqv-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("tesqv tests: no private home folder");
        std::exit(2);
    }
    m_path = pattern;
    const std::string dirs[][2] = {{"HOME", ""},
                                   {"XDG_CONFIG_HOME", "/config"},
                                   {"XDG_DATA_HOME", "/data"},
                                   {"XDG_CACHE_HOME", "/cache"},
                                   {"XDG_STATE_HOME", "/state"},
                                   {"TMPDIR", "/tmp"}};
    for (const auto& [name, sub] : dirs) {
        const std::string dir = m_path + sub;
        std::filesystem::create_directories(dir, ec);
        setenv(name.c_str(), dir.c_str(), 1);
    }
    // Tests that drop to another user still reach their temporary files, as under /tmp.
    namespace fs = std::filesystem;
    fs::permissions(m_path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                    ec);
    fs::permissions(m_path + "/tmp", fs::perms::all | fs::perms::sticky_bit, ec);
    fs::permissions(m_path + "/runtime", fs::perms::owner_all, ec);
}

CPrivateHome::~CPrivateHome() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
