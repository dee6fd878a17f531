// The document's commands: the command language of the command bar and the view (kxb and
// goto) and the Edit commands.

#include <algorithm>
#include <string_view>

#include "framework/core/MessageSink.h"
#include "framework/core/NumberText.h"
#include "trace/Document.h"

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
        if (curve >= static_cast<unsigned>(m_nCurveCount) || !m_pSamples[curve]) {
            AfxMessageBox("out of range");
            return false;
        }
        const double k = numtext::ParseReal(tokens[2]);
        const double b = numtext::ParseReal(tokens[3]);
        // Only samples that exist are changed, whatever the selection says.
        const int first = std::max(m_nSelStart, 0);
        const int last = std::min(m_nSelEnd, m_nSampleCount);
        float* samples = m_pSamples[curve].get();
        for (int s = first; s < last; ++s)
            samples[s] = numtext::NarrowToFloat(static_cast<double>(samples[s]) * k + b);
        SetModifiedFlag(true);
        NoteDataChanged(static_cast<int>(curve), first, last);
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
