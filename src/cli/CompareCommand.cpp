#include "CompareCommand.h"

#include "CliEngineView.h"
#include "common/Errors.h"
#include "engine/TDM.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

void print(FILE* to, const QString& text) {
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

}  // namespace

int runCompare(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares the rows of a source query with the rows of a target query by primary key.\n"
        "Prints the source record count, the target record count and five statistics lines:\n"
        "inserts, updates, deletes, records with differences and records unique to the target.\n"
        "Exit code 0 on success, 1 when opening or comparing failed, 2 on a usage error."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    const QCommandLineOption sourceAlias(
        u"source-alias"_s, u"Database alias of the source (see --aliases)."_s, u"A"_s);
    const QCommandLineOption targetAlias(
        u"target-alias"_s, u"Database alias of the target (see --aliases)."_s, u"B"_s);
    const QCommandLineOption sourceSql(u"source-sql"_s, u"SQL query of the source rows."_s,
                                       u"SQL"_s);
    const QCommandLineOption targetSql(u"target-sql"_s, u"SQL query of the target rows."_s,
                                       u"SQL"_s);
    const QCommandLineOption key(
        u"key"_s,
        u"Primary key field, or several names separated by ';' (taken as written, blanks "
        "included)."_s,
        u"SPEC"_s);
    const QCommandLineOption aliases(
        u"aliases"_s,
        u"Alias file to use. Default: $QUILLMERE_ALIASES, else Aliases.ini in the per-user "
        "configuration folder, else beside the program. A password an alias needs but does "
        "not hold is taken from $QUILLMERE_PASSWORD."_s,
        u"FILE"_s);
    parser.addOptions({help, sourceAlias, targetAlias, sourceSql, targetSql, key, aliases});

    if (!parser.parse(arguments)) {
        print(stderr, parser.errorText());
        print(stderr, u"Run 'quillmere-cli compare --help' for the options."_s);
        return kUsage;
    }
    if (parser.isSet(help)) {
        print(stdout, parser.helpText().replace(u"[options]"_s, u"compare [options]"_s));
        return kSuccess;
    }
    if (!parser.positionalArguments().isEmpty()) {
        print(stderr, u"Unexpected argument: %1"_s.arg(parser.positionalArguments().first()));
        return kUsage;
    }
    QStringList missing;
    for (const QCommandLineOption* o : {&sourceAlias, &targetAlias, &sourceSql, &targetSql, &key}) {
        if (!parser.isSet(*o)) {
            missing << u"--"_s + o->names().first();
        }
    }
    if (parser.isSet(key) && parser.value(key).isEmpty()) {
        // Without key fields no row can be matched: every row would count
        // as local, which is never what a comparison is for.
        missing << u"--key (it is empty)"_s;
    }
    if (!missing.isEmpty()) {
        print(stderr, u"Missing option(s): %1"_s.arg(missing.join(u", "_s)));
        print(stderr, u"Run 'quillmere-cli compare --help' for the options."_s);
        return kUsage;
    }

    CliEngineView view;
    TDM dm(view, view);
    dm.session().setAliasFilePath(parser.value(aliases));
    dm.session().setLoginPrompt(&view);
    try {
        MemData& tables = dm.TablesMemData();
        const TDM::TableFields& tf = dm.tableFields();
        tables.open();
        tables.append();
        tables.setAsText(tf.Name, u"compare"_s);
        tables.setAsText(tf.SourceQuerySQL, parser.value(sourceSql));
        tables.setAsText(tf.DestQuerySQL, parser.value(targetSql));
        tables.setAsText(tf.PrimaryKeySpec, parser.value(key));
        tables.post();
        MemData& setup = dm.DBSetupMemData();
        setup.open();
        setup.append();
        setup.setAsText(dm.sourceDBAliasField(), parser.value(sourceAlias));
        setup.setAsText(dm.destDBAliasField(), parser.value(targetAlias));
        setup.post();

        dm.OpenSource();
        if (!dm.SourceMemData().isOpen()) {
            return kFailure;
        }
        dm.OpenTarget();
        if (!dm.DestMemData().isOpen()) {
            return kFailure;
        }
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    print(stdout, view.recordCountText(Side::Source));
    print(stdout, view.recordCountText(Side::Target));
    for (StatLabel l : {StatLabel::Insert, StatLabel::Update, StatLabel::Delete, StatLabel::Diff,
                        StatLabel::Local}) {
        print(stdout, view.statisticText(l));
    }
    return view.messageShown() ? kFailure : kSuccess;
}

}  // namespace qm::cli
