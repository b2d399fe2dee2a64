#include "settings/KzSettingsPanel.h"

#include "common/Errors.h"
#include "config/RegistryStore.h"
#include "config/StoredValues.h"
#include "report/KzError.h"
#include "settings/KzRadioGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <climits>
#include <optional>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// Which widgets make up a control's path. Only widgets the program named
// count: Qt names the inner parts of its own widgets "qt_..." (the stacked
// widget that holds a tab widget's pages is "qt_tabwidget_stackedwidget", a
// scroll area's viewport "qt_scrollarea_viewport"), and a widget without a
// name cannot be found again by one. Such widgets are walked through with
// their parent's path, so a tab page's controls read
// "<panel>.PageControl.GeneralTabSheet.<control>", and a value control
// without a name of its own stores nothing (it would share its parent's
// key).
bool hasOwnName(const QWidget* widget) {
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(u"qt_"_s);
}

// Restores an index within lowest..highest, or writes the current one.
template <typename Apply>
void syncIndex(QSettings& store, const QString& key, bool restore, int current, int lowest,
               int highest, Apply apply) {
    if (!restore) {
        store.setValue(key, QString::number(current));
        return;
    }
    const std::optional<int> index = StoredValues::integer(store.value(key));
    if (index && *index >= lowest && *index <= highest) {
        apply(*index);
    }
}

template <typename Apply>
void syncText(QSettings& store, const QString& key, bool restore, const QString& current,
              Apply apply) {
    if (!restore) {
        store.setValue(key, current);
        return;
    }
    if (const std::optional<QString> text = StoredValues::text(store.value(key))) {
        apply(*text);
    }
}

}  // namespace

TkzSettingsPanel::TkzSettingsPanel(QWidget* parent) : QFrame(parent) {}

QString TkzSettingsPanel::GetIniLocation() const {
    TkzError& reporter = TkzError::instance();
    reporter.Precondition(!productName_.isEmpty(), u"no productname"_s,
                          reporter.MethodName(u"TkzSettingsPanel"_s, u"GetIniLocation"_s));
    static const QRegularExpression backslashes(u"\\\\+"_s);
    QString location = u"\\Software\\"_s + companyName_ + u'\\' + productName_;
    return location.replace(backslashes, u"\\"_s);
}

QWidget* TkzSettingsPanel::owningWindow(const QString& method) const {
    // The panel's window stands for the form that owns it. A panel without
    // a parent is a window of its own and has no form to be saved under.
    QWidget* form = window();
    TkzError& reporter = TkzError::instance();
    reporter.Precondition(form != this, u"owner is not a form"_s,
                          reporter.MethodName(u"TkzSettingsPanel"_s, method));
    // Told to go on anyway, there is still nothing to save the panel under.
    return form != this ? form : nullptr;
}

void TkzSettingsPanel::Restore() {
    const QWidget* form = owningWindow(u"Restore"_s);
    if (!form) {
        return;
    }
    const QString base = RegistryStore::groupPath(GetIniLocation());
    {
        const std::unique_ptr<QSettings> store = RegistryStore::open();
        const std::optional<int> saved =
            StoredValues::integer(store->value(base + u'/' + form->objectName() + u"/Saved"_s));
        if (saved.value_or(0) != 0) {
            walk(this, objectName(), *store, base + u"/Settings for "_s + form->objectName() + u'.',
                 Pass::Restore);
            return;
        }
    }
    Snapshot();
}

void TkzSettingsPanel::Snapshot() {
    const QWidget* form = owningWindow(u"Snapshot"_s);
    if (!form) {
        return;
    }
    const QString base = RegistryStore::groupPath(GetIniLocation());
    const std::unique_ptr<QSettings> store = RegistryStore::open();
    store->setValue(base + u'/' + form->objectName() + u"/Saved"_s, u"1"_s);
    walk(this, objectName(), *store, base + u"/Settings for "_s + form->objectName() + u'.',
         Pass::Snapshot);
    store->sync();
    if (store->status() == QSettings::AccessError) {
        throw Error(u"Cannot save the settings in \"%1\""_s.arg(store->fileName()));
    }
}

void TkzSettingsPanel::walk(QWidget* control, const QString& path, QSettings& store,
                            const QString& prefix, Pass pass) {
    const bool restore = pass == Pass::Restore;
    const bool stored = hasOwnName(control);
    const QString key = prefix + path + u'/';
    bool valueControl = true;
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
        if (stored) {
            syncIndex(store, key + u"Checked"_s, restore, check->isChecked() ? 1 : 0, INT_MIN,
                      INT_MAX, [check](int value) { check->setChecked(value != 0); });
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (stored) {
            syncIndex(store, key + u"ItemIndex"_s, restore, combo->currentIndex(), -1,
                      combo->count() - 1, [combo](int index) { combo->setCurrentIndex(index); });
        }
    } else if (auto* radios = qobject_cast<TkzRadioGroup*>(control)) {
        if (stored) {
            syncIndex(store, key + u"ItemIndex"_s, restore, radios->itemIndex(), -1,
                      radios->count() - 1, [radios](int index) { radios->setItemIndex(index); });
        }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        if (stored) {
            syncText(store, key + u"Caption"_s, restore, label->text(),
                     [label](const QString& text) { label->setText(text); });
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (stored) {
            syncText(store, key + u"Text"_s, restore, edit->text(),
                     [edit](const QString& text) { edit->setText(text); });
        }
    } else {
        valueControl = false;
    }
    // The child widgets of a value control are its own parts (the list of a
    // combo box, the buttons of a radio group), not further settings.
    if (valueControl) {
        return;
    }
    for (QObject* child : control->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        // Dialogs and pop-ups that a control owns are windows of their own,
        // not controls on the panel.
        if (!widget || widget->isWindow()) {
            continue;
        }
        walk(widget, hasOwnName(widget) ? path + u'.' + widget->objectName() : path, store, prefix,
             pass);
    }
}

}  // namespace qm
