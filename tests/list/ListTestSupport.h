#pragma once

#include "list/MemData.h"
#include "list/ValueText.h"

#include <QString>
#include <memory>
#include <ostream>
#include <vector>

/// Readable failure output for Qt strings (found by argument lookup).
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace qm::test {

struct ColumnSpec {
    QString name;
    FieldType type = FieldType::String;
    FieldKind kind = FieldKind::Data;
};

/// A list with the given columns (after the hidden RecId), opened.
inline std::unique_ptr<MemData> openList(const QString& name, const std::vector<ColumnSpec>& cols) {
    auto list = std::make_unique<MemData>(name);
    for (const ColumnSpec& c : cols) {
        FieldDef def;
        def.name = c.name;
        def.type = c.type;
        def.size = hasSize(c.type) ? 40 : 0;
        def.kind = c.kind;
        list->addField(def);
    }
    list->open();
    return list;
}

/// Appends and posts one row; texts are given for columns 1, 2, ... in
/// order, and an empty text leaves the column null.
inline void appendTexts(MemData& list, const QStringList& texts) {
    list.append();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (!texts[i].isEmpty()) {
            list.setAsText(static_cast<int>(i) + 1, texts[i]);
        }
    }
    list.post();
}

/// The column's values as text, one per row in list order.
inline QStringList columnTexts(const MemData& list, int f) {
    QStringList r;
    for (int p = 0; p < list.recordCount(); ++p) {
        r << ValueText::toText(list.valueAt(p, f), list.field(f).type);
    }
    return r;
}

/// RecIds of all rows in list order.
inline std::vector<int> recIds(const MemData& list) {
    std::vector<int> r;
    for (int p = 0; p < list.recordCount(); ++p) {
        r.push_back(list.recIdAt(p));
    }
    return r;
}

}  // namespace qm::test
