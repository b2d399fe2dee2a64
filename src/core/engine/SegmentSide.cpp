#include "engine/SegmentSide.h"

#include "db/Connection.h"
#include "db/StatementCutter.h"
#include "engine/SqlIdentifier.h"
#include "engine/SqlLiteral.h"

using namespace Qt::StringLiterals;

namespace qm {

QString SegmentSide::wrapped() const {
    // The statement alone, without a final ";" and the blanks or comments
    // after it; text of several statements is left for the database to
    // refuse.
    QString statement;
    int statements = 0;
    for (const QString& piece : cutStatements(query_)) {
        if (!statementBody(piece).isEmpty()) {
            statement = piece;
            ++statements;
        }
    }
    return u"(\n%1\n) AS q"_s.arg(statements == 1 ? statement : query_);
}

QString SegmentSide::segmentList(const SegmentFilter& filter) {
    QStringList items;
    items.reserve(static_cast<qsizetype>(filter.segments.size()));
    for (const std::uint64_t s : filter.segments) {
        items << QString::number(s);
    }
    return items.join(u',');
}

namespace {

QString maskOf(int bits) {
    return QString::number((std::uint64_t{1} << bits) - 1);
}

class SqliteSide final : public SegmentSide {
public:
    SqliteSide(Connection& connection, QString query)
        : SegmentSide(connection, std::move(query)), db_(SqliteRowHash::handle(connection)) {}

    bool summarizesOnAnyThread() const override { return true; }

    std::int64_t countRows() override {
        return SqliteRowHash::integerOf(db_, u"SELECT count(*) FROM "_s + wrapped());
    }

    SegmentSums summarize(int bits, const SegmentFilter* parent) override {
        QStringList args{QString::number(bits), QString::number(keys_.size())};
        args << keyColumns() << columns(compared_);
        QString sql =
            u"SELECT quillmere_segment_sums(%1) FROM %2"_s.arg(args.join(u", "_s), wrapped());
        if (parent != nullptr) {
            sql += u" WHERE "_s + condition(*parent);
        }
        return SqliteRowHash::segmentSums(db_, sql);
    }

    QString restrictedQuery(const SegmentFilter& filter) const override {
        return u"SELECT * FROM %1 WHERE %2"_s.arg(wrapped(), condition(filter));
    }

private:
    QStringList columns(const std::vector<int>& indexes) const {
        QStringList out;
        for (const int i : indexes) {
            out << u"q."_s + SqlIdentifier::of(fields_[static_cast<std::size_t>(i)].name,
                                               SqlDialect::SQLite);
        }
        return out;
    }
    // The key columns as the segment's hash reads them: a text folded to
    // upper case (ASCII, as NOCASE folds) and without trailing blanks where
    // the database compares it so.
    QStringList keyColumns() const {
        QStringList out = columns(keys_);
        for (qsizetype i = 0; i < out.size(); ++i) {
            const KeyText k = keyText_.at(static_cast<std::size_t>(i));
            QString text = out[i];
            if (k.rtrim) {
                text = u"rtrim(%1, ' ')"_s.arg(text);
            }
            if (k.noCase) {
                text = u"upper(%1)"_s.arg(text);
            }
            if (k.rtrim || k.noCase) {
                out[i] = u"CASE WHEN typeof(%1) = 'text' THEN %2 ELSE %1 END"_s.arg(out[i], text);
            }
        }
        return out;
    }
    QString condition(const SegmentFilter& filter) const {
        if (filter.segments.empty()) {
            return u"0"_s;
        }
        return u"quillmere_in_segments(%1, %2, %3)"_s.arg(
            SqliteRowHash::segmentListLiteral(filter.segments), QString::number(filter.bits),
            keyColumns().join(u", "_s));
    }

    sqlite3* db_;
};

class PgSide final : public SegmentSide {
public:
    PgSide(Connection& connection, QString query) : SegmentSide(connection, std::move(query)) {}

    std::int64_t countRows() override {
        Query query(connection_);
        query.setSql(u"SELECT count(*) FROM "_s + wrapped());
        query.open();
        return query.text(0).toLongLong();
    }

