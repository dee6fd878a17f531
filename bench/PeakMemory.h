#pragma once
// The process's resident memory, now and at its peak so far (the kernel's high-water mark),
// in bytes.

#include <fstream>
#include <string>

inline double StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) * 1024.0;
    return 0;
}

inline double PeakResidentBytes() {
    return StatusBytes("VmHWM");
}
inline double ResidentBytes() {
    return StatusBytes("VmRSS");
}
