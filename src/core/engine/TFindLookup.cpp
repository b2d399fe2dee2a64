#include "engine/TFindLookup.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TableSetupQuery.h"
#include "list/MemData.h"
#include "list/ValueText.h"
#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/QMObject.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QStringList columnNames(const Query& query) {
    QStringList names;
    for (int i = 0; i < query.fieldCount(); ++i) {
        names << query.field(i).name;
    }
    return names;
}

// The query text without what would stop it from standing inside another
// statement: trailing blanks and semicolons.
QString innerQuery(const QString& sql) {
    QString s = sql;
    while (!s.isEmpty() && (s.back().isSpace() || s.back() == u';')) {
        s.chop(1);
    }
    return s;
}

QString nameOf(TQMNodeData& node) {
    return node.Name();
}

}  // namespace

TFindLookup::TFindLookup(TPrjData& project, Connection& target)
    : project_(project), target_(target) {}

const QStringList& TFindLookup::keySuffixes() {
    static const QStringList suffixes = {u"ID"_s,     u"Key"_s, u"Ref"_s,   u"No"_s,
                                         u"Number"_s, u"Nr"_s,  u"Nummer"_s};
    return suffixes;
}

QString TFindLookup::StripSuffix(const QString& columnName, const QString& suffix) {
    if (suffix.isEmpty() || !columnName.contains(suffix, Qt::CaseSensitive)) {
        return {};
    }
    QString stem = columnName;
    stem.remove(suffix, Qt::CaseSensitive);
    return stem;
}

QString TFindLookup::GetStem(const QString& columnName) {
    for (const QString& suffix : keySuffixes()) {
        const QString stem = StripSuffix(columnName, suffix);
        if (!stem.isEmpty()) {
            return stem;
        }
    }
    return {};
}

TQMNodeData* TFindLookup::FindTableSetupByName(const QString& stem) const {
    for (int i = 0; i < project_.NodeCount(); ++i) {
        TQMNodeData* node = project_.GetItem(i);
        if (node && node->Name().compare(stem, Qt::CaseInsensitive) == 0) {
            return node;
        }
    }
    return nullptr;
}

QStringList TFindLookup::targetColumns(const QString& sql) {
    // Judged first as the text runs on its own: the wrapping must carry
    // nothing to the database that the plain query would not be allowed.
    readingStatement(sql, dialectOfDriver(target_.driverKind()));
    // Wrapped in a query that returns no rows, so that no row is read or
    // sorted; the text itself is not changed, so a WHERE or ORDER BY in it
    // stays valid. A database that refuses the wrapping (ORDER BY inside a
    // subquery, for one) gets the text as it is, judged again on its own.
    Query probe(target_);
    probe.setSql(u"SELECT * FROM (\r\n%1\r\n) AS q WHERE 1 = 0"_s.arg(innerQuery(sql)));
    try {
        probe.open();
        return columnNames(probe);
    } catch (const DatabaseError&) {
    }
    Query plain(target_);
    plain.setSql(sql);
    plain.open();
    return columnNames(plain);
}

QStringList TFindLookup::tableColumns(const QString& table) {
    Query probe(target_);
    probe.setSql(u"SELECT * FROM %1 WHERE 0 = 1"_s.arg(table));
    probe.open();
    return columnNames(probe);
}

std::vector<LookupProposal> TFindLookup::Discover(TFrameNodeData& tableSetup) {
    const QString ownTable = tableSetup.DestTableName();
    const QString ownName = nameOf(tableSetup);
    QStringList defined;
    for (int i = 0; i < tableSetup.ObjectCount(); ++i) {
        defined << tableSetup.Objects(i).props().getString(u"FieldName"_s);
    }
    const auto hasDefinition = [&defined](const QString& column) {
        return std::any_of(defined.begin(), defined.end(), [&column](const QString& d) {
            return d.compare(column, Qt::CaseInsensitive) == 0;
        });
    };
    std::vector<LookupProposal> proposals;
    const QString query =
        tableSetupQuery(tableSetup.props().getString(u"DestQuerySQL"_s), ownName, u"target"_s);
    for (const QString& column : targetColumns(query)) {
        const QString stem = GetStem(column);
        if (stem.isEmpty() || stem == ownTable || hasDefinition(column)) {
            continue;
        }
        TQMNodeData* referenced = FindTableSetupByName(stem);
        if (!referenced || referenced->DestTableName() == ownTable) {
            continue;
        }
        LookupProposal p;
        p.tableSetupName = ownName;
        p.fieldName = column;
        p.lookupName = stem + u"Lookup"_s;
        p.lookupTableName = referenced->DestTableName();
        for (const QString& c : tableColumns(p.lookupTableName)) {
            if (p.lookupKeyFieldName.isEmpty() &&
                c.compare(stem + u"ID"_s, Qt::CaseInsensitive) == 0) {
                p.lookupKeyFieldName = c;
            }
            if (p.lookupDisplayFieldName.isEmpty() &&
                c.compare(stem + u"Name"_s, Qt::CaseInsensitive) == 0) {
                p.lookupDisplayFieldName = c;
            }
        }
        if (!p.lookupKeyFieldName.isEmpty() && !p.lookupDisplayFieldName.isEmpty()) {
            proposals.push_back(p);
        }
    }
    // The review list shows a table setup's last column first.
    std::reverse(proposals.begin(), proposals.end());
    return proposals;
}

