#include "dialogs/DlgCurvePara.h"

#include <fmt/format.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "framework/core/NumberText.h"
#include "framework/gui/QtText.h"

namespace {

// The dialog's layout is given in small units (a quarter of the font's average character
// width across, an eighth of its height down); this turns them into pixels for the default
// font, so the controls keep their proportions.
QRect Place(int x, int y, int w, int h) {
    return QRect(x * 3 / 2, y * 13 / 8, w * 3 / 2, h * 13 / 8);
}

}  // namespace

CDlgCurvePara::CDlgCurvePara(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Curve parameters"));
    setFixedSize(Place(0, 0, 237, 97).size());
    // Created in tab order: OK first, so Enter confirms at once.
    m_pOk = new QPushButton(QStringLiteral("确定"), this);
    m_pOk->setGeometry(Place(180, 76, 50, 14));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("取消"), this);
    m_pCancel->setGeometry(Place(120, 76, 50, 14));
    auto* topLabel = new QLabel(QStringLiteral("Top value"), this);
    topLabel->setGeometry(Place(7, 22, 59, 8));
    topLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* bottomLabel = new QLabel(QStringLiteral("Bottom value"), this);
    bottomLabel->setGeometry(Place(7, 42, 59, 8));
    bottomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pMin = new QLabel(this);
    m_pMin->setGeometry(Place(125, 42, 83, 8));
    m_pMax = new QLabel(this);
    m_pMax->setGeometry(Place(125, 23, 83, 8));
    m_pBottom = new QLineEdit(this);
    m_pBottom->setGeometry(Place(67, 40, 54, 12));
    m_pTop = new QLineEdit(this);
    m_pTop->setGeometry(Place(67, 21, 54, 12));
    setTabOrder(m_pOk, m_pCancel);
    setTabOrder(m_pCancel, m_pBottom);
    setTabOrder(m_pBottom, m_pTop);
    QObject::connect(m_pOk, &QPushButton::clicked, this, [this] {
        DoDataExchange(true);
        done(IDOK);
    });
    QObject::connect(m_pCancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

void CDlgCurvePara::DoDataExchange(bool saving) {
    if (!saving) {
        m_strTop = fmt::format("{:.3f}", m_dblTop);
        m_strBottom = fmt::format("{:.3f}", m_dblBottom);
        m_strMax = m_bHasExtremes ? fmt::format("{:.3f}", m_dblMax) : std::string();
        m_strMin = m_bHasExtremes ? fmt::format("{:.3f}", m_dblMin) : std::string();
        m_pTop->setText(ToQString(m_strTop));
        m_pBottom->setText(ToQString(m_strBottom));
        m_pMax->setText(ToQString(m_strMax));
        m_pMin->setText(ToQString(m_strMin));
        return;
    }
    m_strTop = m_pTop->text().toStdString();
    m_strBottom = m_pBottom->text().toStdString();
    m_dblTop = numtext::ParseReal(m_strTop);
    m_dblBottom = numtext::ParseReal(m_strBottom);
}

int CDlgCurvePara::DoModal() {
    DoDataExchange(false);
    m_pOk->setFocus();
    return exec() == IDOK ? IDOK : IDCANCEL;
}
