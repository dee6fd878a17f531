#include "tests/support/TestFiles.h"

#include <unistd.h>

#include <atomic>
#include <fstream>

namespace fs = std::filesystem;

CTempDir::CTempDir(const std::string& tag) {
    static std::atomic<int> serial{0};
    m_path = fs::temp_directory_path() /
             (tag + "-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

CTempDir::~CTempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const auto path = fs::temp_directory_path() / (std::to_string(getpid()) + "-" + name);
    Put(path.string(), bytes);
    return path.string();
}
