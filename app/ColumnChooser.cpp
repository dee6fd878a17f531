#include "app/ColumnChooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <cstdint>

#include "app/Settings.h"
#include "framework/gui/QtText.h"

namespace {

// The settings key of a set of columns: the same columns, in the same order, the same key.
QString KeyOf(const std::vector<std::string>& columns) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a, stable from run to run
    for (const std::string& c : columns) {
        for (const char ch : c + '\n') h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
    }
    return QStringLiteral("Columns/%1").arg(h, 16, 16, QLatin1Char('0'));
}

}  // namespace

std::optional<std::vector<std::string>> ChooseColumns(QWidget* parent, const std::string& file,
                                                      const std::vector<std::string>& columns,
                                                      std::size_t most) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Columns to show"));
    auto* layout = new QVBoxLayout(&dialog);
    const auto slash = file.rfind('/');
    layout->addWidget(
        new QLabel(ToQString(file.substr(slash == std::string::npos ? 0 : slash + 1) + " has " +
                             std::to_string(columns.size()) + " columns; a trace shows " +
                             std::to_string(most) + " at most. Tick the ones to show."),
                   &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("columns"));
    const QStringList remembered = AppSettings().value(KeyOf(columns)).toStringList();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        auto* item = new QListWidgetItem(ToQString(columns[k]), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool ticked =
            remembered.isEmpty() ? k < most : remembered.contains(ToQString(columns[k]));
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    const auto ticked = [list] {
        std::vector<std::string> chosen;
        for (int k = 0; k < list->count(); ++k)
            if (list->item(k)->checkState() == Qt::Checked)
                chosen.push_back(list->item(k)->text().toStdString());
        return chosen;
    };
    const auto check = [&] {
        const std::size_t n = ticked().size();
        ok->setEnabled(n >= 1 && n <= most);
    };
    QObject::connect(list, &QListWidget::itemChanged, &dialog, check);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    check();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const std::vector<std::string> chosen = ticked();
    QStringList keep;
    for (const std::string& c : chosen) keep.append(ToQString(c));
    AppSettings().setValue(KeyOf(columns), keep);
    return chosen;
}
