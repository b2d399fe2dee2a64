#include "window/TkzFormViewController.h"

#include "config/RegistryStore.h"
#include "ini/CustomFastIniFile.h"
#include "report/KzError.h"

#include <QSettings>
#include <QWidget>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

enum StoredState { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// Values are stored as decimal text, as the other registry users do; a
// value that is no number gives the default.
int readInteger(const QSettings& store, const QString& key, int def) {
    const QVariant value = store.value(key);
    if (!value.isValid()) {
        return def;
    }
    int number = def;
    return TCustomFastIniFile::parseInteger(value.toString(), number) ? number : def;
}

int storedStateOf(const QWidget& window) {
    if (window.isMaximized()) {
        return kMaximized;
    }
    return window.isMinimized() ? kMinimized : kNormal;
}

}  // namespace

TkzFormViewController::TkzFormViewController(QWidget& owner, QString companyName,
                                             QString productName)
    : owner_(owner), companyName_(std::move(companyName)), productName_(std::move(productName)) {}

QString TkzFormViewController::GetIniLocation() const {
    TkzError::instance().Precondition(!productName_.isEmpty(), u"no productname"_s,
                                      u"TkzFormViewController.GetIniLocation"_s);
    return RegistryStore::groupPath(u"\\Software\\"_s + companyName_ + u'\\' + productName_);
}

QString TkzFormViewController::section() const {
    return GetIniLocation() + u"/Form state for "_s + owner_.objectName();
}

void TkzFormViewController::Restore() {
    TkzError::instance().Precondition(owner_.isWindow(), u"owner is not a form"_s,
                                      u"TkzFormViewController.Restore"_s);
    const std::unique_ptr<QSettings> store = RegistryStore::open();
    store->beginGroup(section());
    const int state = readInteger(*store, u"WindowState"_s, storedStateOf(owner_));
    if (state == kMaximized) {
        owner_.setWindowState(owner_.windowState() | Qt::WindowMaximized);
        return;
    }
    const int width = readInteger(*store, u"Width"_s, owner_.width());
    const int height = readInteger(*store, u"Height"_s, owner_.height());
    const int top = readInteger(*store, u"Top"_s, owner_.y());
    const int left = readInteger(*store, u"Left"_s, owner_.x());
    owner_.setWindowState(state == kMinimized ? Qt::WindowMinimized : Qt::WindowNoState);
    owner_.move(left, top);
    owner_.resize(width, height);
}

void TkzFormViewController::Snapshot() {
    TkzError::instance().Precondition(owner_.isWindow(), u"owner is not a form"_s,
                                      u"TkzFormViewController.Snapshot"_s);
    const std::unique_ptr<QSettings> store = RegistryStore::open();
    store->beginGroup(section());
    if (!owner_.isMaximized()) {
        store->setValue(u"Left"_s, QString::number(owner_.x()));
        store->setValue(u"Top"_s, QString::number(owner_.y()));
        store->setValue(u"Width"_s, QString::number(owner_.width()));
        store->setValue(u"Height"_s, QString::number(owner_.height()));
    }
    store->setValue(u"WindowState"_s, QString::number(storedStateOf(owner_)));
}

}  // namespace qm
