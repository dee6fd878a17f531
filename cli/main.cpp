// tesqv-cli: the headless companion of the viewer, over the same document core.

#include <cstdio>
#include <string>
#include <vector>

#include "CliCommands.h"

namespace {

constexpr const char* kUsage =
    "usage: tesqv-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info FILE [--samples]   print the trace in FILE as one JSON object\n"
    "  convert IN OUT [--select A:B] [--command TEXT]...\n"
    "                          open IN, select samples A up to B, run each command\n"
    "                          (kxb CURVE K B, goto N) in order, save as OUT (.osc or\n"
    "                          .txt by extension; none gives .osc); OUT is left as it\n"
    "                          was when any step fails\n"
    "  render IN OUT.png [--size WxH] [--zoom-out N] [--goto N] [--scroll COL]\n"
    "         [--select A:B] [--hide I]... [--command TEXT]... [--typed TEXT]\n"
    "                          open IN, lay the view out on a WxH client area\n"
    "                          (default 1280x720), zoom out N times, apply the other\n"
    "                          options in order, paint it into OUT.png; no display\n"
    "                          needed\n"
    "\n"
    "options:\n"
    "  --help                  show this text\n"
    "  --version               show the version\n"
    "\n"
    "Messages go to stderr. Exit status: 0 done, 1 failure reported, 2 usage error.\n";

}  // namespace

int UsageError(const std::string& message) {
    std::fprintf(stderr, "tesqv-cli: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("missing COMMAND");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("tesqv-cli %s\n", TESQV_VERSION);
        return 0;
    }
    if (command == "info") return RunInfo(args);
    if (command == "convert") return RunConvert(args);
    if (command == "render") return RunRender(args);
    return UsageError("unknown command '" + command + "'");
}
