#include "framework/gui/ToolTip.h"
#include "framework/gui/QtText.h"

#include <QToolTip>

void CToolTipCtrl::Activate(bool bActivate, QPoint globalPos) {
    if (m_pParent == nullptr) return;
    m_bActive = bActivate;
    if (bActivate)
        QToolTip::showText(globalPos, ToQString(m_strText), m_pParent);
    else
        QToolTip::hideText();
}
