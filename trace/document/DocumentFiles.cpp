// Opening and saving the document: the format the path names, its reader or its writer.

#include <sys/stat.h>

#include <algorithm>

#include "framework/core/File.h"
#include "framework/core/FileNames.h"
#include "framework/core/LongWork.h"
#include "framework/core/MessageSink.h"
#include "framework/core/Prompts.h"
#include "framework/core/RecentFiles.h"
#include "framework/core/SafeFile.h"
#include "trace/display/DisplayColumns.h"
#include "trace/document/Document.h"
#include "trace/formats/capture/CaptureSource.h"

bool CtesqDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    ResetTrace();
    return true;
}

bool CtesqDoc::OnOpenDocument(const std::string& path) {
    // A refused open leaves the open trace as it was, its unsaved changes included.
    const bool bWasModified = IsModified();
    if (!CDocument::OnOpenDocument(path) || !ChooseCurvesFor(path) || !ReadTraceFile(path)) {
        SetModifiedFlag(bWasModified);
        return false;
    }
    if (m_bDisplayOnOpen) BuildDisplayCopies();
    AfxAddToRecentFileList(path);
    return true;
}

bool CtesqDoc::ChooseCurvesFor(const std::string& path) {
    const CTraceFormat* format = TraceFormatOf(path);
    if (format == nullptr || format->columns == nullptr || !m_curvesToRead.empty()) return true;
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return true;  // the read says what is wrong
    std::vector<std::string> columns;
    try {
        columns = format->columns(file);
    } catch (const CFileException&) {
        return true;  // likewise
    }
    if (columns.size() <= static_cast<std::size_t>(MAX_CURVES)) return true;
    const auto chosen = AfxChooseColumns(path, columns);
    if (!chosen) return false;
    m_curvesToRead = *chosen;
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
    const DiskStamp stamp = StampOf(path);
    const bool bRead = ReadAs(format->id, file);
    file.Close();
    if (bRead) m_diskStamp = stamp;
    return bRead;
}

namespace {

// The curves `wanted` names (a curve's name or its 0-based number), in that order, for the
// formats that read all their curves anyway. False, after a message, for a curve the trace
// does not have.
bool KeepCurves(CTraceData& trace, const std::vector<std::string>& wanted) {
    CTraceData kept;
    for (const std::string& want : wanted) {
        int found = -1;
        for (int i = 0; i < trace.m_nCurveCount && found < 0; ++i)
            if (trace.m_strCurveName[i] == want || std::to_string(i) == want) found = i;
        if (found < 0) {
            AfxMessageBox("The trace has no curve \"" + want + "\".");
            return false;
        }
        if (kept.m_nCurveCount == CTraceData::MAX_CURVES) break;
        const int k = kept.m_nCurveCount++;
        kept.m_pSamples[k] = std::move(trace.m_pSamples[found]);
        kept.m_strCurveName[k] = trace.m_strCurveName[found];
        kept.m_strCurveUnit[k] = trace.m_strCurveUnit[found];
        kept.m_fCurveBottom[k] = trace.m_fCurveBottom[found];
        kept.m_fCurveTop[k] = trace.m_fCurveTop[found];
    }
    kept.m_nSampleCount = trace.m_nSampleCount;
    kept.m_dblStep = trace.m_dblStep;
    kept.m_dblOrigin = trace.m_dblOrigin;
    kept.m_strStepSource = trace.m_strStepSource;
    kept.m_strStepUnit = trace.m_strStepUnit;
    kept.m_strHeaderText = trace.m_strHeaderText;
    trace = std::move(kept);
    return true;
}

}  // namespace

bool CtesqDoc::ReadAs(TraceFormatId format, CFile& file) {
    CTraceData fresh;
    CFormatState state = FormatState();
    const CTraceFormat& reader = TraceFormat(format);
    CNoticeRecord notices;
    if (!reader.read(file, fresh, state)) return false;
    if (reader.columns == nullptr && !state.curves.empty() && !KeepCurves(fresh, state.curves))
        return false;
    fresh.m_readNotices = notices.m_notices;
    TakeTrace(std::move(fresh));
    m_nOscFormat = state.nCaptureEncoding;
    return true;
}

void CtesqDoc::WriteAs(TraceFormatId format, CFile& file) const {
    if (const auto write = TraceFormat(format).write) write(file, m_trace, FormatState());
}

