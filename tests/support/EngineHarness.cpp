#include "support/EngineHarness.h"

#include "common/Errors.h"
#include "list/ValueText.h"

#include <QCoreApplication>
#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm::test {

void ensureCoreApplication() {
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "quillmere-tests";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QCoreApplication> app;
    app = std::make_unique<QCoreApplication>(argc, argv);
}

QString uniqueTableName(const QString& stem) {
    static std::atomic<int> counter{0};
    return u"%1_%2_%3"_s.arg(stem).arg(QCoreApplication::applicationPid()).arg(++counter);
}

EngineHarness::EngineHarness(const QString& aliasFile) : dm(view.ports(), view) {
    dm.session().setAliasFilePath(aliasFile);
    dm.session().setLoginPrompt(&view);
}

void EngineHarness::setTable(const TableSetup& setup) {
    MemData& t = dm.TablesMemData();
    const TDM::TableFields& tf = dm.tableFields();
    t.open();
    if (t.recordCount() == 0) {
        t.append();
        t.setAsText(tf.Name, u"test"_s);
    } else {
        t.edit();  // the only row is current; moving would close both lists
    }
    t.setAsText(tf.SourceQuerySQL, setup.sourceSql);
    t.setAsText(tf.DestQuerySQL, setup.targetSql);
    t.setAsText(tf.PrimaryKeySpec, setup.key);
    t.post();
}

void EngineHarness::setAliases(const QString& sourceAlias, const QString& targetAlias) {
    MemData& d = dm.DBSetupMemData();
    d.open();
    if (d.recordCount() == 0) {
        d.append();
    } else {
        d.first();
        d.edit();
    }
    d.setAsText(dm.sourceDBAliasField(), sourceAlias);
    d.setAsText(dm.destDBAliasField(), targetAlias);
    d.post();
}

bool EngineHarness::openSource() {
    try {
        return dm.OpenSource().opened;
    } catch (const SilentAbort&) {
        return false;
    }
}

bool EngineHarness::openTarget() {
    try {
        return dm.OpenTarget().opened;
    } catch (const SilentAbort&) {
        return false;
    }
}

QStringList EngineHarness::rows(MemData& list, const QStringList& columns) {
    QStringList out;
    if (!list.isOpen()) {
        return out;
    }
    std::vector<int> fields;
    for (const QString& c : columns) {
        fields.push_back(list.fieldIndex(c));
    }
    for (int p = 0; p < list.recordCount(); ++p) {
        QStringList texts;
        for (const int f : fields) {
            texts << ValueText::toText(list.valueAt(p, f), list.field(f).type);
        }
        out << texts.join(u'|');
    }
    return out;
}

QStringList EngineHarness::column(MemData& list, const QString& name) {
    return rows(list, {name});
}

QStringList EngineHarness::columnNames(const MemData& list) {
    QStringList names;
    for (int i = 0; i < list.fieldCount(); ++i) {
        names << list.field(i).name;
    }
    return names;
}

}  // namespace qm::test
