#include "framework/core/Prompts.h"

#include <utility>

namespace {

SaveAsPrompt& CurrentSaveAs() {
    static SaveAsPrompt prompt;
    return prompt;
}

SaveChangesQuestion& CurrentQuestion() {
    static SaveChangesQuestion question;
    return question;
}

YesNoQuestion& CurrentYesNo() {
    static YesNoQuestion question;
    return question;
}

ColumnChoice& CurrentColumnChoice() {
    static ColumnChoice choice;
    return choice;
}

}  // namespace

YesNoQuestion SetYesNoQuestion(YesNoQuestion question) {
    return std::exchange(CurrentYesNo(), std::move(question));
}

bool AfxAskYesNo(const std::string& text) {
    return CurrentYesNo() ? CurrentYesNo()(text) : false;
}

SaveAsPrompt SetSaveAsPrompt(SaveAsPrompt prompt) {
    return std::exchange(CurrentSaveAs(), std::move(prompt));
}

SaveChangesQuestion SetSaveChangesQuestion(SaveChangesQuestion question) {
    return std::exchange(CurrentQuestion(), std::move(question));
}

std::optional<std::string> AfxPromptSaveAs(const std::string& filter, const std::string& defaultExt,
                                           const std::string& title) {
    return CurrentSaveAs() ? CurrentSaveAs()(filter, defaultExt, title) : std::nullopt;
}

int AfxAskSaveChanges(const std::string& documentTitle) {
    return CurrentQuestion() ? CurrentQuestion()(documentTitle) : IDNO;
}

ColumnChoice SetColumnChoice(ColumnChoice choice) {
    return std::exchange(CurrentColumnChoice(), std::move(choice));
}

std::optional<std::vector<std::string>> AfxChooseColumns(const std::string& file,
                                                         const std::vector<std::string>& columns) {
    if (CurrentColumnChoice()) return CurrentColumnChoice()(file, columns);
    return std::vector<std::string>();
}
