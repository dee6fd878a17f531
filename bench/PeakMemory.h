#pragma once
// The process's peak resident memory so far (the kernel's high-water mark), in bytes.

#include <fstream>
#include <string>

inline double PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) * 1024.0;
    return 0;
}
