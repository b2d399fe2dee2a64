#include "ini/CustomFastIniFile.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The locale's long time format without the time zone, which no stored
// value carries.
QString timeFormat(const QLocale& locale) {
    QString f = locale.timeFormat(QLocale::LongFormat);
    f.remove(u't');
    return f.trimmed();
}

QString dateTimeFormat(const QLocale& locale) {
    return locale.dateFormat(QLocale::ShortFormat) + u' ' + timeFormat(locale);
}

}  // namespace

bool TCustomFastIniFile::parseInteger(const QString& input, int& value) {
    QString text = input;
    if (text.size() > 2 && (text.startsWith(u"0x"_s) || text.startsWith(u"0X"_s))) {
        text = u'$' + text.mid(2);
    }
    if (text.startsWith(u'$')) {
        // Hexadecimal numbers are 32-bit patterns: $FFFFFFFF is -1.
        if (text.size() < 2 || text.size() > 9) {
            return false;
        }
        bool ok = false;
        const qulonglong bits = text.mid(1).toULongLong(&ok, 16);
        if (!ok || text.at(1) == u'+' || text.at(1) == u'-') {
            return false;
        }
        value = static_cast<int>(static_cast<quint32>(bits));
        return true;
    }
    // Only sign and ASCII digits: toLongLong alone would accept blanks.
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text.at(j) < u'0' || text.at(j) > u'9') {
            return false;
        }
    }
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok, 10);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()) {
        return false;
    }
    value = static_cast<int>(n);
    return true;
}

int TCustomFastIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    int value = 0;
    return parseInteger(ReadString(section, key, QString()), value) ? value : def;
}

void TCustomFastIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

bool TCustomFastIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TCustomFastIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? u"1"_s : u"0"_s);
}

QDate TCustomFastIniFile::ReadDate(const QString& section, const QString& key,
                                   const QDate& def) const {
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty()) {
        return def;
    }
    const QDate d = locale_.toDate(text, QLocale::ShortFormat);
    return d.isValid() ? d : def;
}

QDateTime TCustomFastIniFile::ReadDateTime(const QString& section, const QString& key,
                                           const QDateTime& def) const {
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty()) {
        return def;
    }
    QDateTime d = locale_.toDateTime(text, dateTimeFormat(locale_));
    if (!d.isValid()) {
        // A date written without a time of day.
        const QDate date = locale_.toDate(text, QLocale::ShortFormat);
        if (date.isValid()) {
            d = QDateTime(date, QTime(0, 0));
        }
    }
    return d.isValid() ? d : def;
}

double TCustomFastIniFile::ReadFloat(const QString& section, const QString& key,
                                     double def) const {
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty()) {
        return def;
    }
    bool ok = false;
    const double d = locale_.toDouble(text, &ok);
    return ok ? d : def;
}

QTime TCustomFastIniFile::ReadTime(const QString& section, const QString& key,
                                   const QTime& def) const {
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty()) {
        return def;
    }
    QTime t = locale_.toTime(text, timeFormat(locale_));
    if (!t.isValid()) {
        t = locale_.toTime(text, QLocale::ShortFormat);
    }
    return t.isValid() ? t : def;
}

void TCustomFastIniFile::WriteDate(const QString& section, const QString& key,
                                   const QDate& value) {
    WriteString(section, key, locale_.toString(value, QLocale::ShortFormat));
}

void TCustomFastIniFile::WriteDateTime(const QString& section, const QString& key,
                                       const QDateTime& value) {
    WriteString(section, key, locale_.toString(value, dateTimeFormat(locale_)));
}

void TCustomFastIniFile::WriteFloat(const QString& section, const QString& key, double value) {
    WriteString(section, key, locale_.toString(value, 'g', 15));
}

void TCustomFastIniFile::WriteTime(const QString& section, const QString& key,
                                   const QTime& value) {
    WriteString(section, key, locale_.toString(value, timeFormat(locale_)));
}

}  // namespace qm
