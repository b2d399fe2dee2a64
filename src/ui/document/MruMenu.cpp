#include "document/MruMenu.h"

#include "document/ShortenPath.h"
#include "document/TkzMRUFileList.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace qm {

MruMenu::MruMenu(TkzMRUFileList& list, QMenu& fileMenu, QAction* before, QObject* parent)
    : QObject(parent), list_(list), fileMenu_(&fileMenu), before_(before) {
    list_.OnChange = [this] { rebuild(); };
    rebuild();
}

MruMenu::~MruMenu() {
    list_.OnChange = nullptr;
    delete submenu_.data();
}

QString MruMenu::caption(int position, const QString& path) const {
    static const QString kAccelerators = u"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
    const QString prefix =
        position < kAccelerators.size() ? u'&' + kAccelerators[position] + u' ' : QString();
    const QFontMetrics metrics(fileMenu_ ? fileMenu_->font() : QFont());
    const QString shown = ShortenPath(path, MaxCaptionWidth, [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    });
    // An "&" of the path is a letter of the path, not an accelerator.
    return prefix + QString(shown).replace(u"&"_s, u"&&"_s);
}

void MruMenu::removeSubmenu() {
    if (!submenu_) {
        return;
    }
    if (fileMenu_) {
        fileMenu_->removeAction(submenu_->menuAction());
    }
    // Later, not now: rebuilding may run from a click on one of its items.
    submenu_->deleteLater();
    submenu_ = nullptr;
}

void MruMenu::rebuild() {
    removeSubmenu();
    if (!fileMenu_ || list_.Count() == 0) {
        return;
    }
    auto* menu = new QMenu(u"Reopen"_s, fileMenu_);
    menu->setObjectName(u"ReopenMenu"_s);
    for (int i = 0; i < list_.Count(); ++i) {
        QAction* item = menu->addAction(caption(i, list_.Items()[i]));
        item->setToolTip(list_.Items()[i]);
        connect(item, &QAction::triggered, this, [this, i] { list_.Click(i); });
    }
    menu->addSeparator();
    connect(menu->addAction(u"&Clear List"_s), &QAction::triggered, this,
            [this] { list_.Clear(); });
    connect(menu->addAction(u"&Remove Obsolete"_s), &QAction::triggered, this,
            [this] { list_.RemoveObsolete(); });
    fileMenu_->insertMenu(before_, menu);
    submenu_ = menu;
}

}  // namespace qm
