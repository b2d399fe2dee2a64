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
    for (const CommandSpec& spec : CommandTable()) {
        auto* action = new QAction(spec.caption, this);
        action->setObjectName(QString::fromLatin1(spec.name));
        action->setStatusTip(spec.hint);
        action->setToolTip(spec.hint.isEmpty() ? StripMenuCaption(spec.caption) : spec.hint);
        action->setShortcut(spec.shortcut);
        action->setIcon(iconOf(spec.id));
        action->setIconVisibleInMenu(false);
        const CommandId id = spec.id;
        connect(action, &QAction::triggered, this, [this, id] { execute(id); });
        actions_[spec.id] = action;
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
    const CommandSpec& spec = commandSpec(id);
    runReporting([&] {
        if (spec.handler) {
            spec.handler(*context_);
        } else {
            TkzError::instance().NotImplemented(StripMenuCaption(spec.caption), QString());
        }
    });
    context_->host.updateUI();
}

void TActionsDM::buildMenus(QMenuBar& bar, QWidget& window) {
    for (const CommandSpec& spec : CommandTable()) {
        if (spec.menu == MenuPlace::None) {
            continue;
        }
        QMenu*& menu = menus_[spec.menu];
        if (!menu) {
            menu = bar.addMenu(menuTitle(spec.menu));
        }
        if (spec.separatorBefore) {
            QAction* separator = menu->addSeparator();
            if (spec.id == CommandId::Preferences) {
                reopenAnchor_ = separator;
            }
        }
        menu->addAction(action(spec.id));
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
    for (const CommandSpec& spec : CommandTable()) {
        if (!spec.toolBar) {
            continue;
        }
        if (spec.separatorInToolBar) {
            bar.addSeparator();
        }
        bar.addAction(action(spec.id));
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
