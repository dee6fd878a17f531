// tesqv-cli convert: open, select, run commands, save, as the window's File Open, mouse,
// command line and Save As would.

#include <cstdio>
#include <string>

#include "CliCommands.h"
#include "Format.h"
#include "Prompts.h"
#include "tesqDoc.h"

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
            if (!ParsePair(value, ':', selStart, selEnd) || selStart < 0 || selEnd < selStart)
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
    // Save As itself, with OUT as the name typed into its dialog.
    const SaveAsPrompt previous = SetSaveAsPrompt([&paths](const std::string&, const std::string&) {
        return std::optional<std::string>(paths[1]);
    });
    const bool saved = doc.DoSaveAs();
    SetSaveAsPrompt(previous);
    return saved && messages.m_nShown == 0 ? 0 : 1;
}
