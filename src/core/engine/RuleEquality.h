#pragma once

#include "engine/ValueEquality.h"
#include "project/ComparisonRules.h"

namespace qm {

/// Whether two values are equal under a column's comparison rule. The exact
/// rule is ValueEquality::equalQuick itself. A looser rule makes more pairs
/// equal, never fewer: values equal exactly stay equal, and each part of
/// the rule only reaches the values it is about:
///  - nocase, trim, nullempty: two text values (or a text and a null, for
///    nullempty) compared after folding case and cutting the blanks
///    (space, tab, CR, LF) at both ends; NULL counts as the empty text;
///  - abs, rel: two numbers (integer, float, fixed-point) within the
///    tolerance, either tolerance enough; NULL still equals only NULL;
///  - time: two date-times, times or dates (or texts that read as such, as
///    SQLite keeps them) equal once both are cut (not rounded) to the second,
///    the minute or the day.
/// Where no part applies the exact answer stands, conversion errors included.
bool equalUnderLooseRule(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB,
                         const ColumnRule& rule);

/// equalUnderLooseRule, or the exact comparison when the rule loosens
/// nothing; callers over many rows decide `loose` once per column.
inline bool equalUnderRule(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB,
                           const ColumnRule& rule, bool loose) {
    return loose ? equalUnderLooseRule(a, typeA, b, typeB, rule)
                 : ValueEquality::equalQuick(a, typeA, b, typeB);
}

inline bool equalUnderRule(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB,
                           const ColumnRule& rule) {
    return equalUnderRule(a, typeA, b, typeB, rule, rule.loosens());
}

}  // namespace qm
