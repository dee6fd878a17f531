#pragma once
// Each test process gets a home of its own: a fresh folder holding HOME, the XDG folders and
// TMPDIR, removed when the process ends. Tests run as separate processes at the same time,
// and settings or files one of them writes must never reach another.

#include <string>

class CPrivateHome {
public:
    CPrivateHome();
    ~CPrivateHome();
    CPrivateHome(const CPrivateHome&) = delete;
    CPrivateHome& operator=(const CPrivateHome&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
