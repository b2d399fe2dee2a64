#include "window/MainWindowTexts.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {

QString mainCaption(const QString& title, bool projectOpen, const QString& fileName) {
    if (!projectOpen) {
        return title;
    }
    if (fileName.isEmpty()) {
        return title + u" - (unnamed project)"_s;
    }
    return u"%1 - \"%2\""_s.arg(title, QFileInfo(fileName).fileName());
}

QString tableSetupCountText(std::optional<int> tableSetups) {
    if (!tableSetups) {
        return QString();
    }
    if (*tableSetups == 0) {
        return u" No table setups in project."_s;
    }
    return u" %1 table setup%2 in project."_s.arg(*tableSetups)
        .arg(*tableSetups > 1 ? u"s"_s : QString());
}

QString replaceScriptQuestion() {
    return u"The script editor holds a script that was not made for the current table setup "
           u"(a project script, a script file or your own text). Replace it with the "
           u"statements of the current table setup?"_s;
}

}  // namespace qm
