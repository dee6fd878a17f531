#pragma once
// Command routing. Each window class keeps a table of command
// handlers and enable rules; a command goes to the first object of the chain (view, document,
// frame, application) that handles it. Its state comes from the first enable rule in the
// chain; with no rule it is enabled when some object handles it, and disabled when none does.
// A disabled command never runs.

#include <functional>
#include <utility>
#include <vector>

#include "framework/core/CmdUI.h"

class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI*)>;

    virtual ~CCmdTarget() = default;

    // Table entries, searched in the order they were added.
    void AddCommand(unsigned nID, Handler handler) {
        m_commands.emplace_back(nID, std::move(handler));
    }
    void AddUpdate(unsigned nID, UpdateHandler rule) {
        m_updates.emplace_back(nID, std::move(rule));
    }

    const Handler* FindCommand(unsigned nID) const;
    const UpdateHandler* FindUpdate(unsigned nID) const;

private:
    std::vector<std::pair<unsigned, Handler>> m_commands;
    std::vector<std::pair<unsigned, UpdateHandler>> m_updates;
};

class CCommandRouter {
public:
    // The chain in routing order; null entries (no document yet) are skipped.
    void SetChain(std::vector<CCmdTarget*> chain) { m_chain = std::move(chain); }

    // Asks the chain for the command's state.
    void UpdateState(CCmdUI& ui) const;
    bool IsEnabled(unsigned nID) const;
    // Runs the command if it is enabled; false when it did not run.
    bool Execute(unsigned nID) const;
    // Commands the gate closes are disabled, whatever their rules say (while a file is read,
    // say); an empty gate closes nothing.
    void SetGate(std::function<bool(unsigned)> closed) { m_gate = std::move(closed); }

private:
    std::vector<CCmdTarget*> m_chain;
    std::function<bool(unsigned)> m_gate;
};
