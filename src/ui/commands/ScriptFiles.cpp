#include "commands/ScriptFiles.h"

#include "common/Errors.h"
#include "common/TextFile.h"
#include "report/MessageViewer.h"
#include "shared/CommandPrompts.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm::ScriptFiles {

QString filterExtension(int filterIndex) {
    return filterIndex == 1 ? u".TXT"_s : u".SQL"_s;
}

QString completeName(const QString& name, int filterIndex) {
    if (QFileInfo(name).fileName().contains(u'.')) {
        return name;
    }
    return name + filterExtension(filterIndex);
}

QString read(const QString& path) {
    QString text = TextFile::read(path);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) {
        text.chop(1);
    }
    return text;
}

void write(const QString& path, const QString& editorText) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        throw Error(u"Cannot write script file \"%1\": it is not a regular file"_s.arg(path));
    }
    QByteArray bytes;
    if (!editorText.isEmpty()) {
        bytes = QString(editorText).replace(u'\n', u"\r\n"_s).toUtf8() + "\r\n";
    }
    TextFile::writeAtomically(path, bytes);
}

QString askSaveName(CommandPrompts& prompts, MessageViewer& messages) {
    QString name;
    int filterIndex = 0;
    while (prompts.saveScriptFileName(name, filterIndex)) {
        if (name.isEmpty()) {
            return {};
        }
        name = completeName(name, filterIndex);
        if (!QFileInfo::exists(name) ||
            messages.askYesNo(
                u"The file \"%1\" already exists. Do you want to overwrite it?"_s.arg(name))) {
            return name;
        }
    }
    return {};
}

}  // namespace qm::ScriptFiles
