#include "project/ComparisonRules.h"

#include "common/Errors.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const ColumnRule kExact;

// A column name as the text form writes it: quoted where the plain form
// would read differently.
QString nameText(const QString& name) {
    const bool plain = !name.isEmpty() && name != u"*"_s && name.trimmed() == name &&
                       !name.contains(u';') && !name.contains(u':') && !name.contains(u'"');
    if (plain) {
        return name;
    }
    QString quoted = name;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u"\"%1\""_s.arg(quoted);
}

[[noreturn]] void refuse(const QString& tableSetup, const QString& rule, const QString& why) {
    throw Error(u"Table setup \"%1\": the comparison rule \"%2\" is not understood: %3"_s.arg(
        tableSetup, rule, why));
}

double tolerance(const QString& value, const QString& tableSetup, const QString& rule) {
    const std::optional<double> d = ComparisonRules::toleranceOf(value);
    if (!d) {
        refuse(tableSetup, rule, u"a tolerance is a number of 0 or more"_s);
    }
    return *d;
}

}  // namespace

std::optional<double> ComparisonRules::toleranceOf(const QString& text) {
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d) || d < 0) {
        return std::nullopt;
    }
    return d;
}

QString ComparisonRules::toleranceText(double tolerance) {
    return QString::number(tolerance, 'g', QLocale::FloatingPointShortest);
}

std::optional<TimePrecision> ComparisonRules::precisionOf(const QString& word) {
    const QString w = word.trimmed().toLower();
    if (w == u"second"_s) {
        return TimePrecision::Second;
    }
    if (w == u"minute"_s) {
        return TimePrecision::Minute;
    }
    if (w == u"day"_s) {
        return TimePrecision::Day;
    }
    return std::nullopt;
}

bool ComparisonRules::isEmpty() const {
    return all.isExact() && columns.empty();
}

const ColumnRule& ComparisonRules::forColumn(const QString& name) const {
    for (const auto& [column, rule] : columns) {
        if (column.compare(name, Qt::CaseInsensitive) == 0) {
            return rule;
        }
    }
    return all;
}

void ComparisonRules::setColumn(const QString& name, const ColumnRule& rule) {
    for (auto& entry : columns) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = rule;
            if (rule == all) {
                clearColumn(name);
            }
            return;
        }
    }
    if (rule != all) {
        columns.emplace_back(name, rule);
    }
}

void ComparisonRules::clearColumn(const QString& name) {
    std::erase_if(columns, [&name](const auto& entry) {
        return entry.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

bool ComparisonRules::any(bool (*pred)(const ColumnRule&)) const {
    if (pred(all)) {
        return true;
    }
    for (const auto& entry : columns) {
        if (pred(entry.second)) {
            return true;
        }
    }
    return false;
}

QString ComparisonRules::ruleText(const ColumnRule& rule) {
    QStringList words;
    if (rule.ignore) {
        words << u"ignore"_s;
    }
    if (rule.ignoreCase) {
        words << u"nocase"_s;
    }
    if (rule.trimBlanks) {
        words << u"trim"_s;
    }
    if (rule.nullIsEmpty) {
        words << u"nullempty"_s;
    }
    if (rule.absTolerance) {
        words << u"abs="_s + toleranceText(*rule.absTolerance);
    }
    if (rule.relTolerance) {
        words << u"rel="_s + toleranceText(*rule.relTolerance);
    }
    switch (rule.time) {
        case TimePrecision::Exact:
            break;
        case TimePrecision::Second:
            words << u"time=second"_s;
            break;
        case TimePrecision::Minute:
            words << u"time=minute"_s;
            break;
        case TimePrecision::Day:
            words << u"time=day"_s;
            break;
    }
    return words.isEmpty() ? u"exact"_s : words.join(u' ');
}

QString ComparisonRules::toText() const {
    QStringList entries;
    if (!all.isExact()) {
        entries << u"*: "_s + ruleText(all);
    }
    for (const auto& [column, rule] : columns) {
        entries << nameText(column) + u": "_s + ruleText(rule);
    }
    return entries.join(u"; "_s);
}

ColumnRule ComparisonRules::parseRule(const QString& words, const QString& tableSetupName,
                                      const QString& column) {
    ColumnRule rule;
    const QString shown = column.isEmpty() ? words.trimmed() : column + u": "_s + words.trimmed();
    const QStringList parts = words.split(QRegularExpression(u"[\\s,]+"_s), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        refuse(tableSetupName, shown, u"a column needs at least one word (exact for none)"_s);
    }
    for (const QString& part : parts) {
        const QString word = part.toLower();
        if (word == u"exact"_s) {
            continue;
        }
        if (word == u"ignore"_s) {
            rule.ignore = true;
        } else if (word == u"nocase"_s) {
            rule.ignoreCase = true;
        } else if (word == u"trim"_s) {
            rule.trimBlanks = true;
        } else if (word == u"nullempty"_s) {
            rule.nullIsEmpty = true;
        } else if (word.startsWith(u"abs="_s)) {
            rule.absTolerance = tolerance(word.mid(4), tableSetupName, shown);
        } else if (word.startsWith(u"rel="_s)) {
            rule.relTolerance = tolerance(word.mid(4), tableSetupName, shown);
        } else if (word.startsWith(u"time="_s)) {
            const std::optional<TimePrecision> time = precisionOf(word.mid(5));
            if (!time) {
                refuse(tableSetupName, shown, u"time= takes second, minute or day"_s);
            }
            rule.time = *time;
        } else {
            refuse(tableSetupName, shown,
                   u"\"%1\" is none of ignore, nocase, trim, nullempty, abs=, rel=, time=, "
                   "exact"_s.arg(part));
        }
    }
    return rule;
}

ComparisonRules ComparisonRules::parse(const QString& text, const QString& tableSetupName) {
    ComparisonRules rules;
    bool allGiven = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        // One entry: a column (plain or quoted), a colon, the words up to `;`.
        while (i < n && (text[i].isSpace() || text[i] == u';')) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const qsizetype start = i;
        QString column;
        bool quoted = false;
        if (text[i] == u'"') {
            quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        column += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                column += text[i++];
            }
            if (!closed) {
                refuse(tableSetupName, text.mid(start).trimmed(), u"a quoted name is not closed"_s);
            }
            while (i < n && text[i].isSpace()) {
                ++i;
            }
        } else {
            while (i < n && text[i] != u':' && text[i] != u';') {
                column += text[i++];
            }
            column = column.trimmed();
        }
        const qsizetype end = text.indexOf(u';', i);
        const QString entry = text.mid(start, end < 0 ? -1 : end - start).trimmed();
        if (i >= n || text[i] != u':' || (!quoted && column.isEmpty())) {
            refuse(tableSetupName, entry, u"an entry is COLUMN: WORDS, with * for all columns"_s);
        }
        ++i;  // the colon
        const QString words = text.mid(i, end < 0 ? -1 : end - i);
        i = end < 0 ? n : end + 1;
        const bool forAll = !quoted && column == u"*"_s;
        const ColumnRule rule =
            parseRule(words, tableSetupName, forAll ? u"*"_s : nameText(column));
        if (forAll) {
            if (allGiven) {
                refuse(tableSetupName, entry, u"the rule for all columns is given twice"_s);
            }
            allGiven = true;
            rules.all = rule;
            continue;
        }
        for (const auto& other : rules.columns) {
            if (other.first.compare(column, Qt::CaseInsensitive) == 0) {
                refuse(tableSetupName, entry, u"the column has a rule already"_s);
            }
        }
        rules.columns.emplace_back(column, rule);
    }
    return rules;
}

}  // namespace qm