    SegmentSums summarize(int bits, const SegmentFilter* parent) override {
        // The sum of up to 2^63 signed 64-bit hashes, taken modulo 2^64 on
        // the server, so that the client compares two unsigned numbers.
        const QString mod = u"18446744073709551616::numeric"_s;
        QString sql =
            u"SELECT s.b, count(*), mod(mod(sum(s.h), %1) + %1, %1)::text FROM (SELECT t.kh & "
            "%2::bigint AS b, t.h FROM (SELECT %3 AS kh, %4 AS h FROM %5) AS t"_s.arg(
                mod, maskOf(bits), keyHash(), hashOf(compared_), wrapped());
        if (parent != nullptr) {
            sql += u" WHERE "_s + condition(*parent, u"t.kh"_s);
        }
        sql += u") AS s GROUP BY s.b ORDER BY s.b"_s;
        Query query(connection_);
        query.setSql(sql);
        query.open();
        auto pairs = std::make_shared<std::vector<std::uint64_t>>();
        SegmentSums sums;
        for (; !query.eof(); query.next()) {
            pairs->push_back(query.text(0).toULongLong());
            pairs->push_back(query.text(2).toULongLong());
            sums.rows += query.text(1).toULongLong();
        }
        query.close();
        sums.dense = false;
        sums.data = pairs->data();
        sums.count = pairs->size() / 2;
        sums.owner = pairs;
        return sums;
    }

    QString restrictedQuery(const SegmentFilter& filter) const override {
        return u"SELECT * FROM %1 WHERE %2"_s.arg(wrapped(), condition(filter, keyHash()));
    }

private:
    // The canonical form of one column's value (see the class comment).
    QString form(int index) const {
        const QueryField& f = fields_[static_cast<std::size_t>(index)];
        const QString c = u"q."_s + SqlIdentifier::of(f.name, SqlDialect::PostgreSQL);
        QString text;
        switch (f.type) {
            case FieldType::Float:
                text = u"encode(float8send(%1::float8), 'hex')"_s.arg(c);
                break;
            case FieldType::Blob:
                text = u"encode(%1, 'hex')"_s.arg(c);
                break;
            default:
                // concat() writes the type's output text; a cast to text
                // would drop the blanks that pad a char(n) value.
                text = u"concat(%1)"_s.arg(c);
                break;
        }
        return u"CASE WHEN %1 IS NULL THEN 'N' ELSE 'V' || length(%2) || ':' || %2 END"_s.arg(c,
                                                                                              text);
    }
    // The key's form for its segment: numbers the server finds equal
    // (1.0 and 1.00, -0 and 0) give the same text; any text as stored.
    QString keyHash() const {
        QStringList forms;
        for (const int i : keys_) {
            const QueryField& f = fields_[static_cast<std::size_t>(i)];
            const QString c = u"q."_s + SqlIdentifier::of(f.name, SqlDialect::PostgreSQL);
            QString text;
            if (f.type == FieldType::Float) {
                text = u"encode(float8send(%1::float8 + 0), 'hex')"_s.arg(c);
            } else if (f.type == FieldType::BCD) {
                // Numerics beyond a float8 share one segment.
                text =
                    u"CASE WHEN abs(%1) < 1e300 THEN encode(float8send(%1::float8 + 0), "
                    "'hex') ELSE 'big' END"_s.arg(c);
            } else {
                text = f.type == FieldType::Blob ? u"encode(%1, 'hex')"_s.arg(c)
                                                 : u"concat(%1)"_s.arg(c);
            }
            forms << u"CASE WHEN %1 IS NULL THEN 'N' ELSE 'V' || length(%2) || ':' || %2 END"_s.arg(
                c, text);
        }
        return hashText(forms);
    }
    QString hashOf(const std::vector<int>& indexes) const {
        QStringList forms;
        for (const int i : indexes) {
            forms << form(i);
        }
        return hashText(forms);
    }
    static QString hashText(QStringList forms) {
        if (forms.isEmpty()) {
            forms << u"''"_s;
        }
        return u"('x' || substr(md5(%1), 1, 16))::bit(64)::bigint"_s.arg(forms.join(u" || "_s));
    }
    static QString condition(const SegmentFilter& filter, const QString& keyHash) {
        if (filter.segments.empty()) {
            return u"false"_s;
        }
        return u"(%1 & %2::bigint) = ANY ('{%3}'::bigint[])"_s.arg(keyHash, maskOf(filter.bits),
                                                                   segmentList(filter));
    }
};

}  // namespace

std::unique_ptr<SegmentSide> SegmentSide::create(Connection& connection, const QString& query) {
    std::unique_ptr<SegmentSide> side;
    const SqlDialect dialect = dialectOfDriver(connection.driverKind());
    if (dialect == SqlDialect::SQLite) {
        SqliteRowHash::install(connection);
        side = std::make_unique<SqliteSide>(connection, query);
    } else if (dialect == SqlDialect::PostgreSQL) {
        side = std::make_unique<PgSide>(connection, query);
    } else {
        throw DatabaseError(u"Comparing inside the database needs SQLite or PostgreSQL"_s);
    }
    Query probe(connection);
    probe.setSql(u"SELECT * FROM %1 WHERE 1 = 0"_s.arg(side->wrapped()));
    probe.open();
    for (int i = 0; i < probe.fieldCount(); ++i) {
        side->fields_.push_back(probe.field(i));
    }
    probe.close();
    return side;
}

}  // namespace qm
