#include "engine/SqlLiteral.h"

#include "list/ValueText.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace qm {

SqlDialect dialectOfDriver(const QString& driverKind) {
    if (driverKind == u"SQLITE"_s) {
        return SqlDialect::SQLite;
    }
    if (driverKind == u"PSQL"_s || driverKind == u"POSTGRESQL"_s) {
        return SqlDialect::PostgreSQL;
    }
    if (driverKind == u"MYSQL"_s || driverKind == u"MARIADB"_s) {
        return SqlDialect::MySQL;
    }
    return SqlDialect::Generic;
}

namespace SqlLiteral {
namespace {

QString hexOf(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString floatLiteral(double d, SqlDialect dialect) {
    if (std::isfinite(d)) {
        return ValueText::floatToText(d);
    }
    if (dialect == SqlDialect::PostgreSQL) {
        return std::isnan(d) ? u"'NaN'"_s : (d > 0 ? u"'Infinity'"_s : u"'-Infinity'"_s);
    }
    if (std::isnan(d)) {
        return u"NULL"_s;  // no other dialect stores a NaN
    }
    return d > 0 ? u"9e999"_s : u"-9e999"_s;  // overflows to infinity where it is stored
}

}  // namespace

QString quoteText(const QString& text, SqlDialect dialect) {
    QString t = text;
    t.replace(u'\'', u"''"_s);
    if (dialect == SqlDialect::MySQL) {
        t.replace(u'\\', u"\\\\"_s);
    } else if (dialect == SqlDialect::PostgreSQL && t.contains(u'\\')) {
        // An escape string reads the same whatever standard_conforming_strings says.
        t.replace(u'\\', u"\\\\"_s);
        return u"E'"_s + t + u'\'';
    }
    return u'\'' + t + u'\'';
}

QString commentSafe(const QString& text) {
    QString t = text;
    t.replace(u"*/"_s, u"* /"_s);
    t.replace(u"/*"_s, u"/ *"_s);
    return t;
}

QString of(const Value& value, FieldType type, SqlDialect dialect) {
    if (value.isNull()) {
        return u"NULL"_s;
    }
    switch (storageClassOf(type)) {
        case StorageClass::Int:
            return QString::number(value.asInt());
        case StorageClass::Float:
            return floatLiteral(value.asFloat(), dialect);
        case StorageClass::Bool:
            if (dialect == SqlDialect::PostgreSQL) {
                return value.asBool() ? u"TRUE"_s : u"FALSE"_s;
            }
            return value.asBool() ? u"1"_s : u"0"_s;
        case StorageClass::Micros:
            return quoteText(ValueText::toText(value, type), dialect);
        case StorageClass::Bytes:
            break;
    }
    if (type == FieldType::BCD) {
        QByteArray canonical;
        const QString text = QString::fromLatin1(value.asBytes());
        // A number as the database gave it; anything else is quoted.
        return ValueText::canonicalDecimal(text, canonical) ? text.trimmed()
                                                            : quoteText(text, dialect);
    }
    if (isBinaryType(type)) {
        const QString hex = hexOf(value.asBytes());
        if (dialect == SqlDialect::PostgreSQL) {
            return u"decode('%1', 'hex')"_s.arg(hex);
        }
        return u"X'%1'"_s.arg(hex);
    }
    return quoteText(QString::fromUtf8(value.asBytes()), dialect);
}

}  // namespace SqlLiteral
}  // namespace qm
