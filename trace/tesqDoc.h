#pragma once
// CtesqDoc: the one trace the application shows, up to 8 curves of equal length at one fixed
// step, with the per-trace view state shared by the views. Qt-free.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/core/CmdUI.h"
#include "framework/core/Document.h"
#include "trace/DisplayCopy.h"
#include "trace/FloatArray.h"
#include "trace/TraceData.h"

class CFile;

// Update hints the document sends its views.
enum : long {
    HINT_RESET = 0,           // reset the scroll sizes and go to column 0
    HINT_SHOW_SELECTION = 1,  // reset the scroll sizes and centre the selection
    HINT_GOTO = 1000,         // go to the sample whose int the hint object points to
};

// Shown when a file holds more samples than the 32-bit sample count can hold.
inline constexpr const char* MSG_TOO_MANY_SAMPLES =
    "The file holds more than 2147483647 samples; it cannot be opened.";
// Shown when the samples of a file do not fit in memory.
inline std::string NoMemoryMessage(const std::string& path) {
    return "Not enough memory to open " + path + ".";
}

class CtesqDoc : public CDocument, public CTraceData {
public:
    CtesqDoc();
    ~CtesqDoc() override;

    // Back to an empty trace. Leaves m_nOscFormat, the modified flag, path and title alone.
    void ResetTrace();
    // Makes `trace` the document's trace, with the view state of a fresh one (decimation 1,
    // no selection, nothing hidden, no display copies; the caller rebuilds them).
    void TakeTrace(CTraceData&& trace);

    // What the view and the CLI change, each a named step.
    // The zoom factor (at least 1), with the display copies rebuilt for it.
    void SetDecimation(int nDecimation);
    // The half-open sample range start .. end.
    void Select(int nStart, int nEnd);
    void SetCurveHidden(int nCurve, bool bHidden);
    void SetCurveRange(int nCurve, float fBottom, float fTop);
    // Counts changes to the samples (opens, kxb, Cut and Paste), so that what is derived
    // from them knows when to look again.
    unsigned long long DataRevision() const { return m_nDataRevision; }
    void NoteDataChanged() { ++m_nDataRevision; }
    // Samples nFirst .. nEnd-1 of one curve changed in place: counted as above, and that
    // curve's display copy brought up to date over them at once.
    void NoteDataChanged(int nCurve, int nFirst, int nEnd);
    // The framework's archive carries no trace data.
    void Serialize() override { SetModifiedFlag(false); }

    // File New: an empty trace.
    bool OnNewDocument() override;
    // File Open: the reader by the path's extension ("txt" or "osc", exactly), then the
    // display copies and the recent-file list. Failures are shown; the trace then stays.
    bool OnOpenDocument(const std::string& path) override;
    // The reading part of an open, without the framework's step, the display copies or the
    // recent-file list: the reader by the extension, into this document. onRead is told
    // every read's byte count and may throw CReadCancelled to stop. A worker thread reads
    // into a document of its own, which the shown one then adopts.
    bool ReadTraceFile(const std::string& path,
                       const std::function<void(std::size_t)>& onRead = {});
    // How many times the reader goes through the file (for progress).
    static int ReadPasses(const std::string& path);
    // Takes the trace `from` holds (and its capture encoding, and the display copies it built
    // over its samples, if any), then builds the display copies it lacks.
    void AdoptTrace(CtesqDoc& from);
    // Save: the writer by the extension, "osc" or "txt" in any case. The old file is replaced
    // only when the new one was written whole. Failures are shown and return false.
    bool OnSaveDocument(const std::string& path) override;

    // File Save: only a modified document; without a path, Save As; otherwise the
    // framework's question first.
    void OnFileSave();
    // File Save As: the save dialog, ".osc" behind a name without extension, then save.
    void OnFileSaveAs();
    bool DoSaveAs() override;

    // A whole text trace: the file-type line, the header (items, Curve lines, Step), then one
    // "\r\n" row per sample with each number in the fewest digits (6 or more) that read back
    // to the same float. Opened again it gives the same document.
    void WriteTextTrace(CFile& file);
    // The bare columns: one "\r\n" line per sample, "%g " per curve that has samples.
    void WriteTextColumns(CFile& file);

    // Capture format: single curve, byte-coded, with an optional magic number that selects
    // the encoding (m_nOscFormat, kept across New and text opens).
    bool ReadOscTrace(CFile& file);
    void WriteOscTrace(CFile& file);
    // What saving as a capture would lose (curves past the first, samples outside the
    // encoding's whole numbers), as the question put to the user; empty when nothing.
    std::string CaptureLoss() const;

    // The command language: "kxb curve k b" rescales a curve over the selection, "goto n"
    // moves the views. False (after a message) when the line is rejected.
    bool ExecuteCommand(std::string line);

    // The time of a sample as the time grid and the read-out show it.
    std::string FormatTimeLabel(int nSample) const;

    // Edit commands and the document's command-state rules.
    void OnEditCutPaste();
    void OnEditCopy() {}
    void OnUpdateFileSave(CCmdUI* pCmdUI) const { pCmdUI->Enable(IsModified()); }
    void OnUpdateZoomIn(CCmdUI* pCmdUI) const { pCmdUI->Enable(m_nDecimation > 1); }
    void OnUpdateZoomOut(CCmdUI* pCmdUI) const { pCmdUI->Enable(m_nDecimation < 4096); }
    void OnUpdateEditCutCopy(CCmdUI* pCmdUI) const { pCmdUI->Enable(m_nSelStart != m_nSelEnd); }
    void OnUpdateEditPaste(CCmdUI* pCmdUI) const { pCmdUI->Enable(m_nClipCount > 0); }

    // Text trace reader: a counting pass, then a storing pass, into a fresh trace that
    // replaces the document's only when the file was read; false (after a message) when it
    // was refused or could not be read.
    bool ReadTextTrace(CFile& file);
    // CSV and TSV: the same swap; a notice for dropped columns and for cells read as NaN.
    bool ReadCsvTrace(CFile& file);
    // A header row ("time [unit]", then "name [unit]" per curve), then one row per sample with
    // the time and every sample in the fewest digits that read back to the same float.
    void WriteCsvTrace(CFile& file);

    // The display copies of every curve for the current samples and decimation: the
    // pyramid over the samples when they are new, the decimation always.
    void BuildDisplayCopies();
    bool BuildDisplayCopy(const float* pSource, CDisplayCopy& slot);
    // Columns of the view: buckets of m_nDecimation samples.
    int DisplayColumns() const { return static_cast<int>(m_nDisplayLength / 4); }

    // The trace's own fields come from CTraceData; this is what the views share about it.
    int m_nOscFormat = 0;
    CDisplayCopy m_pDisplay[MAX_CURVES];  // 4 entries per bucket: first, max, min, first
    // 4 x the bucket count: 64 bits, since a trace may have up to 2147483647 samples.
    std::int64_t m_nDisplayLength = 0;
    int m_nDecimation = 1;
    int m_nSelStart = 0;
    int m_nSelEnd = 0;  // half-open selection m_nSelStart .. m_nSelEnd
    int m_nClipCount = 0;
    int m_bCurveHidden[MAX_CURVES] = {};

private:
    unsigned long long m_nDataRevision = 0;
};
