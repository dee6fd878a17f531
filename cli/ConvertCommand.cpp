// tesqv-cli convert: open, select, run commands, save, as the window's File Open, mouse,
// command line and Save As would.

#include <charconv>
#include <cstdio>
#include <string>

#include "CliCommands.h"
#include "Format.h"
#include "tesqDoc.h"

namespace {

// Save As puts ".osc" behind a file name typed without an extension.
std::string WithDefaultExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.find('.') == std::string::npos ? path + ".osc" : path;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    std::vector<std::string> commands;
    bool select = false;
    int selStart = 0, selEnd = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--select" || a == "--command") {
            if (i + 1 == args.size()) return UsageError("convert: " + a + " needs a value");
            const std::string& value = args[++i];
            if (a == "--command") {
                commands.push_back(value);
                continue;
            }
            const auto colon = value.find(':');
            if (colon == std::string::npos ||
                !ParseWholeInt(std::string_view(value).substr(0, colon), selStart) ||
                !ParseWholeInt(std::string_view(value).substr(colon + 1), selEnd) || selStart < 0 ||
                selEnd < selStart)
                return UsageError("convert: --select takes A:B with 0 <= A <= B");
            select = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("convert: unknown option '" + a + "'");
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) return UsageError("convert: needs IN and OUT");

    CtesqDoc doc;
    doc.OnNewDocument();
    CStderrMessages messages;
    if (!doc.OnOpenDocument(paths[0]) || messages.m_nShown > 0) return 1;
    if (select) {
        if (selEnd > doc.m_nSampleCount) {
            std::fprintf(stderr, "%s\n",
                         Format("The selection %d:%d reaches past the trace's %d samples.",
                                selStart, selEnd, doc.m_nSampleCount)
                             .c_str());
            return 1;
        }
        doc.m_nSelStart = selStart;
        doc.m_nSelEnd = selEnd;
    }
    for (const std::string& command : commands)
        if (!doc.ExecuteCommand(command)) return 1;
    if (messages.m_nShown > 0) return 1;
    const std::string out = WithDefaultExtension(paths[1]);
    doc.SetPathName(out);
    return doc.OnSaveDocument(out) && messages.m_nShown == 0 ? 0 : 1;
}
