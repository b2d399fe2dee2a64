// Lookup columns of the target list: the definitions of the current table
// setup and the display columns they add.
#include "common/Errors.h"
#include "engine/TDM.h"
#include "list/LookupSource.h"
#include "list/ValueText.h"
#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/QMObject.h"
#include "project/QMUtils.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString lookupColumnName(const QString& fieldName) {
    return fieldName + u"_Lookup"_s;
}

}  // namespace

void TDM::ProjectClosed() {
    project_ = nullptr;
    autoLookupMemData_.close();
}

void TDM::LoadLookupDefinitions() {
    if (!project_) {
        return;
    }
    MemData& l = autoLookupMemData_;
    l.close();
    l.open();
    if (!tablesMemData_.isOpen()) {
        return;
    }
    // The table-setup list holds the project's table setups in node order;
    // a name that disagrees (a list edited past the project) is looked up.
    const int position = tablesMemData_.position();
    TQMNodeData* node =
        position >= 0 && position < project_->NodeCount() ? project_->GetItem(position) : nullptr;
    const QString name = tablesMemData_.asText(tf_.Name);
    if (!node || node->Name() != name) {
        node = project_->nodeNamed(name);
    }
    if (!node || node->nodeClass() != NodeClass::Frame) {
        return;
    }
    auto& tableSetup = static_cast<TFrameNodeData&>(*node);
    for (int i = 0; i < tableSetup.ObjectCount(); ++i) {
        l.append();
        TQMUtils::PropsToDataSet(tableSetup.Objects(i).props(), l);
        l.post();
    }
}

void TDM::chooseLookupColumns() {
    chosenLookups_.clear();
    MemData& l = autoLookupMemData_;
    if (!l.isOpen() || !lookupColumnsWanted_) {
        return;
    }
    const int lookupName = l.fieldIndex(u"LookupName"_s);
    const int fieldName = l.fieldIndex(u"FieldName"_s);
    // In the order the definitions were made (RecId), whatever their names.
    std::vector<std::pair<int, int>> rows;  // RecId, position
    for (int p = 0; p < l.recordCount(); ++p) {
        rows.emplace_back(l.recIdAt(p), p);
    }
    std::sort(rows.begin(), rows.end());
    std::unordered_map<QString, QString> takenBy;  // column name (upper) -> lookup name
    for (const auto& [recId, p] : rows) {
        if (const auto read = lookupSources_.find(recId);
            read != lookupSources_.end() && !read->second) {
            continue;  // its lookup query failed and was reported
        }
        const QString field = ValueText::toText(l.valueAt(p, fieldName), FieldType::String);
        const QString name = ValueText::toText(l.valueAt(p, lookupName), FieldType::String);
        const QString key = field.toUpper();
        const int column = destQuery_.findField(field);
        if (field.isEmpty() || column < 0 || !isUsableType(destQuery_.field(column).type)) {
            messages_.showError(
                u"The lookup \"%1\" is left out: the target query has no column \"%2\"."_s.arg(
                    name, field));
        } else if (const auto it = takenBy.find(key); it != takenBy.end()) {
            messages_.showError(
                u"The lookup \"%1\" is left out: the lookup \"%2\" already shows a value beside "
                "the column \"%3\"."_s.arg(name, it->second, field));
        } else if (destQuery_.findField(lookupColumnName(field)) >= 0) {
            messages_.showError(
                u"The lookup \"%1\" is left out: the target query already has a column \"%2\"."_s
                    .arg(name, lookupColumnName(field)));
        } else {
            takenBy.emplace(key, name);
            chosenLookups_.emplace(key, recId);
        }
    }
}

void TDM::addLookupColumnsFor(const QString& fieldName) {
    const auto it = chosenLookups_.find(fieldName.toUpper());
    if (it == chosenLookups_.end()) {
        return;
    }
    MemData& l = autoLookupMemData_;
    const int pos = l.positionOfRecId(it->second);
    if (pos < 0) {
        return;
    }
    l.moveTo(pos);
    AddLookupColumn();
}

void TDM::readLookupSources() {
    lookupSources_.clear();
    MemData& l = autoLookupMemData_;
    if (!l.isOpen() || !lookupColumnsWanted_) {
        return;
    }
    for (int p = 0; p < l.recordCount(); ++p) {
        l.moveTo(p);
        lookupSources_[l.recIdAt(p)] = readLookupSource();
    }
}

std::shared_ptr<LookupSource> TDM::readLookupSource() {
    MemData& l = autoLookupMemData_;
    const auto text = [&l](const QString& name) { return l.asText(l.fieldIndex(name)); };
    const QString field = text(u"FieldName"_s);
    const QString sql = u"SELECT %1, %2 FROM %3"_s.arg(text(u"LookupKeyFieldName"_s),
                                                       text(u"LookupDisplayFieldName"_s),
                                                       text(u"LookupTableName"_s));
    auto source = std::make_shared<LookupSource>();
    try {
        Query query(destDatabase_);
        query.setSql(sql);
        query.open();
        if (query.fieldCount() < 2) {
            throw DatabaseError(u"The lookup query returns fewer than two columns"_s);
        }
        source->setDisplaySize(query.field(1).size);
        std::size_t read = 0;
        while (!query.eof()) {
            if (++read % 100000 == 0) {
                busyPort().progress(u"Loading lookup %1: %2 rows"_s.arg(field).arg(read));
            }
            source->add(query.value(0), query.field(0).type, query.value(1), query.field(1).type);
            query.next();
        }
    } catch (const Error& e) {
        // What the database refuses (a table or column it does not know) and
        // a value it cannot hand over leave this column out; the target opens.
        if (!dynamic_cast<const DatabaseError*>(&e) && !dynamic_cast<const ConversionError*>(&e)) {
            throw;
        }
        messages_.showError(
            u"Unable to add lookup field \"%1\". \r\n\r\nThere is probably a problem with some "
            "of the fields or the table. The lookup query \"%2\" could not be opened. (System "
            "message: %3)"_s.arg(text(u"LookupName"_s), sql, e.message()));
        return nullptr;
    }
    return source;
}

void TDM::AddLookupColumn() {
    MemData& l = autoLookupMemData_;
    const auto read = lookupSources_.find(l.recIdAt(l.position()));
    std::shared_ptr<LookupSource> source =
        read != lookupSources_.end() ? read->second : readLookupSource();
    if (!source) {
        return;
    }
    const QString field = l.asText(l.fieldIndex(u"FieldName"_s));
    FieldDef f;
    f.name = lookupColumnName(field);
    f.type = FieldType::String;
    f.size = source->displaySize() > 0 ? source->displaySize() : 255;
    f.kind = FieldKind::Lookup;
    f.tag = 0;
    f.keyFields = field;
    f.lookupKeyFields = l.asText(l.fieldIndex(u"LookupKeyFieldName"_s));
    f.lookupResultField = l.asText(l.fieldIndex(u"LookupDisplayFieldName"_s));
    f.lookupSource = std::move(source);
    destMemData_.addField(f);
}

}  // namespace qm
