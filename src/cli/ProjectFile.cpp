#include "ProjectFile.h"

#include "CliCommon.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

// The model's reports are message-box texts: CR LF line ends and empty lines
// between their parts. On a terminal they read better as indented lines.
QString indented(const QString& text) {
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    QStringList lines;
    for (const QString& line : text.split(lineBreak)) {
        if (!line.trimmed().isEmpty()) {
            lines << u"  "_s + line.trimmed();
        }
    }
    return lines.join(u'\n');
}

bool reported(const ProjectFileProblem& problem) {
    if (problem.ok()) {
        return true;
    }
    print(stderr, problem.headline);
    print(stderr, indented(problem.reason));
    return false;
}

}  // namespace

bool loadProject(const QString& path, TPrjDataSaved& project) {
    return reported(loadProjectFile(path, project));
}

bool saveProject(TPrjDataSaved& project, const QString& path) {
    return reported(saveProjectFile(project, path));
}

bool hasAlias(TPrjData& project, const QString& path, const QString& setting) {
    const QString problem = missingAliasProblem(project, path, setting);
    if (problem.isEmpty()) {
        return true;
    }
    print(stderr, problem);
    return false;
}

}  // namespace qm::cli
