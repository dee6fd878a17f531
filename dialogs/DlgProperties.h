#pragma once
// CDlgProperties: a list of named values to read and copy (File > Properties): one row a
// value, long values wrapped, every cell selectable.

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

class QTableWidget;

class CDlgProperties : public QDialog {
public:
    CDlgProperties(const std::string& title,
                   const std::vector<std::pair<std::string, std::string>>& rows,
                   QWidget* parent = nullptr);

    // The rows as tab-separated lines, as Copy puts them on the clipboard.
    std::string Text() const;

    QTableWidget* m_pTable;
};
