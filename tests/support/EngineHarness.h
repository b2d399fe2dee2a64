#pragma once

#include "engine/TDM.h"
#include "support/FakeEngineView.h"
#include "support/QtPrinters.h"

#include <QString>
#include <QStringList>

namespace qm::test {

/// Creates the process's QCoreApplication on first call (database drivers
/// are plugins and want one); later calls do nothing.
void ensureCoreApplication();

/// A table name that no other test run on the same server uses.
QString uniqueTableName(const QString& stem);

/// One table setup: the two queries and the primary key spec.
struct TableSetup {
    QString sourceSql;
    QString targetSql;
    QString key;
};

/// An engine driven without a window, as the command-line tool drives it:
/// one table setup and one database setup, filled by the test.
class EngineHarness {
public:
    explicit EngineHarness(const QString& aliasFile);

    /// Sets (or replaces) the single table setup. Creating it closes both
    /// lists (the current table setup changes); changing it does not.
    void setTable(const TableSetup& setup);
    /// Sets (or replaces) the single database setup.
    void setAliases(const QString& sourceAlias, const QString& targetAlias);
    void configure(const QString& sourceAlias, const QString& targetAlias,
                   const TableSetup& setup) {
        setTable(setup);
        setAliases(sourceAlias, targetAlias);
    }

    /// OpenSource / OpenTarget; a SilentAbort (raised when connecting fails,
    /// after the message) is caught and reported as false.
    bool openSource();
    bool openTarget();
    /// Both sides, in the order given; false when either fails.
    bool openBoth(bool sourceFirst) {
        return sourceFirst ? openSource() && openTarget() : openTarget() && openSource();
    }

    /// The rows of a list in list order, each the texts of the named columns
    /// joined by "|". Booleans read "True"/"False", null the empty text.
    static QStringList rows(MemData& list, const QStringList& columns);
    /// Texts of one column, in list order.
    static QStringList column(MemData& list, const QString& name);
    /// Names of the list's columns in order.
    static QStringList columnNames(const MemData& list);

private:
    struct AppFirst {
        AppFirst() { ensureCoreApplication(); }
    } appFirst_;

public:
    FakeEngineView view;
    TDM dm;
};

}  // namespace qm::test
