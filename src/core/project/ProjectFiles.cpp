#include "project/ProjectFiles.h"

#include "common/Errors.h"
#include "common/TextFile.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectDescription.h"
#include "project/QMNodeData.h"
#include "project/TableSetup.h"
#include "props/PropText.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// Why the file cannot be taken as a project ("" when it loaded).
QString loadProblem(const QString& path, TPrjDataSaved& project) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return u"The file does not exist."_s;
    }
    if (info.isDir()) {
        return u"It is a folder, not a file."_s;
    }
    try {
        project.LoadFromIniFile(path);
        // Rules that cannot be read would fail only once their table setup
        // is compared; a file refused now is never half opened.
        checkComparisonRules(project);
    } catch (const Error& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// A line of a description with the characters that do not show made
// visible, so that a difference in them can be seen.
QString visible(QString line) {
    return line.replace(u'\r', u"\\r"_s).replace(u'\t', u"\\t"_s);
}

// The first line where two descriptions differ, for the message.
QString firstDifference(const QString& wanted, const QString& got) {
    const QStringList a = wanted.split(u'\n');
    const QStringList b = got.split(u'\n');
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (a.value(i) != b.value(i)) {
            return u"Expected: %1\nRead back: %2"_s.arg(visible(a.value(i)), visible(b.value(i)));
        }
    }
    return {};
}

}  // namespace

void checkComparisonRules(TPrjData& project) {
    for (int i = 0; i < project.NodeCount(); ++i) {
        TQMNodeData& node = *project.GetItem(i);
        const TPropValue* rules = node.props().Find(TableSetup::rulesProperty(), true);
        if (rules && rules->readable()) {
            ComparisonRules::parse(rules->GetString(), node.Name());
        }
    }
}

QString storedForm(const QString& value) {
    // A save and load turns line breaks into CR LF and drops a single final
    // line break; after that the value stays as it is.
    return PropText::decode(PropText::encode(value));
}

StoredValue checkStoredValue(const QString& value) {
    if (storedForm(value).isEmpty()) {
        return StoredValue::Empty;
    }
    return value.trimmed().isEmpty() ? StoredValue::OnlyBlanks : StoredValue::Usable;
}

ProjectFileProblem loadProjectFile(const QString& path, TPrjDataSaved& project) {
    const QString problem = loadProblem(path, project);
    if (problem.isEmpty()) {
        return {};
    }
    return {u"Cannot open project \"%1\":"_s.arg(path), problem};
}

ProjectFileProblem saveProjectFile(TPrjDataSaved& project, const QString& path) {
    const QString headline = u"Cannot save project \"%1\":"_s.arg(path);
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        return {headline, u"The folder \"%1\" does not exist."_s.arg(info.path())};
    }
    if (info.isDir()) {
        return {headline, u"It is a folder, not a file."_s};
    }
    // A project must load back from where it is saved; a device or FIFO
    // would only swallow it.
    if (info.exists() && !info.isFile()) {
        return {headline, u"It is a device, FIFO or socket, not a regular file."_s};
    }
    // Beside the file, so that the writer's rules about paths relative to
    // the project's folder give the same bytes as a direct save. The name is
    // unpredictable and the file created exclusively: nothing planted in the
    // folder beforehand can be at that name.
    QTemporaryFile temp(info.dir().filePath(u".%1.XXXXXX.tmp"_s.arg(info.fileName())));
    if (!temp.open()) {
        return {headline, u"Cannot create a temporary file in \"%1\": %2"_s.arg(
                              info.path(), temp.errorString())};
    }
    temp.close();
    const QString tempPath = temp.fileName();
    // Writing names the project after the temporary file and marks it
    // saved; a save that fails after that must leave the project as it was,
    // so that its edits still count as unsaved and it keeps its own name.
    const QString previousName = project.FileName();
    const bool wasModified = project.IsModified();
    const auto failed = [&](const QString& reason) {
        project.setFileName(previousName);
        project.SetModified(wasModified);
        return ProjectFileProblem{headline, reason};
    };
    try {
        project.SaveToFile(tempPath);
    } catch (const Error& e) {
        return failed(e.message());
    }
    TPrjDataSaved back;
    if (const QString problem = loadProblem(tempPath, back); !problem.isEmpty()) {
        return failed(u"The written project does not load back:\n"_s + problem);
    }
    const QString wanted = describeProject(project);
    if (const QString got = describeProject(back); got != wanted) {
        return failed(u"The written project loads back with other content.\n"_s +
                      firstDifference(wanted, got));
    }
    try {
        // Replaces the file only once every byte is written, and keeps its
        // permissions.
        TextFile::writeAtomically(path, TextFile::readBytes(tempPath));
    } catch (const Error& e) {
        return failed(e.message());
    }
    project.setFileName(path);
    return {};
}

QString missingAliasProblem(TPrjData& project, const QString& path, const QString& setting) {
    const TPropValue& v = project.settings().value(setting);
    if (v.readable() && !v.GetString().isEmpty()) {
        return {};
    }
    const QString side = setting == u"SourceDBAlias"_s ? u"source"_s : u"target"_s;
    return u"Cannot use project \"%1\": it names no %2 alias (%3 is %4)."_s.arg(
        path, side, setting, v.readable() ? u"empty"_s : u"not set"_s);
}

}  // namespace qm
