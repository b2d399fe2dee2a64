#include "CompareCommand.h"

#include "CliCommon.h"
#include "CliEngineView.h"
#include "engine/TDM.h"

using namespace Qt::StringLiterals;

namespace qm::cli {

int runCompare(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares the rows of a source query with the rows of a target query by primary key.\n"
        "Prints the source record count, the target record count and five statistics lines:\n"
        "inserts, updates, deletes, records with differences and records unique to the target.\n"
        "Exit code 0 on success, 1 when opening or comparing failed, 2 on a usage error."_s);
    const TableSetupOptions options;
    options.addTo(parser);
    if (const int code = parseArguments(parser, arguments, u"compare"_s, options.required());
        code >= 0) {
        return code;
    }
    if (const QString problem = options.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    CliEngineView view;
    TDM dm(view, view);
    if (openTableSetup(dm, view, parser, options, u"compare"_s, QString()) != kSuccess) {
        return kFailure;
    }
    print(stdout, view.recordCountText(Side::Source));
    print(stdout, view.recordCountText(Side::Target));
    for (StatLabel l : {StatLabel::Insert, StatLabel::Update, StatLabel::Delete, StatLabel::Diff,
                        StatLabel::Local}) {
        print(stdout, view.statisticText(l));
    }
    return kSuccess;
}

}  // namespace qm::cli
