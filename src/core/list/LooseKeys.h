#pragma once

#include "list/FieldType.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace qm {

class MemData;

/// Two keys that differ as stored can still be one key to the database that
/// runs the statements: SQLite's `=` finds an integer equal to a real of the
/// same value, and a column declared with COLLATE NOCASE or RTRIM finds 'a'
/// equal to 'A' or to 'a  '. A statement written for one such row would also
/// change the other, so a side whose keys meet this way cannot be compared
/// row by row. This finds such pairs, and only key columns whose database
/// compares loosely pay for it.
class LooseKeys {
public:
    /// SQLite's built-in collating sequences, and FoldCase: a PostgreSQL
    /// column that compares without letter case (citext, or a collation
    /// that is not deterministic), taken as comparing the texts' Unicode
    /// case folding. Any other one (an application's own) is unknown here
    /// and taken as BINARY.
    enum class Collation : std::uint8_t { Binary, NoCase, RTrim, FoldCase };
    /// The name a reader gives a column's collation for FoldCase; no SQLite
    /// collating sequence is named so.
    static QString foldCaseName();

    /// How the database compares the values of one key column.
    struct Rule {
        /// Values of several SQLite storage classes (a Variant column): an
        /// integer and a real are equal when their numbers are.
        bool numbers = false;
        /// How text values compare; blobs always compare byte by byte.
        Collation collation = Collation::Binary;
        /// A column of TEXT affinity: SQLite stores a number as its text and
        /// turns a number it is compared with into that text, so the integer
        /// 5 is the key '5' there.
        bool numbersAsText = false;
        bool loose() const { return numbers || collation != Collation::Binary; }
    };

    static Collation collationNamed(const QString& name);
    /// The rule for a list column of `type` read from a table column whose
    /// collation is `collation` (empty: BINARY) and whose affinity is TEXT
    /// or not.
    static Rule ruleFor(FieldType type, const QString& collation, bool textAffinity);

    /// Positions (first, second) of two rows of `list` whose values in
    /// `fields` the database treats as equal, the second after the first;
    /// nullopt when there are none. Rows with a null key value are left
    /// out, as the database never finds them by `=`. `rules` holds one rule
    /// per field.
    static std::optional<std::pair<int, int>> findEqualRows(const MemData& list,
                                                            const std::vector<int>& fields,
                                                            const std::vector<Rule>& rules);
};

}  // namespace qm
