#pragma once

#include <QString>
#include <QStringList>

namespace qm {

class TDM;

/// The columns of the current table setup that comparison rules can name,
/// with its key columns among them: what the comparison-rules dialog lists.
struct TableSetupColumns {
    /// Column names in query order.
    QStringList names;
    /// Those of `names` that are key columns (matched by key, never
    /// compared under rules).
    QStringList keys;
    /// Why the target query's columns could not be read (the database's
    /// message); empty when they were, or when connecting failed (its
    /// message has been shown already).
    QString failure;

    /// The data columns of the open target list, or of the open source list
    /// while only that side is open; otherwise those of the target query,
    /// read without its rows (see readTargetQuery).
    static TableSetupColumns of(TDM& engine);
    /// Connects the target the way opening it does and runs the current
    /// table setup's target query only as far as its first row, to learn its
    /// column names. No list is touched. A failure leaves `names` empty.
    static TableSetupColumns readTargetQuery(TDM& engine);
    /// Whether `name` is one of the key fields of `keySpec`, as the engine
    /// matches them: a spec without ";" names one field, blanks included;
    /// letter case does not count.
    static bool isKeyColumn(const QString& keySpec, const QString& name);
};

}  // namespace qm
