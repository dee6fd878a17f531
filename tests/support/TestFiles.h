#pragma once
// Files for the tests: a private temporary folder, whole-file reads and writes.

#include <filesystem>
#include <string>

// A fresh folder under the temporary directory, removed with everything in it on scope exit.
class CTempDir {
public:
    explicit CTempDir(const std::string& tag = "tesqv");
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string Slurp(const std::string& path);
void Put(const std::string& path, const std::string& bytes);

// Writes bytes to a fresh file in the temporary folder; returns its path.
std::string WriteTemp(const std::string& name, const std::string& bytes);
