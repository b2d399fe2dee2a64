#include "ini/CustomFastIniFile.h"

#include <QRegularExpression>
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

// The locale's short date format with four-digit years. Many locales use
// "yy", which QLocale reads back as 19yy: a date written in 2024 would come
// back a century early.
QString dateFormat(const QLocale& locale) {
    QString f = locale.dateFormat(QLocale::ShortFormat);
    if (!f.contains(u"yyyy"_s)) {
        static const QRegularExpression twoDigitYear(u"(?<!y)yy(?!y)"_s);
        f.replace(twoDigitYear, u"yyyy"_s);
    }
    return f;
}

QString dateTimeFormat(const QLocale& locale) {
    return dateFormat(locale) + u' ' + timeFormat(locale);
}

// A date in the locale's own short format, for texts with two-digit years
// written by other programs. The year is taken within 50 years of today.
QDate readShortDate(const QLocale& locale, const QString& text) {
    const QString own = locale.dateFormat(QLocale::ShortFormat);
    if (own == dateFormat(locale)) {
        return {};
    }
    QDate d = locale.toDate(text, own);
    if (d.isValid() && d.year() < QDate::currentDate().year() - 50) {
        d = d.addYears(100);
    }
    return d;
}

QDate readDate(const QLocale& locale, const QString& text) {
    const QDate d = locale.toDate(text, dateFormat(locale));
    return d.isValid() ? d : readShortDate(locale, text);
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

bool TCustomFastIniFile::parseInteger(const QString& input, int& value) {
    QString text = input;
    if (text.size() > 2 && (text.startsWith(u"0x"_s) || text.startsWith(u"0X"_s))) {
        text = u'$' + text.mid(2);
    }
    if (text.startsWith(u'$')) {
        // Hexadecimal numbers are 32-bit patterns: $FFFFFFFF is -1. Every
        // character is checked here: toULongLong would also take blanks, a
        // sign or a second "0x".
        qsizetype first = 1;
        if (first == text.size()) {
            return false;
        }
        for (qsizetype j = first; j < text.size(); ++j) {
            if (!isHexDigit(text.at(j))) {
                return false;
            }
        }
        while (first + 1 < text.size() && text.at(first) == u'0') {
            ++first;  // leading zeros do not count towards the eight digits
        }
        if (text.size() - first > 8) {
            return false;
        }
        bool ok = false;
        const qulonglong bits = text.mid(first).toULongLong(&ok, 16);
        if (!ok) {
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
    const QDate d = readDate(locale_, text);
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
        const QString own = locale_.dateFormat(QLocale::ShortFormat) + u' ' + timeFormat(locale_);
        d = locale_.toDateTime(text, own);
        if (d.isValid() && d.date().year() < QDate::currentDate().year() - 50) {
            d = d.addYears(100);
        }
    }
    if (!d.isValid()) {
        // A date written without a time of day.
        const QDate date = readDate(locale_, text);
        if (date.isValid()) {
            d = QDateTime(date, QTime(0, 0));
        }
    }
    return d.isValid() ? d : def;
}

double TCustomFastIniFile::ReadFloat(const QString& section, const QString& key, double def) const {
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

void TCustomFastIniFile::WriteDate(const QString& section, const QString& key, const QDate& value) {
    WriteString(section, key, locale_.toString(value, dateFormat(locale_)));
}

void TCustomFastIniFile::WriteDateTime(const QString& section, const QString& key,
                                       const QDateTime& value) {
    WriteString(section, key, locale_.toString(value, dateTimeFormat(locale_)));
}

void TCustomFastIniFile::WriteFloat(const QString& section, const QString& key, double value) {
    // Fifteen significant digits and no group separators, the way the
    // earlier program wrote floating-point values.
    QLocale plain = locale_;
    plain.setNumberOptions(locale_.numberOptions() | QLocale::OmitGroupSeparator);
    WriteString(section, key, plain.toString(value, 'g', 15));
}

void TCustomFastIniFile::WriteTime(const QString& section, const QString& key, const QTime& value) {
    WriteString(section, key, locale_.toString(value, timeFormat(locale_)));
}

}  // namespace qm
