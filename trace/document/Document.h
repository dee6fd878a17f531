#pragma once
// CtesqDoc: the one trace the application shows: the framework's document (path, title,
// modified flag, views) holding the trace (CTraceData) and what the views share about it
// (CTraceViewState). Both are read through accessors and changed only by the document's
// named steps. Qt-free.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/CmdUI.h"
#include "framework/core/Document.h"
#include "trace/document/ViewState.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/model/TraceData.h"

class CCaptureSource;
class CFile;

// Update hints the document sends its views.
enum : long {
    HINT_RESET = 0,           // reset the scroll sizes and go to column 0
    HINT_SHOW_SELECTION = 1,  // reset the scroll sizes and centre the selection
    HINT_GOTO = 1000,         // go to the sample whose int the hint object points to
};

class CtesqDoc : public CDocument {
public:
    static constexpr int MAX_CURVES = CTraceData::MAX_CURVES;

    CtesqDoc();
    ~CtesqDoc() override;

    // Back to an empty trace. Leaves m_nOscFormat, the modified flag, path and title alone.
    void ResetTrace();
    // Makes `trace` the document's trace, with the view state of a fresh one (decimation 1,
    // no selection, nothing hidden, no display columns; the caller builds them).
    void TakeTrace(CTraceData&& trace);

    // The trace, read-only: every change goes through a step of the document.
    const CTraceData& Trace() const { return m_trace; }

    // What the views share, read-only; each change is a named step below.
    int Decimation() const { return m_view.m_nDecimation; }
    int SelStart() const { return m_view.m_nSelStart; }
    int SelEnd() const { return m_view.m_nSelEnd; }
    bool IsCurveHidden(int nCurve) const { return m_view.m_bCurveHidden[nCurve] != 0; }
    int ClipCount() const { return m_view.m_nClipCount; }
    // One curve's display columns at the current decimation.
    const CDisplayColumns& Display(int nCurve) const { return m_view.m_pDisplay[nCurve]; }
    // 4 x the column count (0 when no columns could be built).
    std::int64_t DisplayLength() const { return m_view.m_nDisplayLength; }
    // Columns of the view: buckets of Decimation() samples.
    int DisplayColumns() const { return static_cast<int>(m_view.m_nDisplayLength / 4); }

    // The zoom factor (at least 1), with the display columns brought to it.
    void SetDecimation(int nDecimation);
    // The half-open sample range start .. end.
    void Select(int nStart, int nEnd);
    void SetCurveHidden(int nCurve, bool bHidden);
    void SetCurveRange(int nCurve, float fBottom, float fTop);
    // Counts changes to the samples (opens, kxb, Cut and Paste), so that what is derived
    // from them knows when to look again.
    unsigned long long DataRevision() const { return m_nDataRevision; }
    void NoteDataChanged() { ++m_nDataRevision; }
    // Samples nFirst .. nEnd-1 of one curve rescaled by kxb's rule: counted as above, and
    // the display columns follow from what they held.
    void NoteRescaled(int nCurve, int nFirst, int nEnd, double k, double b);
    // Work on another thread that reads the samples (a measurement) says how to stop it and
    // wait for it; every step that changes or replaces the samples, or what is derived from
    // them, stops such work first. Returns a number to take the reader off again with.
    int AddSampleReader(std::function<void()> stopAndWait);
    void RemoveSampleReader(int id);

    // Whether the file the trace was read from (or last saved to) is as it was then, and so
    // are the captures its samples are read from: a reload would read what is here already.
    bool FileUnchangedOnDisk() const;

    // The framework's archive carries no trace data.
    void Serialize() override { SetModifiedFlag(false); }

    // File New: an empty trace.
    bool OnNewDocument() override;
    // File Open: the format the path names (FormatRegistry.h), its reader, then the display
    // columns and the recent-file list. Failures are shown; the trace then stays.
    bool OnOpenDocument(const std::string& path) override;
    // The reading part of an open, without the framework's step, the display columns or
    // the recent-file list: the format's reader, into this document. onRead is told every
    // read's byte count and may throw CReadCancelled to stop. A worker thread reads into a
    // document of its own, which the shown one then adopts.
    bool ReadTraceFile(const std::string& path,
                       const std::function<void(std::size_t)>& onRead = {});
    // How many times the reader of the path's format goes through the file (for progress).
    static int ReadPasses(const std::string& path);
    // Before a read, on the window's thread: a file offering more curve columns than a trace
    // holds asks which to show (AfxChooseColumns), unless m_curvesToRead names them already.
    // False when the user cancelled.
    bool ChooseCurvesFor(const std::string& path);
    // Takes the trace `from` holds (and its capture encoding, and the display columns it
    // built over its samples, if any), then builds the display columns it lacks.
    void AdoptTrace(CtesqDoc& from);
    // Display columns whose pyramid another thread builds meanwhile (CDisplayColumns::
    // Prepare): one sample a column shows at once, wider columns are blank.
    void PrepareDisplayColumns();
    // The pyramids of pending display columns built here, now (without statistics indexes):
    // for a picture whose zoom is known only once the columns are pending.
    void BuildPendingColumns();
    // The pyramids and statistics indexes built elsewhere over this trace's samples, taken;
    // one built over other samples is not, and that curve's are built here instead.
    void TakeBuiltColumns(CDisplayColumns (&built)[MAX_CURVES], CStatsIndex (&stats)[MAX_CURVES]);
    // The statistics index of every curve (one over its samples, or empty), for
    // ComputeSelectionStats.
    const CStatsIndex* StatsIndexes() const { return m_view.m_stats; }
    // Trades everything but the views with `other`: trace, view state, capture encoding,
    // columns to read, path, title and modified flag (a read shown before its columns are
    // built keeps the trace it replaced, to go back to on a cancel).
    void SwapContents(CtesqDoc& other);
    // Save: the format the path names, after its question about what it cannot keep. The
    // old file is replaced only when the new one was written whole. Failures are shown and
    // return false.
    bool OnSaveDocument(const std::string& path) override;

