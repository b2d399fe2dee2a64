#pragma once

#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "ui/window/MainWindowHarness.h"

#include <QStringList>

namespace qm::test {

/// One table setup of the sample project.
struct SampleSetup {
    QString name;
    QString key;
    QString table;
};

/// Customers, Orders and Lines, each with its own queries, key and target
/// table. Orders carries one lookup definition.
inline QList<SampleSetup> sampleSetups() {
    return {{QStringLiteral("Customers"), QStringLiteral("CustNo"), QStringLiteral("CUST")},
            {QStringLiteral("Orders"), QStringLiteral("OrderNo"), QStringLiteral("ORD")},
            {QStringLiteral("Lines"), QStringLiteral("OrderNo;LineNo"), QStringLiteral("LIN")}};
}

/// Shows the window, makes the sample project, saves it under `file` and
/// opens that file again, so the window works on the project as read back.
inline void openSampleProject(MainWindowHarness& h, const QString& file) {
    h.show();
    h.actions.execute(CommandId::PrjNew);
    MemData& tables = h.engine.TablesMemData();
    const TDM::TableFields& f = h.engine.tableFields();
    for (const SampleSetup& s : sampleSetups()) {
        if (tables.state() == ListState::Browse) {
            tables.edit();
        }
        tables.setAsText(f.Name, s.name);
        tables.setAsText(f.SourceQuerySQL, QStringLiteral("SELECT * FROM src_") + s.table);
        tables.setAsText(f.DestQuerySQL, QStringLiteral("SELECT * FROM ") + s.table);
        tables.setAsText(f.PrimaryKeySpec, s.key);
        tables.setAsText(f.DestTableName, s.table);
        tables.setAsBool(f.ScriptOn, true);
        tables.post();
        ProjectTableSetups::AddTableSetup(h.project()->PrjData(), tables);
    }
    auto* orders = static_cast<TFrameNodeData*>(h.project()->PrjData().GetItem(1));
    orders->AddObject(1).props().setString(QStringLiteral("LookupName"),
                                           QStringLiteral("CustomerName"));
    h.prompts.saveName = file;
    h.actions.execute(CommandId::PrjSaveAs);
    h.prompts.openName = file;
    h.actions.execute(CommandId::PrjOpen);
    h.settle();
}

/// The project's table setups by name, in node order.
inline QStringList projectNames(MainWindowHarness& h) {
    return ProjectTableSetups::Names(h.project()->PrjData());
}

/// The table-setup list's names and DisplayOrder values, in list order, as
/// "1 Customers" and so on.
inline QStringList listedSetups(MainWindowHarness& h) {
    MemData& tables = h.engine.TablesMemData();
    const TDM::TableFields& f = h.engine.tableFields();
    QStringList out;
    for (int pos = 0; pos < tables.recordCount(); ++pos) {
        out << QStringLiteral("%1 %2")
                   .arg(tables.valueAt(pos, f.DisplayOrder).asInt())
                   .arg(QString::fromUtf8(tables.valueAt(pos, f.Name).asBytes()));
    }
    return out;
}

/// listedSetups as the project should give it: "1 Customers", ...
inline QStringList numbered(const QStringList& names) {
    QStringList out;
    for (int i = 0; i < names.size(); ++i) {
        out << QStringLiteral("%1 %2").arg(i + 1).arg(names[i]);
    }
    return out;
}

}  // namespace qm::test
