#include "framework/core/CmdTarget.h"

const CCmdTarget::Handler* CCmdTarget::FindCommand(unsigned nID) const {
    for (const Command& c : m_commands)
        if (c.id == nID) return &c.handler;
    return nullptr;
}

Touches CCmdTarget::Reach(unsigned nID) const {
    for (const Command& c : m_commands)
        if (c.id == nID) return c.touches;
    return Touches::nothing;
}

bool CCommandRouter::TouchesDocument(unsigned nID) const {
    for (const CCmdTarget* target : m_chain)
        if (target != nullptr && target->FindCommand(nID))
            return target->Reach(nID) == Touches::document;
    return false;
}

const CCmdTarget::UpdateHandler* CCmdTarget::FindUpdate(unsigned nID) const {
    for (const auto& [id, rule] : m_updates)
        if (id == nID) return &rule;
    return nullptr;
}

void CCommandRouter::UpdateState(CCmdUI& ui) const {
    if (m_busy && TouchesDocument(ui.m_nID) && m_busy()) {
        ui.Enable(false);
        return;
    }
    for (const CCmdTarget* target : m_chain) {
        if (target == nullptr) continue;
        if (const auto* rule = target->FindUpdate(ui.m_nID)) {
            (*rule)(&ui);
            return;
        }
    }
    bool handled = false;
    for (const CCmdTarget* target : m_chain)
        handled = handled || (target != nullptr && target->FindCommand(ui.m_nID));
    ui.Enable(handled);
}

bool CCommandRouter::IsEnabled(unsigned nID) const {
    CCmdUI ui(nID);
    UpdateState(ui);
    return ui.m_bEnabled;
}

bool CCommandRouter::Execute(unsigned nID) const {
    if (!IsEnabled(nID)) return false;
    for (const CCmdTarget* target : m_chain) {
        if (target == nullptr) continue;
        if (const auto* handler = target->FindCommand(nID)) {
            (*handler)();
            return true;
        }
    }
    return false;
}
