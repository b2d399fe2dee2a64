#pragma once

#include "list/FieldType.h"
#include "list/Value.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace qm {

class MemData;
class MessageViewer;

/// Key columns of two lists, resolved once for a run over many rows.
struct KeyPlan {
    QString spec;
    QStringList names;               // the key columns' names as messages show them
    std::vector<int> keyListFields;  // -1 where missing
    std::vector<int> listFields;     // -1 where missing
};

/// Matches rows of two lists by the table setup's key: the comparison's own
/// key rule, which converts a key value into the other list's column type
/// (see convertKey) and finds it through the list's key index.
class KeyMatcher {
public:
    /// Key problems of a search that is not tolerant are shown through
    /// `messages`, then the search raises SilentAbort.
    explicit KeyMatcher(MessageViewer& messages) : messages_(messages) {}

    /// The key columns named by `keySpec` (one name, or several separated
    /// by ";"; a single key names its column by the whole spec) in both lists.
    static KeyPlan plan(const MemData& list, const MemData& keyList, const QString& keySpec);
    /// Position of the row of `list` whose key equals that of row `keyPos`
    /// of `keyList`; -1 if none. Unless tolerant, a missing key column or a
    /// null key value is shown and aborts silently.
    int matchRow(const MemData& list, const MemData& keyList, int keyPos, const KeyPlan& plan,
                 bool tolerant);
    /// The key text of a value converted to another column's type. Where the
    /// text round trip cannot change the value, the value is used as it is.
    /// Numbers keep their value across integer, float and fixed-point
    /// columns; a number that no value of the column can equal gives nothing.
    static std::optional<Value> convertKey(const ValueRef& v, FieldType from, FieldType to);
    /// Whether a source key value, copied into a target key column as
    /// `copied`, is still the same key for the comparison.
    static bool keepsKey(const ValueRef& source, FieldType from, const Value& copied, FieldType to);
    /// Shows the text and raises SilentAbort.
    [[noreturn]] void refuse(const QString& text);

private:
    MessageViewer& messages_;
    std::vector<Value> values_;  // matchRow's key values, kept between calls
};

}  // namespace qm