bool CtesqDoc::OnSaveDocument(const std::string& path) {
    const CTraceFormat* format = TraceFormatOf(path);
    if (format == nullptr || format->write == nullptr) {
        AfxMessageBox("unknow file type");
        return false;
    }
    // A capture whose file was written since it was opened holds gaps where it was not read:
    // nothing of it is saved, and nobody is asked first.
    if (const std::string changed = ChangedCaptureName(m_trace); !changed.empty()) {
        AfxMessageBox(changed + " changed on disk since it was opened; nothing was saved. " +
                      "Reload it first.");
        return false;
    }
    // Another program changed the file since it was read or saved here: writing over it would
    // lose what it wrote, so ask first.
    if (path == GetPathName() && m_diskStamp.known && m_diskStamp.path == path &&
        StampOf(path) != m_diskStamp &&
        !AfxAskYesNo(GetTitle() + " changed on disk since it was opened. Overwrite it?"))
        return false;
    // A format that holds less than a trace may says what it will not keep, first. Finding
    // that out may read every sample: in the window, on a worker.
    if (format->loss != nullptr) {
        std::string loss;
        CFormatState state = FormatState();
        const bool checked = AfxRunLongWork("Checking " + GetTitle(),
                                            static_cast<std::uint64_t>(m_trace.m_nSampleCount),
                                            true, [&](const LongWorkStep& step) {
                                                state.progress = step;
                                                loss = format->loss(m_trace, state);
                                            });
        if (!checked || (!loss.empty() && !AfxAskYesNo(loss + std::string(kSaveAnyway))))
            return false;
    }
    // Looked at before the save replaces or rewrites the file. A capture saved as a capture
    // reads the saved file from then on, wherever it went (the title's file); another format
    // over the capture's own file leaves nothing to read it from.
    const std::vector<const CCaptureSource*> reading = format->id == TraceFormatId::capture
                                                           ? CapturesReading(m_trace)
                                                           : CapturesReading(m_trace, path);
    // The writing itself may take long: in the window it runs on a worker, and a cancel
    // leaves the old file as it was.
    bool written = false;
    const std::uint64_t estimate =
        static_cast<std::uint64_t>(std::max(m_trace.m_nSampleCount, 1)) *
        (format->id == TraceFormatId::capture
             ? 1
             : 8 * static_cast<std::uint64_t>(m_trace.m_nCurveCount + 1));
    const bool finished =
        AfxRunLongWork("Saving " + GetTitle(), estimate, true, [&](const LongWorkStep& step) {
            try {
                CSafeFile file(path);
                file.m_onWrite = [&step](std::size_t n) { step(n); };
                format->write(file, m_trace, FormatState());
                // A capture's samples come from its file as they are written: one that changed
                // meanwhile would give gaps for what was not read before.
                if (const std::string changed = ChangedCaptureName(m_trace); !changed.empty()) {
                    AfxMessageBox(changed +
                                  " changed on disk while it was saved; nothing was saved.");
                    return;
                }
                file.Commit();
                written = true;
            } catch (const CFileException& e) {
                e.ReportError();
            }
        });
    if (!finished || !written) return false;
    // On the worker too: the file replaced may be gone but for this trace, and closing it
    // gives its blocks back to the disk, which takes a while for a large one.
    bool reread = false;
    AfxRunLongWork("Reading " + GetTitle() + " as saved", 1, false,
                   [&](const LongWorkStep&) { reread = ReadSavedFile(reading, path); });
    if (reread) ForgetSavedChanges(reading);
    AfxAddToRecentFileList(path);
    SetModifiedFlag(false);
    m_diskStamp = StampOf(path);
    return true;
}

void CtesqDoc::ForgetSavedChanges(const std::vector<const CCaptureSource*>& reading) {
    // The saved file holds the changes as it stores samples: shown from it from now on, as a
    // reload would show them. The display columns over it are built on a worker first, from
    // the file alone, while the window still shows what was saved.
    std::vector<int> changed;
    for (int c = 0; c < MAX_CURVES; ++c) {
        const CCurveSamples& samples = m_trace.m_pSamples[c];
        if (samples.Changed() &&
            std::find(reading.begin(), reading.end(), samples.Source()) != reading.end())
            changed.push_back(c);
    }
    if (changed.empty()) return;
    const std::int64_t count = m_trace.m_nSampleCount;
    CCurveSamples saved[MAX_CURVES];
    CDisplayColumns built[MAX_CURVES];
    AfxRunLongWork(
        "Reading " + GetTitle() + " as saved", static_cast<std::uint64_t>(count) * changed.size(),
        false, [&](const LongWorkStep& step) {
            for (const int c : changed) {
                if (!m_view.m_pDisplay[c].IsOver(m_trace.m_pSamples[c], count)) continue;
                saved[c] = CCurveSamples(m_trace.m_pSamples[c].SharedSource());
                built[c].Build(saved[c], count,
                               [&step](std::int64_t n) { step(static_cast<std::uint64_t>(n)); });
            }
        });
    StopSampleReaders();
    for (const int c : changed) {
        const auto [first, end] = m_trace.m_pSamples[c].ForgetChanges();
        if (built[c]) {
            std::swap(m_view.m_pDisplay[c], built[c]);  // the old ones freed below
            m_view.m_pDisplay[c].Attach(m_trace.m_pSamples[c]);
        } else {
            m_view.m_pDisplay[c].reset();  // built below, here
        }
        if (m_view.m_stats[c].IsOver(m_trace.m_pSamples[c], count))
            m_view.m_stats[c].Rebuild(m_trace.m_pSamples[c], first, end);
    }
    // Giving a gigabyte back to the system takes a moment too.
    AfxRunLongWork("Reading " + GetTitle() + " as saved", 1, false, [&built](const LongWorkStep&) {
        for (CDisplayColumns& columns : built) columns.reset();
    });
    NoteDataChanged();
    BuildDisplayCopies();
}

bool CtesqDoc::FileUnchangedOnDisk() const {
    return m_diskStamp.known && m_diskStamp.path == GetPathName() &&
           StampOf(GetPathName()) == m_diskStamp && !SamplesChangedOnDisk(m_trace);
}

CtesqDoc::DiskStamp CtesqDoc::StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {true, path, static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
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
    // The trace's own format first, so that a bare name keeps it.
    const TraceFormatId first = SaveFormatFor(GetPathName());
    const std::string defaultExt(DefaultSaveExtension(first));
    const auto chosen = AfxPromptSaveAs(SaveFilter(first), defaultExt);
    if (!chosen) return false;
    SetPathName(*chosen);
    if (!ExtensionOf(*chosen)) SetPathName(*chosen + "." + defaultExt);
    return OnSaveDocument(GetPathName());
}
