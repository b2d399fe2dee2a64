#include "common/TextFile.h"

#include "common/Errors.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace qm::TextFile {

QString decode(const QByteArray& bytes) {
    if (QByteArrayView(bytes).isValidUtf8()) {
        return QString::fromUtf8(bytes);
    }
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(static_cast<char16_t>(b));
    }
    return text;
}

QString read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(u"Cannot open file \"%1\": %2"_s.arg(path, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw Error(u"Cannot read file \"%1\": %2"_s.arg(path, file.errorString()));
    }
    return decode(bytes);
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // commit() alone does not notice a failed final flush, so check first and
    // keep the old file unless every byte was written.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, reason));
    }
    if (!file.commit()) {
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, file.errorString()));
    }
}

}  // namespace qm::TextFile
