#pragma once
// The framework's two questions to the user, as replaceable hooks like the message sink: the
// save-file dialog and the "save changes?" question. The window installs dialogs; tests
// install answers. Without a hook the save dialog is cancelled and the question answers No.

#include <functional>
#include <optional>
#include <string>

enum : int { IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// filter: "Name (*.ext)|*.ext|...||"; returns the chosen path, or nothing when cancelled.
using SaveAsPrompt = std::function<std::optional<std::string>(const std::string& filter,
                                                              const std::string& defaultExt)>;
// Returns IDYES, IDNO or IDCANCEL.
using SaveChangesQuestion = std::function<int(const std::string& documentTitle)>;

SaveAsPrompt SetSaveAsPrompt(SaveAsPrompt prompt);
SaveChangesQuestion SetSaveChangesQuestion(SaveChangesQuestion question);

std::optional<std::string> AfxPromptSaveAs(const std::string& filter,
                                           const std::string& defaultExt);
int AfxAskSaveChanges(const std::string& documentTitle);
