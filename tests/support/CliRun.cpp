#include "tests/support/CliRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "tests/support/TestFiles.h"

CliRun Cli(const std::string& args) {
    return CliAfter(":", args);
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
