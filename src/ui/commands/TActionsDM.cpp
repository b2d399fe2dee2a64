#include "commands/TActionsDM.h"

#include "app/UnhandledFailure.h"
#include "commands/CommandContext.h"
#include "report/KzError.h"
#include "report/TextRules.h"

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

TActionsDM::TActionsDM() {
    setObjectName(u"ActionsDM"_s);
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(entry.caption, this);
        action->setObjectName(QString::fromLatin1(entry.name));
        action->setStatusTip(entry.hint);
        action->setToolTip(entry.hint.isEmpty() ? StripMenuCaption(entry.caption) : entry.hint);
        action->setShortcut(entry.shortcut);
        action->setIcon(iconOf(entry.id));
        action->setIconVisibleInMenu(false);
        const CommandId id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { execute(id); });
        actions_[entry.id] = action;
    }
}

TActionsDM::~TActionsDM() = default;

QAction* TActionsDM::action(CommandId id) const {
    return actions_.at(id);
}

void TActionsDM::execute(CommandId id) {
    if (!context_ || !action(id)->isEnabled()) {
        return;
    }
    const CommandEntry& entry = commandEntry(id);
    runReporting([&] {
        if (entry.handler) {
            entry.handler(*context_);
        } else {
            TkzError::instance().NotImplemented(StripMenuCaption(entry.caption), QString());
        }
    });
    context_->host.updateUI();
}

void TActionsDM::buildMenus(QMenuBar& bar, QWidget& window) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.menu == MenuPlace::None) {
            continue;
        }
        QMenu*& menu = menus_[entry.menu];
        if (!menu) {
            menu = bar.addMenu(menuTitle(entry.menu));
        }
        if (entry.placement & kSeparatorBefore) {
            QAction* separator = menu->addSeparator();
            if (entry.id == CommandId::Preferences) {
                reopenAnchor_ = separator;
            }
        }
        menu->addAction(action(entry.id));
    }
    if (QMenu* edit = menus_[MenuPlace::Edit]) {
        // Its commands work through their shortcuts only.
        edit->menuAction()->setVisible(false);
    }
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

void TActionsDM::apply(const CommandStates& states) {
    for (const auto& [id, status] : states) {
        QAction* act = action(id);
        act->setEnabled(status.enabled);
        act->setText(status.caption);
    }
}

}  // namespace qm
