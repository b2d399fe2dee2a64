#include "commands/TActionsDM.h"

#include "commands/CommandContext.h"
#include "commands/WidgetCommandPrompts.h"
#include "common/ScopeGuards.h"
#include "dialogs/TFormFactory.h"
#include "report/KzError.h"
#include "report/TextRules.h"
#include "shared/UnhandledFailure.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString menuTitle(MenuPlace place) {
    switch (place) {
        case MenuPlace::File:
            return u"&File"_s;
        case MenuPlace::Edit:
            return u"&Edit"_s;
        case MenuPlace::View:
            return u"&View"_s;
        case MenuPlace::Table:
            return u"Table"_s;
        case MenuPlace::Script:
            return u"&Script"_s;
        case MenuPlace::Project:
            return u"&Project"_s;
        case MenuPlace::Actions:
            return u"&Actions"_s;
        case MenuPlace::Help:
            return u"&Help"_s;
        case MenuPlace::Test:
            return u"&Test"_s;
        case MenuPlace::None:
            break;
    }
    return QString();
}

QIcon iconOf(CommandId id) {
    // The platform's own pictures: the program ships none of its own yet.
    QStyle* style = QApplication::style();
    switch (id) {
        case CommandId::PrjNew:
            return style->standardIcon(QStyle::SP_FileIcon);
        case CommandId::PrjOpen:
            return style->standardIcon(QStyle::SP_DialogOpenButton);
        case CommandId::PrjSave:
            return style->standardIcon(QStyle::SP_DialogSaveButton);
        case CommandId::ExecuteScript:
            return style->standardIcon(QStyle::SP_MediaPlay);
        case CommandId::CreateScript:
            return style->standardIcon(QStyle::SP_FileDialogDetailedView);
        default:
            return QIcon();
    }
}

}  // namespace

TActionsDM::TActionsDM()
    : ownPrompts_(std::make_unique<WidgetCommandPrompts>()), prompts_(ownPrompts_.get()) {
    setObjectName(u"ActionsDM"_s);
    registerProgramForms();
    QList<QKeySequence> taken;
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(entry.caption, this);
        action->setObjectName(QString::fromLatin1(entry.name));
        action->setStatusTip(entry.hint);
        action->setToolTip(entry.hint.isEmpty() ? StripMenuCaption(entry.caption) : entry.hint);
        // Of two commands with one shortcut the first in menu order runs;
        // Qt would run neither, so the later one does not get it.
        if (!entry.shortcut.isEmpty() && !taken.contains(entry.shortcut)) {
            action->setShortcut(entry.shortcut);
            taken << entry.shortcut;
        }
        action->setCheckable(entry.placement & kCheckable);
        action->setChecked(entry.placement & kChecked);
        action->setIcon(iconOf(entry.id));
        action->setIconVisibleInMenu(false);
        const CommandId id = entry.id;
        connect(action, &QAction::triggered, this, [this, id, action] {
            // Qt has already flipped a checkable action's mark; the handler
            // decides the mark, as it does when the command runs otherwise.
            if (action->isCheckable()) {
                action->setChecked(!action->isChecked());
            }
            execute(id);
        });
        actions_[entry.id] = action;
    }
}

TActionsDM::~TActionsDM() = default;

void TActionsDM::setPrompts(CommandPrompts* prompts) {
    prompts_ = prompts ? prompts : ownPrompts_.get();
}

QAction* TActionsDM::action(CommandId id) const {
    return actions_.at(id);
}

void TActionsDM::execute(CommandId id) {
    // A command does not start inside another: the events a long one lets
    // through must not reach a second one.
    if (!context_ || !action(id)->isEnabled() || running_ > 0) {
        return;
    }
    const CommandEntry& entry = commandEntry(id);
    ++running_;
    runReporting([&] {
        Finally done([this] { --running_; });
        context_->host.runWork([&] {
            if (entry.handler) {
                entry.handler(*context_);
            } else {
                TkzError::instance().NotImplemented(StripMenuCaption(entry.caption), QString());
            }
        });
    });
    context_->host.updateUI();
}

bool TActionsDM::enabledForRun(CommandId id) const {
    if (idle_) {
        const auto it = idle_->find(id);
        if (it != idle_->end()) {
            return it->second.enabled;
        }
    }
    return action(id)->isEnabled();
}

void TActionsDM::buildMenus(QMenuBar& bar, QWidget& window) {
    for (const MenuPlace place :
         {MenuPlace::File, MenuPlace::Edit, MenuPlace::View, MenuPlace::Table, MenuPlace::Script,
          MenuPlace::Project, MenuPlace::Actions, MenuPlace::Help, MenuPlace::Test}) {
        menus_[place] = bar.addMenu(menuTitle(place));
    }
    menus_[MenuPlace::Table]->menuAction()->setStatusTip(
        u"Also available in popupmenu on thumbnails in browser window."_s);
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.menu == MenuPlace::None) {
            continue;
        }
        QMenu* menu = menus_[entry.menu];
        if (entry.placement & kSeparatorBefore) {
            QAction* separator = menu->addSeparator();
            if (entry.id == CommandId::EditGlobalDefaults) {
                reopenAnchor_ = separator;
            }
        }
        QAction* act = action(entry.id);
        if (entry.placement & kHidden) {
            // A hidden action would lose its shortcut, so the menu holds a
            // hidden stand-in and the action itself stays live on the window.
            QAction* standIn = menu->addAction(act->text());
            standIn->setObjectName(act->objectName() + u"MenuItem"_s);
            standIn->setVisible(false);
        } else {
            menu->addAction(act);
        }
        if (entry.placement & kSeparatorAfter) {
            menu->addSeparator();
        }
    }
    // Their commands work through their shortcuts only.
    menus_[MenuPlace::Edit]->menuAction()->setVisible(false);
    menus_[MenuPlace::Test]->menuAction()->setVisible(false);
    for (const auto& [id, act] : actions_) {
        window.addAction(act);
    }
}

void TActionsDM::buildToolBar(QToolBar& bar) {
    for (const CommandEntry& entry : CommandTable()) {
        if (!(entry.placement & kToolBar)) {
            continue;
        }
        if (entry.placement & kToolBarSeparator) {
            bar.addSeparator();
        }
        bar.addAction(action(entry.id));
    }
}

QMenu* TActionsDM::menu(MenuPlace place) const {
    const auto it = menus_.find(place);
    return it == menus_.end() ? nullptr : it->second;
}

void TActionsDM::apply(const CommandStates& states, std::optional<CommandStates> idle) {
    idle_ = std::move(idle);
    for (const auto& [id, status] : states) {
        QAction* act = action(id);
        act->setEnabled(status.enabled);
        act->setText(status.caption);
    }
}

}  // namespace qm
