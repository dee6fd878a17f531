#pragma once
// The choice of columns for a file that offers more than a trace holds: a list of them, each
// with a check box, the first eight ticked, or the ones ticked the last time a file with the
// same columns was opened.

#include <optional>
#include <string>
#include <vector>

class QWidget;

// The labels ticked, in the file's order; nothing when cancelled. OK takes 1 to `most`.
std::optional<std::vector<std::string>> ChooseColumns(QWidget* parent, const std::string& file,
                                                      const std::vector<std::string>& columns,
                                                      std::size_t most);
