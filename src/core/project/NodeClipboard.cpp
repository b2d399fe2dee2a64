#include "project/NodeClipboard.h"

#include "common/Errors.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"
#include "project/QMNodeData.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace qm {

QString clipboardHelperFile() {
    return QDir::temp().filePath(u"Quillmere Clipboard Helper File.qmn"_s);
}

int pasteNodes(TPrjData& project, const QByteArray& data) {
    const QString path = clipboardHelperFile();
    const QFileInfo info(path);
    if (info.exists() && (info.isSymLink() || !info.isFile())) {
        throw Error(u"Cannot paste: \"%1\" is in the way and is not a file."_s.arg(path));
    }
    QSaveFile helper(path);
    if (!helper.open(QIODevice::WriteOnly) || helper.write(data) != data.size() ||
        !helper.commit()) {
        throw Error(u"Cannot paste: the file \"%1\" cannot be written (%2)."_s.arg(
            path, helper.errorString()));
    }
    TPrjDataSaved read;
    const ProjectFileProblem problem = loadProjectFile(path, read);
    if (!problem.ok()) {
        throw Error(u"Cannot paste: the clipboard holds no readable project nodes.\n"_s +
                    problem.reason);
    }
    for (int i = 0; i < read.NodeCount(); ++i) {
        project.InsertNode(project.NodeCount(),
                           TQMNodeData::CloneNode(*read.GetItem(i), &project.settings(), &project));
    }
    return read.NodeCount();
}

}  // namespace qm
