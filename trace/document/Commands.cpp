// The document's commands: the command language of the command bar and the view (kxb and
// goto) and the Edit commands.

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "trace/document/Document.h"
#include "trace/formats/io/FloatText.h"
#include "trace/model/TimeBase.h"

namespace {

constexpr int kMaxTokens = 8;

// Tokens are the runs of characters other than the space (tabs count as spaces); any other
// byte, line ends included, belongs to a token. The rest of the line after 8 is not read.
int Tokenize(std::string& line, std::string_view tokens[kMaxTokens]) {
    std::replace(line.begin(), line.end(), '\t', ' ');
    int count = 0;
    std::size_t pos = 0;
    while (count < kMaxTokens) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string::npos) break;
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        tokens[count++] = std::string_view(line).substr(pos, end - pos);
        pos = end;
    }
    return count;
}

}  // namespace

bool CtesqDoc::ExecuteCommand(std::string line) {
    if (IsBusy()) return false;  // a read is about to replace the trace
    std::string_view tokens[kMaxTokens];
    const int count = Tokenize(line, tokens);
    if (tokens[0] == "kxb") {
        if (count < 4) {
            AfxMessageBox("Missing parameters");
            return false;
        }
        // A negative curve number reads as a huge unsigned one: out of range too. So does a
        // declared curve that no data row reached, which has no samples to change.
        const auto curve = static_cast<unsigned>(numtext::ParseInt(tokens[1]));
        if (curve >= static_cast<unsigned>(m_trace.m_nCurveCount) || !m_trace.m_pSamples[curve]) {
            AfxMessageBox("out of range");
            return false;
        }
        const double k = numtext::ParseReal(tokens[2]);
        const double b = numtext::ParseReal(tokens[3]);
        // Only samples that exist are changed, whatever the selection says.
        const int first = std::max(m_view.m_nSelStart, 0);
        const int last = std::min(m_view.m_nSelEnd, m_trace.m_nSampleCount);
        StopSampleReaders();
        m_trace.m_pSamples[curve].Rescale(first, last, k, b);
        SetModifiedFlag(true);
        NoteRescaled(static_cast<int>(curve), first, last, k, b);
        return true;
    }
    if (tokens[0] == "goto") {
        if (count < 2) {
            AfxMessageBox("Missing parameters");
            return false;
        }
        int target = numtext::ParseInt(tokens[1]);
        UpdateAllViews(nullptr, HINT_GOTO, &target);
        return true;
    }
    AfxMessageBox("unknow command");
    return false;
}

// Cut and Paste alike: nothing is cut or pasted (no clipboard is kept); the document becomes
// modified and the views centre the selection.
void CtesqDoc::OnEditCutPaste() {
    SetModifiedFlag(true);
    NoteDataChanged();
    BuildDisplayCopies();
    UpdateAllViews(nullptr, HINT_SHOW_SELECTION);
}

bool CtesqDoc::SelectionText(std::string& text,
                             const std::function<void(std::uint64_t)>& step) const {
    // Ten million rows are already more than a spreadsheet takes; past that, Save As CSV.
    constexpr int kMostRows = 10'000'000;
    const int first =
        std::clamp(std::min(m_view.m_nSelStart, m_view.m_nSelEnd), 0, m_trace.m_nSampleCount);
    const int end =
        std::clamp(std::max(m_view.m_nSelStart, m_view.m_nSelEnd), 0, m_trace.m_nSampleCount);
    if (end - first > kMostRows) {
        AfxMessageBox(
            fmt::format("The selection holds {} samples; Copy takes {} at most. Save "
                        "the trace as CSV instead.",
                        end - first, kMostRows));
        return false;
    }
    std::vector<int> curves;
    for (int i = 0; i < m_trace.m_nCurveCount; ++i)
        if (m_trace.m_pSamples[i] && !IsCurveHidden(i)) curves.push_back(i);
    const auto named = [](const std::string& name, const std::string& unit) {
        return unit.empty() ? name : name + " [" + unit + "]";
    };
    text = named("time", m_trace.m_strStepUnit);
    for (const int i : curves)
        text += "\t" + named(m_trace.m_strCurveName[i], m_trace.m_strCurveUnit[i]);
    text += '\n';
    char number[32];
    for (int j = first; j < end; ++j) {
        text += timebase::SampleTimeText(m_trace.m_dblOrigin, m_trace.m_dblStep, j);
        for (const int i : curves) {
            text += '\t';
            const float v = m_trace.m_pSamples[i][static_cast<std::size_t>(j)];
            if (!std::isnan(v)) text += float_text::RoundTripText(v, number);
        }
        text += '\n';
        if (step && (j - first) % 65536 == 65535) step(65536);
    }
    return true;
}
