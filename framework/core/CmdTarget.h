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

// What a command reaches: one that reads or changes the document (its trace, its view state,
// its file) waits while the document is busy; the others run meanwhile.
enum class Touches { nothing, document };

class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI*)>;

    virtual ~CCmdTarget() = default;

    // Table entries, searched in the order they were added.
    void AddCommand(unsigned nID, Handler handler, Touches touches = Touches::nothing) {
        m_commands.push_back({nID, std::move(handler), touches});
    }
    void AddUpdate(unsigned nID, UpdateHandler rule) {
        m_updates.emplace_back(nID, std::move(rule));
    }

    const Handler* FindCommand(unsigned nID) const;
    const UpdateHandler* FindUpdate(unsigned nID) const;
    // What the command's entry says it reaches (nothing when there is none).
    Touches Reach(unsigned nID) const;

private:
    struct Command {
        unsigned id;
        Handler handler;
        Touches touches;
    };
    std::vector<Command> m_commands;
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
    // While busy() holds (a file is read, say), every command whose handler touches the
    // document is disabled, whatever its rule says; without it nothing is closed.
    void SetDocumentBusy(std::function<bool()> busy) { m_busy = std::move(busy); }
    // Whether the handler the command would run touches the document.
    bool TouchesDocument(unsigned nID) const;

private:
    std::vector<CCmdTarget*> m_chain;
    std::function<bool()> m_busy;
};
