#include "report/DontShowAgain.h"

#include "common/Errors.h"
#include "config/RegistryStore.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm::DontShowAgain {
namespace {

// The store key of a message, checked for blank specifiers.
QString keyOf(const QString& identifier, const QString& location, const char16_t* operation) {
    const QString id = reduce(identifier);
    const QString loc = reduce(location.isEmpty() ? defaultLocation() : location);
    if (id.isEmpty() || loc.isEmpty()) {
        throw Error(QString::fromUtf16(operation) + u" storage specifier blank"_s);
    }
    return loc + u'/' + id + u"/DontShow"_s;
}

}  // namespace

QString reduce(const QString& text) {
    QString out;
    for (QChar c : text) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) {
            out += c;
        }
    }
    return out;
}

QString defaultLocation() {
    QString title = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    title = title.section(u'.', 0, 0);
    if (title.size() > 1) {
        title = title.left(1) + title.mid(1).toLower();
    }
    return u"Software\\"_s + title + u"\\DSADialogs"_s;
}

bool suppressed(const QString& identifier, const QString& location) {
    const QString key = keyOf(identifier, location, u"DSAIdentsGetState");
    const auto store = RegistryStore::open();
    const QVariant value = store->value(key);
    if (!value.isValid()) {
        return false;
    }
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    if (ok) {
        return number != 0;
    }
    return value.toString().compare(u"true"_s, Qt::CaseInsensitive) == 0;
}

void setSuppressed(const QString& identifier, bool dontShow, const QString& location) {
    const QString key = keyOf(identifier, location, u"DSAIdentsSetState");
    const auto store = RegistryStore::open();
    store->setValue(key, dontShow ? u"1"_s : u"0"_s);
    store->sync();  // a failed write is ignored: the box shows again next time
}

BoxButton MessageDlgDSA(const QString& text, BoxKind kind, const QList<BoxButton>& buttons,
                        BoxButton defaultResult, const QString& identifier,
                        const QString& location) {
    const QString id = identifier.isEmpty() ? text : identifier;
    if (suppressed(id, location)) {
        return defaultResult;
    }
    BoxRequest box;
    box.kind = kind;
    box.text = text;
    box.buttons = buttons;
    box.dontShowAgainBox = true;
    const BoxAnswer answer = MessageBoxes::current().show(box);
    setSuppressed(id, answer.dontShowAgainTicked, location);
    return answer.button;
}

}  // namespace qm::DontShowAgain