    // File Save: only a modified document; without a path, Save As; otherwise the
    // framework's question first.
    void OnFileSave();
    // File Save As: the save dialog, the default format's extension behind a name without
    // one, then save.
    void OnFileSaveAs();
    bool DoSaveAs() override;

    // One format's reader into a fresh trace, which replaces this one only when the read
    // succeeded (false after a message otherwise); one format's writer of the whole trace
    // (nothing for a format that is only read).
    bool ReadAs(TraceFormatId format, CFile& file);
    void WriteAs(TraceFormatId format, CFile& file) const;
    // The two formats by their own names: the text trace and the capture, whose encoding
    // (m_nOscFormat) is kept across New and opens of other formats.
    bool ReadTextTrace(CFile& file) { return ReadAs(TraceFormatId::text, file); }
    bool ReadOscTrace(CFile& file) { return ReadAs(TraceFormatId::capture, file); }
    void WriteTextTrace(CFile& file) const { WriteAs(TraceFormatId::text, file); }
    void WriteOscTrace(CFile& file) const { WriteAs(TraceFormatId::capture, file); }

    // The command language: "kxb curve k b" rescales a curve over the selection, "goto n"
    // moves the views. False (after a message) when the line is rejected.
    bool ExecuteCommand(std::string line);

    // The time of a sample as the time grid and the read-out show it, with enough decimals
    // that labels nSpacing samples apart never read the same (a grid line every 100 columns
    // of the decimation; 100 samples when not given).
    std::string FormatTimeLabel(int nSample) const { return FormatTimeLabel(nSample, 100); }
    std::string FormatTimeLabel(std::int64_t nSample, std::int64_t nSpacing) const;

    // Edit commands and the document's command-state rules. Copy itself is the view's, which
    // has the clipboard; the document gives it the text.
    void OnEditCutPaste();
    void OnEditCopy() {}
    // The selected samples as a spreadsheet takes them: tab-separated, a header line (time
    // in the step's unit, then "name [unit]" of each shown curve with samples), one line a
    // sample. False, after a message, for a selection past what a clipboard should hold.
    // step(n) is told every n rows written and may throw to stop (LongWork.h).
    bool SelectionText(std::string& text,
                       const std::function<void(std::uint64_t)>& step = {}) const;
    void OnUpdateFileSave(CCmdUI* pCmdUI) const { pCmdUI->Enable(IsModified()); }
    void OnUpdateEditCutCopy(CCmdUI* pCmdUI) const {
        pCmdUI->Enable(m_view.m_nSelStart != m_view.m_nSelEnd);
    }
    void OnUpdateEditPaste(CCmdUI* pCmdUI) const { pCmdUI->Enable(m_view.m_nClipCount > 0); }

    // The display columns of every curve for the current samples and decimation: the
    // pyramid over the samples when they are new, the decimation always.
    // progress(n) as CDisplayColumns::Build tells it; it may throw to stop the build.
    void BuildDisplayCopies(const std::function<void(std::int64_t)>& progress = {});
    bool BuildDisplayCopy(const CCurveSamples& source, CDisplayColumns& slot,
                          const std::function<void(std::int64_t)>& progress = {});

    // The capture encoding (0..2) of the last capture read; not part of the trace.
    int m_nOscFormat = 0;
    // The columns the next reads take as curves (names or 0-based column numbers), for files
    // with more than 8; empty: the first 8 (CFormatState::curves).
    std::vector<std::string> m_curvesToRead;
    // Whether an open builds the display columns; what never draws (the CLI's info, stats and
    // convert) saves their time and memory.
    bool m_bDisplayOnOpen = true;

private:
    CTraceData m_trace;
    CTraceViewState m_view;

    // The file as it was when it was read or saved, to notice another program changing it
    // before a save writes over it.
    struct DiskStamp {
        bool known = false;
        std::string path;
        std::uint64_t size = 0;
        std::int64_t modified = 0;  // nanoseconds
        bool operator==(const DiskStamp&) const = default;
    };
    static DiskStamp StampOf(const std::string& path);
    DiskStamp m_diskStamp;

    void StopSampleReaders();
    // After a save the captures in `reading` read: their changes are in the file now.
    void ForgetSavedChanges(const std::vector<const CCaptureSource*>& reading);
    std::vector<std::pair<int, std::function<void()>>> m_readers;
    int m_nNextReader = 0;

    CFormatState FormatState() const { return CFormatState{m_nOscFormat, m_curvesToRead, {}}; }

    unsigned long long m_nDataRevision = 0;
};
