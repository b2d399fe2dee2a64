#include "engine/AdHocQuery.h"

#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "db/Query.h"
#include "engine/TDM.h"
#include "list/Frozen.h"

#include <QSet>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm {

AdHocQuery::AdHocQuery() {
    result_.setReadOnly(true);
}

AdHocQuery::~AdHocQuery() = default;

void AdHocQuery::Close() {
    result_.close();
    for (int i = result_.fieldCount() - 1; i > 0; --i) {
        result_.removeField(i);
    }
}

qsizetype AdHocQuery::Run(TDM& engine, Side side, const QString& sql) {
    Close();
    if (side == Side::Source) {
        engine.ConnectSource();
    } else {
        engine.ConnectTarget();
    }
    Connection& connection = side == Side::Source ? engine.SourceDatabase() : engine.DestDatabase();
    // The busy cursor only once connected: a failed connection has shown
    // its message already.
    BusyPort* busy = engine.ports().busy;
    if (busy) {
        busy->beginBusy();
    }
    Finally idle([busy] {
        if (busy) {
            busy->endBusy();
        }
    });
    // The query lives only while its rows are read; the list keeps them.
    auto query = std::make_unique<Query>(connection);
    try {
        query->setSql(sql);
        query->open();
        std::vector<int> listFields;
        buildColumns(*query, listFields);
        Finally clearProgress([&engine] { engine.reportProgress(QString()); });
        {
            // One reset of the grid at the end, not a notice per row.
            Frozen frozen(result_);
            result_.open();
            loadRows(*query, listFields, engine);
        }
    } catch (...) {
        query.reset();
        Close();
        throw;
    }
    return result_.recordCount();
}

void AdHocQuery::buildColumns(const Query& query, std::vector<int>& listFields) {
    // Names compared without regard to case, as the list finds its fields.
    QSet<QString> taken;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const QueryField& q = query.field(i);
        if (!isUsableType(q.type)) {
            throw Error(u"Field '%1' has a data type that cannot be shown (%2)"_s.arg(
                q.name, fieldTypeName(q.type)));
        }
        QString name = q.name;
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n) {
            name = u"%1_%2"_s.arg(q.name).arg(n);
        }
        taken.insert(name.toCaseFolded());
        FieldDef f;
        f.name = name;
        f.displayLabel = q.name;
        f.type = q.type;
        f.size = q.size;
        listFields.push_back(result_.addField(f));
    }
}

void AdHocQuery::loadRows(Query& query, const std::vector<int>& listFields, TDM& engine) {
    std::vector<int> storeCols;
    storeCols.reserve(listFields.size());
    for (const int f : listFields) {
        storeCols.push_back(result_.storeColumn(f));
    }
    std::size_t loaded = 0;
    while (!query.eof()) {
        if (++loaded % 100000 == 0) {
            engine.reportProgress(u"Loading query result: %1 rows"_s.arg(loaded));
        }
        const std::uint32_t row = result_.beginRawRow();
        for (;;) {
            try {
                query.readRow(result_.rawStore(), row, storeCols);
                break;
            } catch (const FieldNeedsVariant& e) {
                // A SQLite value of another storage class than its column's
                // type: the column keeps every value with its own class.
                query.widenField(e.field());
                result_.widenToVariant(listFields[static_cast<std::size_t>(e.field())]);
            }
        }
        result_.commitRawRow(row);
        query.next();
    }
    result_.first();
}

}  // namespace qm