std::vector<LookupProposal> TFindLookup::Discover(const std::vector<int>& positions) {
    std::vector<int> sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    std::vector<LookupProposal> all;
    for (int position : sorted) {
        TQMNodeData* node = project_.GetItem(position);
        if (!node || node->nodeClass() != NodeClass::Frame) {
            continue;
        }
        const std::vector<LookupProposal> some = Discover(static_cast<TFrameNodeData&>(*node));
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

void TFindLookup::CreateProposalFields(MemData& list) {
    FieldDef enabled;
    enabled.name = u"Enabled"_s;
    enabled.type = FieldType::Boolean;
    enabled.displayLabel = u"Create"_s;
    list.addField(enabled);
    const std::pair<const char16_t*, const char16_t*> texts[] = {
        {u"TableSetupName", u"Table Setup"},
        {u"FieldName", u"Field Name"},
        {u"LookupName", u"Lookup Setup Name"},
        {u"LookupTableName", u"Lookup Table Name"},
        {u"LookupKeyFieldName", u"Lookup Key Field Name"},
        {u"LookupDisplayFieldName", u"Lookup Display Field Name"},
        {u"CustomLookupSQLQuery", u"Custom Lookup SQL Query"},
    };
    for (const auto& [name, label] : texts) {
        FieldDef f;
        f.name = QString::fromUtf16(name);
        f.type = FieldType::String;
        // Every name keeps its full length: a cut field name would name no
        // target column.
        f.size = 255;
        f.displayLabel = QString::fromUtf16(label);
        list.addField(f);
    }
}

void TFindLookup::FillList(MemData& list, const std::vector<LookupProposal>& proposals) {
    for (const LookupProposal& p : proposals) {
        list.append();
        list.setAsBool(list.fieldIndex(u"Enabled"_s), p.create);
        const std::pair<const char16_t*, const QString*> values[] = {
            {u"TableSetupName", &p.tableSetupName},
            {u"FieldName", &p.fieldName},
            {u"LookupName", &p.lookupName},
            {u"LookupTableName", &p.lookupTableName},
            {u"LookupKeyFieldName", &p.lookupKeyFieldName},
            {u"LookupDisplayFieldName", &p.lookupDisplayFieldName},
            {u"CustomLookupSQLQuery", &p.customLookupSQLQuery},
        };
        for (const auto& [name, value] : values) {
            list.setAsText(list.fieldIndex(QString::fromUtf16(name)), *value);
        }
        list.post();
    }
}

std::vector<LookupProposal> TFindLookup::ReadList(const MemData& list) {
    std::vector<LookupProposal> proposals;
    const auto text = [&list](int pos, const char16_t* name) {
        const int f = list.fieldIndex(QString::fromUtf16(name));
        const Value v = list.valueAt(pos, f);
        return ValueText::toText(v, FieldType::String);
    };
    const int enabled = list.fieldIndex(u"Enabled"_s);
    for (int pos = 0; pos < list.recordCount(); ++pos) {
        LookupProposal p;
        p.create = list.valueAt(pos, enabled).asBool();
        p.tableSetupName = text(pos, u"TableSetupName");
        p.fieldName = text(pos, u"FieldName");
        p.lookupName = text(pos, u"LookupName");
        p.lookupTableName = text(pos, u"LookupTableName");
        p.lookupKeyFieldName = text(pos, u"LookupKeyFieldName");
        p.lookupDisplayFieldName = text(pos, u"LookupDisplayFieldName");
        p.customLookupSQLQuery = text(pos, u"CustomLookupSQLQuery");
        proposals.push_back(p);
    }
    return proposals;
}

int TFindLookup::Apply(TPrjData& project, const std::vector<LookupProposal>& proposals) {
    // Every ticked proposal must find its table setup before any is made,
    // so that a renamed row leaves the project as it was.
    QStringList unknown;
    for (const LookupProposal& p : proposals) {
        if (!p.create) {
            continue;
        }
        TQMNodeData* node = project.nodeNamed(p.tableSetupName);
        if ((!node || node->nodeClass() != NodeClass::Frame) &&
            !unknown.contains(p.tableSetupName)) {
            unknown << p.tableSetupName;
        }
    }
    if (!unknown.isEmpty()) {
        QStringList quoted;
        for (const QString& name : unknown) {
            quoted << u"\"%1\""_s.arg(name);
        }
        throw Error(
            u"No lookup definition was created: the project has no table setup named "
            "%1."_s.arg(quoted.join(u", "_s)));
    }
    MemData values(u"NewLookupsMemData"_s);
    ProjectTableSetups::CreateLookupDefinitionFields(values);
    values.open();
    int created = 0;
    for (const LookupProposal& p : proposals) {
        if (!p.create) {
            continue;
        }
        values.append();
        values.setAsText(values.fieldIndex(u"LookupName"_s), p.lookupName);
        values.setAsText(values.fieldIndex(u"FieldName"_s), p.fieldName);
        values.setAsText(values.fieldIndex(u"LookupTableName"_s), p.lookupTableName);
        values.setAsText(values.fieldIndex(u"LookupKeyFieldName"_s), p.lookupKeyFieldName);
        values.setAsText(values.fieldIndex(u"LookupDisplayFieldName"_s), p.lookupDisplayFieldName);
        values.setAsText(values.fieldIndex(u"CustomLookupSQLQuery"_s), p.customLookupSQLQuery);
        values.post();
        auto& tableSetup = static_cast<TFrameNodeData&>(*project.nodeNamed(p.tableSetupName));
        ProjectTableSetups::AddLookupDefinition(tableSetup, values);
        ++created;
    }
    return created;
}

}  // namespace qm
