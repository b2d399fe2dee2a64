#include "RuleOptions.h"

#include "common/Errors.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

QString optionName(const QCommandLineOption& option) {
    return u"--"_s + option.names().first();
}

}  // namespace

RuleOptions::RuleOptions()
    : rules(u"rules"_s,
            u"Comparison rules, for example '*: nocase trim; updated_at: ignore; price: "
            "abs=0.005' (words: ignore, nocase, trim, nullempty, abs=N, rel=N, "
            "time=second|minute|day, exact)."_s,
            u"TEXT"_s),
      ignore(u"ignore"_s,
             u"Do not compare this column, nor change it in an UPDATE. Repeat it for more."_s,
             u"COLUMN"_s),
      nocase(u"nocase"_s, u"Text: letter case does not count (all columns)."_s),
      trim(u"trim"_s, u"Text: leading and trailing blanks do not count (all columns)."_s),
      nullEmpty(u"null-empty"_s, u"Text: NULL equals the empty text (all columns)."_s),
      absTolerance(u"abs-tolerance"_s,
                   u"Numbers: equal when they differ by at most N (all columns)."_s, u"N"_s),
      relTolerance(u"rel-tolerance"_s,
                   u"Numbers: equal when they differ by at most N times the larger one's "
                   "magnitude (all columns)."_s,
                   u"N"_s),
      timePrecision(u"time-precision"_s,
                    u"Date-times: equal when equal once cut to the second, minute or day (all "
                    "columns). These shorthands apply to every column without its own rule in "
                    "--rules."_s,
                    u"second|minute|day"_s) {}

void RuleOptions::addTo(QCommandLineParser& parser) const {
    parser.addOptions(
        {rules, ignore, nocase, trim, nullEmpty, absTolerance, relTolerance, timePrecision});
}

QList<const QCommandLineOption*> RuleOptions::repeatable() const {
    return {&ignore};
}

bool RuleOptions::given(const QCommandLineParser& parser) const {
    for (const QCommandLineOption* o : {&rules, &ignore, &nocase, &trim, &nullEmpty, &absTolerance,
                                        &relTolerance, &timePrecision}) {
        if (parser.isSet(*o)) {
            return true;
        }
    }
    return false;
}

QString RuleOptions::problem(const QCommandLineParser& parser) const {
    for (const QCommandLineOption* o : {&absTolerance, &relTolerance}) {
        if (parser.isSet(*o) && !ComparisonRules::toleranceOf(parser.value(*o))) {
            return u"%1 takes a number of 0 or more, not \"%2\"."_s.arg(optionName(*o),
                                                                        parser.value(*o));
        }
    }
    if (parser.isSet(timePrecision) && !ComparisonRules::precisionOf(parser.value(timePrecision))) {
        return u"%1 takes second, minute or day, not \"%2\"."_s.arg(optionName(timePrecision),
                                                                    parser.value(timePrecision));
    }
    for (const QString& column : parser.values(ignore)) {
        if (column.isEmpty()) {
            return u"%1 needs a column name."_s.arg(optionName(ignore));
        }
        // "*" reads as every column; ignoring them all would compare nothing
        // and still report the tables as equal.
        if (column == u"*"_s) {
            return u"%1 takes one column name; \"*\" is none."_s.arg(optionName(ignore));
        }
    }
    return {};
}

QString RuleOptions::read(const QCommandLineParser& parser, const QString& tableSetup,
                          ComparisonRules& result) const {
    if (const QString why = problem(parser); !why.isEmpty()) {
        return why;
    }
    ComparisonRules r;
    try {
        r = ComparisonRules::parse(parser.value(rules), tableSetup);
    } catch (const Error& e) {
        return optionName(rules) + u": "_s + e.message();
    }
    // A shorthand and the rule for all columns in --rules that both set a
    // value leave unclear which one is meant.
    const auto conflict = [&](const QCommandLineOption& o) {
        return u"%1 cannot be combined with the rule for all columns ('*') of --rules that sets "
               "it too."_s.arg(optionName(o));
    };
    ColumnRule& all = r.all;
    all.ignoreCase = all.ignoreCase || parser.isSet(nocase);
    all.trimBlanks = all.trimBlanks || parser.isSet(trim);
    all.nullIsEmpty = all.nullIsEmpty || parser.isSet(nullEmpty);
    if (parser.isSet(absTolerance)) {
        if (all.absTolerance) {
            return conflict(absTolerance);
        }
        all.absTolerance = ComparisonRules::toleranceOf(parser.value(absTolerance));
    }
    if (parser.isSet(relTolerance)) {
        if (all.relTolerance) {
            return conflict(relTolerance);
        }
        all.relTolerance = ComparisonRules::toleranceOf(parser.value(relTolerance));
    }
    if (parser.isSet(timePrecision)) {
        if (all.time != TimePrecision::Exact) {
            return conflict(timePrecision);
        }
        all.time = *ComparisonRules::precisionOf(parser.value(timePrecision));
    }
    for (const QString& column : parser.values(ignore)) {
        // A column's own rule in --rules stays, ignored; any other column
        // needs no more than the one word.
        bool own = false;
        for (const auto& entry : r.columns) {
            own = own || entry.first.compare(column, Qt::CaseInsensitive) == 0;
        }
        ColumnRule rule = own ? r.forColumn(column) : ColumnRule();
        rule.ignore = true;
        r.setColumn(column, rule);
    }
    result = r;
    return {};
}

}  // namespace qm::cli
