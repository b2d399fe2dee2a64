#pragma once

#include "project/ComparisonRules.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace qm::cli {

/// The options of compare and script that give comparison rules: --rules
/// with the rules' text form, and shorthands that set the rule for all
/// columns (--nocase, --trim, --null-empty, --abs-tolerance,
/// --rel-tolerance, --time-precision) or ignore single columns (--ignore,
/// repeatable). A column with its own rule in --rules keeps that rule: a
/// column's rule replaces the rule for all columns as a whole.
struct RuleOptions {
    RuleOptions();
    void addTo(QCommandLineParser& parser) const;
    /// The options that may be given more than once (--ignore).
    QList<const QCommandLineOption*> repeatable() const;
    /// Whether any rule option is given.
    bool given(const QCommandLineParser& parser) const;
    /// What is wrong with the shorthands' values, as a usage error ("" when
    /// nothing); independent of any table setup, so it can be told before
    /// anything is opened.
    QString problem(const QCommandLineParser& parser) const;
    /// The rules the options give for the named table setup (no rules when
    /// none is given). Returns "" or, for a --rules text that cannot be read
    /// or a shorthand that contradicts it, the usage error; `rules` is then
    /// left as it was.
    QString read(const QCommandLineParser& parser, const QString& tableSetup,
                 ComparisonRules& rules) const;

    QCommandLineOption rules;
    QCommandLineOption ignore;
    QCommandLineOption nocase;
    QCommandLineOption trim;
    QCommandLineOption nullEmpty;
    QCommandLineOption absTolerance;
    QCommandLineOption relTolerance;
    QCommandLineOption timePrecision;
};

}  // namespace qm::cli
