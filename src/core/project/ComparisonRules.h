#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace qm {

/// To what a date-time (or time) value is cut before two are compared.
enum class TimePrecision { Exact, Second, Minute, Day };

/// What counts as a difference in one column. The default rule is the exact
/// comparison: every flag off, no tolerance, exact time.
struct ColumnRule {
    /// The column is neither compared nor written by an UPDATE.
    bool ignore = false;
    /// Text: letter case does not count.
    bool ignoreCase = false;
    /// Text: leading and trailing blanks do not count.
    bool trimBlanks = false;
    /// Text: NULL equals the empty text.
    bool nullIsEmpty = false;
    /// Numbers: equal when |a - b| <= absTolerance.
    std::optional<double> absTolerance;
    /// Numbers: equal when |a - b| <= relTolerance * max(|a|, |b|).
    std::optional<double> relTolerance;
    /// Date-times: equal when they agree to this precision.
    TimePrecision time = TimePrecision::Exact;

    bool isExact() const { return *this == ColumnRule(); }
    /// Whether any rule loosens what equal means (anything but ignore).
    bool loosens() const {
        return ignoreCase || trimBlanks || nullIsEmpty || absTolerance || relTolerance ||
               time != TimePrecision::Exact;
    }
    bool operator==(const ColumnRule&) const = default;
};

/// The comparison rules of one table setup: one rule for all columns and
/// rules for single columns. A column's own rule replaces the rule for all
/// columns as a whole (so `exact` for one column undoes the others' rule).
/// Column names match regardless of letter case, as the lists find columns.
///
/// The text form, as the project file stores it, is a list of entries
/// separated by `;`, each `COLUMN: WORD WORD ...`, where COLUMN is `*` for
/// all columns or a column name (in double quotes, with `""` for a quote,
/// when it holds `;`, `:`, `"`, `*` or blanks at its ends), and the words are
///   ignore  nocase  trim  nullempty  abs=NUMBER  rel=NUMBER
///   time=second|minute|day  exact
/// for example `*: nocase trim; updated_at: ignore; price: abs=0.005`.
class ComparisonRules {
public:
    /// The rule for all columns.
    ColumnRule all;
    /// Rules of single columns, in the order they were given; names unique
    /// regardless of letter case.
    std::vector<std::pair<QString, ColumnRule>> columns;

    /// No rule at all: every column compared exactly.
    bool isEmpty() const;
    /// The rule that applies to the column with this name.
    const ColumnRule& forColumn(const QString& name) const;
    /// Sets (or, with the exact rule given and no rule for all columns,
    /// removes) the column's own rule.
    void setColumn(const QString& name, const ColumnRule& rule);
    /// Removes the column's own rule, so that the rule for all applies.
    void clearColumn(const QString& name);
    /// Whether any column's rule (or the rule for all) has a tolerance or
    /// loosens as `pred` says.
    bool any(bool (*pred)(const ColumnRule&)) const;

    /// The text form; empty for no rules. parse(toText()) == *this.
    QString toText() const;
    /// Reads the text form. A word that is unknown or malformed raises
    /// Error with a message naming the table setup and the rule.
    static ComparisonRules parse(const QString& text, const QString& tableSetupName);
    /// The words of one rule (without a column), e.g. "nocase trim abs=0.5";
    /// "exact" for the exact rule.
    static QString ruleText(const ColumnRule& rule);
    /// Reads the words of one rule, as parse does for an entry.
    static ColumnRule parseRule(const QString& words, const QString& tableSetupName,
                                const QString& column);

    /// A tolerance as text gives it: a finite number of 0 or more in C
    /// notation, blanks around it allowed; nullopt for anything else.
    static std::optional<double> toleranceOf(const QString& text);
    /// A tolerance in the text form: the shortest text that reads back equal.
    static QString toleranceText(double tolerance);
    /// "second", "minute" or "day" in any letter case; nullopt for anything else.
    static std::optional<TimePrecision> precisionOf(const QString& word);

    bool operator==(const ComparisonRules&) const = default;
};

}  // namespace qm
