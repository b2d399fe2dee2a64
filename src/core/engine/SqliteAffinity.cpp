#include "engine/SqliteAffinity.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

using namespace Qt::StringLiterals;

namespace qm::SqliteAffinityRules {

SqliteAffinity of(const QString& declaredType) {
    const QString t = declaredType.toUpper();
    if (t.contains(u"INT"_s)) {
        return SqliteAffinity::Integer;
    }
    if (t.contains(u"CHAR"_s) || t.contains(u"CLOB"_s) || t.contains(u"TEXT"_s)) {
        return SqliteAffinity::Text;
    }
    if (t.isEmpty() || t.contains(u"BLOB"_s)) {
        return SqliteAffinity::Blob;
    }
    if (t.contains(u"REAL"_s) || t.contains(u"FLOA"_s) || t.contains(u"DOUB"_s)) {
        return SqliteAffinity::Real;
    }
    return SqliteAffinity::Numeric;
}

namespace {

QString realText(double d) {
    // SQLite shows a real with an integral value with ".0".
    if (d == std::floor(d) && std::abs(d) < 1e15) {
        return QString::number(static_cast<qint64>(d)) + u".0"_s;
    }
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

bool keepsText(SqliteAffinity affinity, const QString& text, QString* stored) {
    if (affinity == SqliteAffinity::Text || affinity == SqliteAffinity::Blob) {
        return true;
    }
    // What SQLite reads as a number: blanks around it allowed, no hex.
    static const QRegularExpression integerRe(
        u"^[ \\t\\n\\v\\f\\r]*([+-]?[0-9]+)[ \\t\\n\\v\\f\\r]*$"_s);
    static const QRegularExpression realRe(
        u"^[ \\t\\n\\v\\f\\r]*([+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?)[ \\t\\n\\v\\f\\r]*$"_s);
    QString number;
    if (const auto m = integerRe.match(text); m.hasMatch()) {
        bool ok = false;
        const qint64 n = m.captured(1).toLongLong(&ok);
        if (ok && affinity != SqliteAffinity::Real) {
            number = QString::number(n);
        } else {
            number = realText(m.captured(1).toDouble());
        }
    } else if (const auto r = realRe.match(text); r.hasMatch()) {
        const double d = r.captured(1).toDouble();
        // Numeric and integer affinity keep an integral real as an integer
        // when no digit is lost.
        if (affinity != SqliteAffinity::Real && d == std::floor(d) && std::abs(d) < 9.2e18 &&
            static_cast<double>(static_cast<qint64>(d)) == d) {
            number = QString::number(static_cast<qint64>(d));
        } else {
            number = realText(d);
        }
    } else {
        return true;  // not a number: stored as the text
    }
    if (stored) {
        *stored = number;
    }
    return number == text;
}

}  // namespace qm::SqliteAffinityRules
