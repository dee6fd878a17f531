// Opening and saving the document: the format the path names, its reader or its writer.

#include "framework/core/File.h"
#include "framework/core/FileNames.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/SafeFile.h"
#include "trace/Document.h"

bool CtesqDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    ResetTrace();
    return true;
}

bool CtesqDoc::OnOpenDocument(const std::string& path) {
    // A refused open leaves the open trace as it was, its unsaved changes included.
    const bool bWasModified = IsModified();
    if (!CDocument::OnOpenDocument(path) || !ReadTraceFile(path)) {
        SetModifiedFlag(bWasModified);
        return false;
    }
    BuildDisplayCopies();
    AfxAddToRecentFileList(path);
    return true;
}

int CtesqDoc::ReadPasses(const std::string& path) {
    const CTraceFormat* format = TraceFormatOf(path);
    return format != nullptr ? format->readPasses : 1;
}

bool CtesqDoc::ReadTraceFile(const std::string& path,
                             const std::function<void(std::size_t)>& onRead) {
    const CTraceFormat* format = TraceFormatOf(path);
    if (format == nullptr || format->read == nullptr) {
        AfxMessageBox("unknow file type.");
        return false;
    }
    CFile file;
    if (!file.Open(path, CFile::modeRead)) {
        AfxMessageBox("Open File Failure!!!");
        return false;
    }
    file.m_onRead = onRead;
    const bool bRead = ReadAs(format->id, file);
    file.Close();
    return bRead;
}

bool CtesqDoc::ReadAs(TraceFormatId format, CFile& file) {
    CTraceData fresh;
    CFormatState state = FormatState();
    if (!TraceFormat(format).read(file, fresh, state)) return false;
    TakeTrace(std::move(fresh));
    m_nOscFormat = state.nCaptureEncoding;
    return true;
}

void CtesqDoc::WriteAs(TraceFormatId format, CFile& file) const {
    if (const auto write = TraceFormat(format).write) write(file, *this, FormatState());
}

bool CtesqDoc::OnSaveDocument(const std::string& path) {
    const CTraceFormat* format = TraceFormatOf(path);
    if (format == nullptr || format->write == nullptr) {
        AfxMessageBox("unknow file type");
        return false;
    }
    // A format that holds less than a trace may says what it will not keep, first.
    if (format->loss != nullptr)
        if (const std::string loss = format->loss(*this, FormatState());
            !loss.empty() && !AfxAskYesNo(loss))
            return false;
    try {
        CSafeFile file(path);
        format->write(file, *this, FormatState());
        file.Commit();
    } catch (const CFileException& e) {
        e.ReportError();
        return false;
    }
    AfxAddToRecentFileList(path);
    SetModifiedFlag(false);
    return true;
}

void CtesqDoc::OnFileSave() {
    if (!IsModified()) return;
    if (GetPathName().empty())
        OnFileSaveAs();
    else
        SaveModified();
}

void CtesqDoc::OnFileSaveAs() {
    DoSaveAs();
}

bool CtesqDoc::DoSaveAs() {
    const std::string defaultExt(DefaultSaveExtension());
    const auto chosen = AfxPromptSaveAs(SaveFilter(), defaultExt);
    if (!chosen) return false;
    SetPathName(*chosen);
    if (!ExtensionOf(*chosen)) SetPathName(*chosen + "." + defaultExt);
    return OnSaveDocument(GetPathName());
}
