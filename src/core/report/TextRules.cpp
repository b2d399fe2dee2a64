#include "report/TextRules.h"

using namespace Qt::StringLiterals;

namespace qm {

QString EnsurePunctuation(const QString& text) {
    if (!text.isEmpty()) {
        const QChar last = text.back();
        if (last == u'!' || last == u')' || last == u'.' || last == u'?') {
            return text;
        }
    }
    return text + u'.';
}

QString StripMenuCaption(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && !(i > 0 && text.at(i - 1) == u'&')) {
            continue;
        }
        out += text.at(i);
    }
    return out.remove(u"..."_s);
}

QString unhandledErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') {
        return message + u'.';
    }
    return message;
}

}  // namespace qm
