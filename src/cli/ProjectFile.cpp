#include "ProjectFile.h"

#include "CliCommon.h"
#include "ProjectDescription.h"
#include "common/Errors.h"
#include "common/TextFile.h"
#include "ini/FastMemIniFile.h"
#include "project/PrjDataSaved.h"
#include "props/PropText.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

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

bool failWith(const QString& headline, const QString& reason) {
    print(stderr, headline);
    print(stderr, indented(reason));
    return false;
}

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

QString storedForm(const QString& value) {
    // A save and load turns line breaks into CR LF and drops a single final
    // line break; after that the value stays as it is.
    return PropText::decode(PropText::encode(value));
}

bool loadProject(const QString& path, TPrjDataSaved& project) {
    const QString problem = loadProblem(path, project);
    if (problem.isEmpty()) {
        return true;
    }
    return failWith(u"Cannot open project \"%1\":"_s.arg(path), problem);
}

bool saveProject(TPrjDataSaved& project, const QString& path) {
    const QString headline = u"Cannot save project \"%1\":"_s.arg(path);
    const QFileInfo info(path);
    if (!info.dir().exists()) {
        return failWith(headline, u"The folder \"%1\" does not exist."_s.arg(info.path()));
    }
    if (info.isDir()) {
        return failWith(headline, u"It is a folder, not a file."_s);
    }
    // A project must load back from where it is saved; a device or FIFO
    // would only swallow it.
    if (info.exists() && !info.isFile()) {
        return failWith(headline, u"It is a device, FIFO or socket, not a regular file."_s);
    }
    // Beside the file, so that the writer's rules about paths relative to
    // the project's folder give the same bytes as a direct save. The name is
    // unpredictable and the file created exclusively: nothing planted in the
    // folder beforehand can be at that name.
    QTemporaryFile temp(info.dir().filePath(u".%1.XXXXXX.tmp"_s.arg(info.fileName())));
    if (!temp.open()) {
        return failWith(headline, u"Cannot create a temporary file in \"%1\": %2"_s.arg(
                                      info.path(), temp.errorString()));
    }
    temp.close();
    const QString tempPath = temp.fileName();
    try {
        project.SaveToFile(tempPath);
    } catch (const Error& e) {
        return failWith(headline, e.message());
    }
    TPrjDataSaved back;
    if (const QString problem = loadProblem(tempPath, back); !problem.isEmpty()) {
        return failWith(headline, u"The written project does not load back:\n"_s + problem);
    }
    const QString wanted = describeProject(project);
    if (const QString got = describeProject(back); got != wanted) {
        return failWith(headline, u"The written project loads back with other content.\n"_s +
                                      firstDifference(wanted, got));
    }
    try {
        // Replaces the file only once every byte is written, and keeps its
        // permissions.
        TextFile::writeAtomically(path, TextFile::readBytes(tempPath));
    } catch (const Error& e) {
        return failWith(headline, e.message());
    }
    project.setFileName(path);
    return true;
}

bool hasAlias(TPrjData& project, const QString& path, const QString& setting) {
    const TPropValue& v = project.settings().value(setting);
    if (v.readable() && !v.GetString().isEmpty()) {
        return true;
    }
    const QString side = setting == u"SourceDBAlias"_s ? u"source"_s : u"target"_s;
    print(stderr, u"Cannot use project \"%1\": it names no %2 alias (%3 is %4)."_s.arg(
                      path, side, setting, v.readable() ? u"empty"_s : u"not set"_s));
    return false;
}

}  // namespace qm::cli
