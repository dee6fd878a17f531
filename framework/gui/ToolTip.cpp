#include "ToolTip.h"

#include <QToolTip>

void CToolTipCtrl::Activate(bool bActivate, QPoint globalPos) {
    if (m_pParent == nullptr) return;
    if (bActivate)
        QToolTip::showText(globalPos, QString::fromStdString(m_strText), m_pParent);
    else
        QToolTip::hideText();
}
