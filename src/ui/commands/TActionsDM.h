#pragma once

#include "commands/CommandTable.h"

#include <QObject>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace qm {

class CommandContext;
class CommandPrompts;

/// The command module: one action per row of the command table, with the
/// row's caption, hint, shortcut and handler. Menus, the tool bar and the
/// buttons on the tabs bind to these actions; UpdateActions' result is
/// applied to them with apply().
class TActionsDM : public QObject {
    Q_OBJECT

public:
    TActionsDM();
    ~TActionsDM() override;

    /// Gives the handlers what they work on. Until then choosing a command
    /// does nothing.
    void setContext(CommandContext* context) { context_ = context; }

    /// The prompts the commands ask through: on screen unless a test put
    /// its own (not owned) in place.
    CommandPrompts& prompts() const { return *prompts_; }
    void setPrompts(CommandPrompts* prompts);

    QAction* action(CommandId id) const;
    /// Runs a command's handler (as choosing it does), reporting a failure
    /// the way the event loop does, then refreshes the window.
    void execute(CommandId id);

    /// Builds the menus of the command table onto the menu bar; the Edit
    /// and Test menus are there but hidden. Every action is also added to
    /// `window`, so that the shortcuts of hidden actions work.
    void buildMenus(QMenuBar& bar, QWidget& window);
    /// Adds the tool bar buttons (icons with the hint as tooltip).
    void buildToolBar(QToolBar& bar);
    QMenu* menu(MenuPlace place) const;
    /// The File menu item before which the "Reopen" submenu goes.
    QAction* reopenAnchor() const { return reopenAnchor_; }

    /// Sets the enabled state and caption of every action. `idle` is what
    /// the states would be were no long work running, when they differ.
    void apply(const CommandStates& states, std::optional<CommandStates> idle = std::nullopt);
    /// Whether a step of a running command (a project script's) may run
    /// the command: its own rule, leaving out that work is running.
    bool enabledForRun(CommandId id) const;

private:
    std::optional<CommandStates> idle_;
    /// Commands running; while one runs, no other starts.
    int running_ = 0;
    std::map<CommandId, QAction*> actions_;
    std::map<MenuPlace, QMenu*> menus_;
    QAction* reopenAnchor_ = nullptr;
    CommandContext* context_ = nullptr;
    std::unique_ptr<CommandPrompts> ownPrompts_;
    CommandPrompts* prompts_ = nullptr;
};

}  // namespace qm
