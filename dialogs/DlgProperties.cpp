#include "dialogs/DlgProperties.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "framework/gui/QtText.h"

CDlgProperties::CDlgProperties(const std::string& title,
                               const std::vector<std::pair<std::string, std::string>>& rows,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(ToQString(title));
    auto* layout = new QVBoxLayout(this);
    m_pTable = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Item"), QStringLiteral("Value")});
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setWordWrap(true);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const auto& [name, value] = rows[static_cast<std::size_t>(r)];
        m_pTable->setItem(r, 0, new QTableWidgetItem(ToQString(name)));
        m_pTable->setItem(r, 1, new QTableWidgetItem(ToQString(value)));
    }
    m_pTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->resizeRowsToContents();
    layout->addWidget(m_pTable);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
    QObject::connect(copy, &QPushButton::clicked, this,
                     [this] { QApplication::clipboard()->setText(ToQString(Text())); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 480);
}

std::string CDlgProperties::Text() const {
    std::string text;
    for (int r = 0; r < m_pTable->rowCount(); ++r) {
        const QTableWidgetItem* name = m_pTable->item(r, 0);
        const QTableWidgetItem* value = m_pTable->item(r, 1);
        text += (name ? name->text().toStdString() : std::string()) + "\t" +
                (value ? value->text().toStdString() : std::string()) + "\n";
    }
    return text;
}
