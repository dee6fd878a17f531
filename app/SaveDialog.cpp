#include "app/SaveDialog.h"

#include <QFileDialog>
#include <QRegularExpression>
#include <QStringList>

#include "framework/gui/QtText.h"

namespace {

// "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt||" as Qt's name filters.
QStringList NameFilters(const std::string& filter) {
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype k = 0; k + 1 < parts.size(); k += 2)
        if (!parts[k].isEmpty()) names.append(parts[k]);
    return names;
}

// The extension a name filter such as "TEXT Files (*.txt)" gives, without its dot.
QString ExtensionOf(const QString& nameFilter) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\*\\.([^ )]+)")).match(nameFilter);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Takes the suffix from the filter chosen at the moment the user saves, so that Qt appends it
// to a bare name and asks about replacing the file of that name.
class CSaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override {
        if (const QString ext = ExtensionOf(selectedNameFilter()); !ext.isEmpty())
            setDefaultSuffix(ext);
        QFileDialog::accept();
    }
};

}  // namespace

std::optional<std::string> RunSaveDialog(QWidget* parent, const std::string& filter,
                                         const std::string& defaultExt, const std::string& folder,
                                         const std::string& title) {
    CSaveDialog dialog(parent);
    dialog.setWindowTitle(ToQString(title));
    if (!folder.empty()) dialog.setDirectory(PathToQString(folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setNameFilters(NameFilters(filter));
    dialog.setDefaultSuffix(ToQString(defaultExt));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QStringToPath(dialog.selectedFiles().front());
}
