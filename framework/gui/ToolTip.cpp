#include "framework/gui/ToolTip.h"

#include <QToolTip>

#include "framework/gui/QtText.h"

void CToolTipCtrl::Activate(bool bActivate, QPoint globalPos) {
    if (m_pParent == nullptr) return;
    m_bActive = bActivate;
    if (bActivate)
        QToolTip::showText(globalPos, ToQString(m_strText), m_pParent);
    else
        QToolTip::hideText();
}
