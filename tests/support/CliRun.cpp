#include "tests/support/CliRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/support/TestFiles.h"

CliRun Cli(const std::string& args) {
    return CliAfter(":", args);
}

long CliPeakKb(const std::string& args) {
    // GNU time tells the peak of its child alone; any process's peak counts the memory of the
    // one it was forked from, which for the test itself is large.
    const std::string out =
        std::filesystem::temp_directory_path() / ("tesqv-cli-peak-" + std::to_string(getpid()));
    const std::string command = "/usr/bin/time -f %M -o " + out + " " + std::string(TESQV_CLI) +
                                " " + args + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return -1;
    const std::string peak = Slurp(out);
    std::filesystem::remove(out);
    return peak.empty() ? -1 : std::stol(peak);
}

CliRun CliAfter(const std::string& setup, const std::string& args) {
    const std::string errPath =
        std::filesystem::temp_directory_path() / ("tesqv-cli-err-" + std::to_string(getpid()));
    FILE* pipe =
        popen((setup + "; " + std::string(TESQV_CLI) + " " + args + " 2>" + errPath).c_str(), "r");
    CliRun r{};
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
    r.status = WEXITSTATUS(pclose(pipe));
    r.err = Slurp(errPath);
    std::filesystem::remove(errPath);
    return r;
}
