// Opening and saving: the reader or writer by the file's extension.

#include <algorithm>
#include <string_view>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/SafeFile.h"
#include "trace/tesqDoc.h"

namespace {

// The text after the last '.' of the whole path; without a '.', the whole path.
std::string_view Extension(std::string_view path) {
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos ? path : path.substr(dot + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
               };
               return lower(x) == lower(y);
           });
}

}  // namespace

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
    return Extension(path) == "osc" ? 1 : 2;
}

bool CtesqDoc::ReadTraceFile(const std::string& path,
                             const std::function<void(std::size_t)>& onRead) {
    const std::string_view ext = Extension(path);
    const bool bCsv = EqualsIgnoringCase(ext, "csv") || EqualsIgnoringCase(ext, "tsv");
    if (ext != "txt" && ext != "osc" && !bCsv) {
        AfxMessageBox("unknow file type.");
        return false;
    }
    CFile file;
    if (!file.Open(path, CFile::modeRead)) {
        AfxMessageBox("Open File Failure!!!");
        return false;
    }
    file.m_onRead = onRead;
    const bool bRead = bCsv           ? ReadCsvTrace(file)
                       : ext == "txt" ? ReadTextTrace(file)
                                      : ReadOscTrace(file);
    file.Close();
    return bRead;
}

void CtesqDoc::AdoptTrace(CtesqDoc& from) {
    TakeTrace(std::move(static_cast<CTraceData&>(from)));
    m_nOscFormat = from.m_nOscFormat;
    // Display copies the reading thread built come along with the samples they were built
    // over; only the decimation is left to set here.
    for (int i = 0; i < MAX_CURVES; ++i) m_pDisplay[i] = std::move(from.m_pDisplay[i]);
    BuildDisplayCopies();
}

bool CtesqDoc::OnSaveDocument(const std::string& path) {
    const std::string_view ext = Extension(path);
    const bool bOsc = EqualsIgnoringCase(ext, "osc");
    const bool bCsv = EqualsIgnoringCase(ext, "csv");
    if (!bOsc && !bCsv && !EqualsIgnoringCase(ext, "txt")) {
        AfxMessageBox("unknow file type");
        return false;
    }
    if (bOsc) {
        // The capture format holds less than a trace may: say what will be lost, first.
        if (const std::string loss = CaptureLoss(); !loss.empty() && !AfxAskYesNo(loss))
            return false;
    }
    try {
        CSafeFile file(path);
        if (bOsc)
            WriteOscTrace(file);
        else if (bCsv)
            WriteCsvTrace(file);
        else
            WriteTextTrace(file);
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
    const auto chosen = AfxPromptSaveAs(
        "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv||", "osc");
    if (!chosen) return false;
    SetPathName(*chosen);
    const auto slash = chosen->rfind('/');
    if (chosen->find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
        SetPathName(*chosen + ".osc");
    return OnSaveDocument(GetPathName());
}
