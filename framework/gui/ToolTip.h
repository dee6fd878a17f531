#pragma once
// The framework's tool-tip control: one tool covering its parent window, whose text the
// owner replaces as the mouse moves and which shows only while active.

#include <QPoint>
#include <string>

class QWidget;

class CToolTipCtrl {
public:
    void Create(QWidget* pParent) { m_pParent = pParent; }
    void AddTool(const std::string& text) { m_strText = text; }
    void UpdateTipText(const std::string& text) { m_strText = text; }
    // Shows the text at the pointer while active; hides it otherwise.
    void Activate(bool bActivate, QPoint globalPos = {});

    const std::string& GetText() const { return m_strText; }
    bool IsActive() const { return m_bActive; }
    bool IsCreated() const { return m_pParent != nullptr; }

private:
    QWidget* m_pParent = nullptr;
    std::string m_strText;
    bool m_bActive = false;
};
