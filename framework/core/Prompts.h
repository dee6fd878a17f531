#pragma once
// The framework's questions to the user, as replaceable hooks like the message sink: the
// save-file dialog, the "save changes?" question, a yes/no question and the choice of
// columns. The window installs
// dialogs, the CLI its own answers, tests theirs. Without a hook the save dialog is cancelled
// and the questions answer No.

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum : int { IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// filter: "Name (*.ext)|*.ext|...||"; title: the dialog's ("Save As", "Export image");
// returns the chosen path, or nothing when cancelled.
using SaveAsPrompt = std::function<std::optional<std::string>(
    const std::string& filter, const std::string& defaultExt, const std::string& title)>;
// Returns IDYES, IDNO or IDCANCEL.
using SaveChangesQuestion = std::function<int(const std::string& documentTitle)>;

// Returns true for Yes.
using YesNoQuestion = std::function<bool(const std::string& text)>;

// Which of a file's columns to show, when it offers more than a trace holds: returns the
// labels chosen, or nothing when cancelled.
using ColumnChoice = std::function<std::optional<std::vector<std::string>>(
    const std::string& file, const std::vector<std::string>& columns)>;

SaveAsPrompt SetSaveAsPrompt(SaveAsPrompt prompt);
YesNoQuestion SetYesNoQuestion(YesNoQuestion question);
SaveChangesQuestion SetSaveChangesQuestion(SaveChangesQuestion question);
ColumnChoice SetColumnChoice(ColumnChoice choice);

std::optional<std::string> AfxPromptSaveAs(const std::string& filter, const std::string& defaultExt,
                                           const std::string& title = "Save As");
int AfxAskSaveChanges(const std::string& documentTitle);
bool AfxAskYesNo(const std::string& text);
// Without a hook nobody is asked: an empty choice, which leaves the reader's own (the first
// columns, and a notice of the rest).
std::optional<std::vector<std::string>> AfxChooseColumns(const std::string& file,
                                                         const std::vector<std::string>& columns);
