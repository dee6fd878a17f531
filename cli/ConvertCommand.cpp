// tesqv-cli convert: open, select, run commands, save, as the window's File Open, mouse,
// command line and Save As would.

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "framework/core/FileNames.h"
#include "framework/core/Prompts.h"
#include "framework/core/SafeFile.h"
#include "trace/document/Document.h"
#include "trace/formats/FormatRegistry.h"

namespace {

// Whether OUT is IN under another name (a hard link, a symbolic link, another path): a save
// over it would read the samples from the file it is writing.
bool SameFile(const std::string& in, const std::string& out) {
    struct stat a {
    }, b{};
    return ::stat(in.c_str(), &a) == 0 && ::stat(out.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// The bare numeric columns, through the same safe replacement as a save.
int WriteColumns(CtesqDoc& doc, const std::string& in, const std::string& path,
                 const CStderrMessages& messages) {
    try {
        CSafeFile file(path);
        text_format::WriteColumns(file, doc.Trace());
        if (ChangedWhileRead(doc, in, "nothing was written")) return 1;
        file.Commit();
    } catch (const CFileException& e) {
        e.ReportError();
        return 1;
    }
    return messages.m_nShown == 0 ? 0 : 1;
}

}  // namespace

int RunConvert(const ConvertOptions& options) {
    // An OUT without an extension becomes a capture, as in Save As.
    const bool named = !options.columns && ExtensionOf(options.out).has_value();
    if (!KnownTraceFile(options.in, false) || (named && !KnownTraceFile(options.out, true)))
        return 1;
    if (SameFile(options.in, options.out)) {
        std::fprintf(stderr, "tesqv-cli: OUT is the same file as IN (%s); nothing was written.\n",
                     options.in.c_str());
        return 1;
    }
    CtesqDoc doc;
    doc.OnNewDocument();
    CStderrMessages messages;
    doc.m_curvesToRead = options.curves;
    if (!OpenTrace(doc, options.in, messages)) return 1;
    if (options.select) {
        if (!SelectionFits(options.selStart, options.selEnd, doc.Trace().m_nSampleCount)) return 1;
        doc.Select(options.selStart, options.selEnd);
    }
    for (const std::string& command : options.commands) {
        messages.m_context = "\"" + command + "\"";
        if (!doc.ExecuteCommand(command)) return 1;
    }
    messages.m_context.clear();
    if (messages.m_nShown > 0) return 1;
    if (options.columns) return WriteColumns(doc, options.in, options.out, messages);
    // Save As itself, with OUT as the name typed into its dialog; a bare OUT is a capture,
    // whatever IN was. What a format cannot keep is said on stderr as a warning, and the save
    // goes on: nobody is asked.
    const std::string out =
        named ? options.out
              : options.out + "." + std::string(DefaultSaveExtension(TraceFormatId::capture));
    const SaveAsPrompt previous =
        SetSaveAsPrompt([&out](const std::string&, const std::string&, const std::string&) {
            return std::optional<std::string>(out);
        });
    const YesNoQuestion previousQuestion = SetYesNoQuestion([&options](std::string text) {
        if (text.ends_with(kSaveAnyway)) text.resize(text.size() - kSaveAnyway.size());
        std::fprintf(stderr, "tesqv-cli: %s: %s\n", options.out.c_str(), text.c_str());
        return true;
    });
    const bool saved = doc.DoSaveAs();
    SetSaveAsPrompt(previous);
    SetYesNoQuestion(previousQuestion);
    return saved && messages.m_nShown == 0 ? 0 : 1;
}
