#include "props/PropText.h"

using namespace Qt::StringLiterals;

namespace qm::PropText {
namespace {

bool needsQuotes(const QString& line) {
    for (QChar c : line) {
        if (c.unicode() <= u' ' || c == u'"' || c == u',') {
            return true;
        }
    }
    return false;
}

// Blanks separate items; a NUL outside quotes counts as one, so that it can
// never start an item of its own.
bool isBlank(QChar c) {
    return c.unicode() <= u' ';
}

}  // namespace

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text.at(end) != u'\r' && text.at(end) != u'\n') {
            ++end;
        }
        lines.append(text.mid(start, end - start));
        start =
            (end + 1 < n && text.at(end) == u'\r' && text.at(end + 1) == u'\n') ? end + 2 : end + 1;
    }
    return lines;
}

QString commaText(const QStringList& lines) {
    if (lines.size() == 1 && lines.front().isEmpty()) {
        return u"\"\""_s;
    }
    QString out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += u',';
        }
        const QString& line = lines.at(i);
        if (needsQuotes(line)) {
            out += u'"' + QString(line).replace(u"\""_s, u"\"\""_s) + u'"';
        } else {
            out += line;
        }
    }
    return out;
}

QStringList parseCommaText(const QString& text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype p = 0;
    while (p < n && isBlank(text.at(p))) {
        ++p;
    }
    while (p < n) {
        QString item;
        if (text.at(p) == u'"') {
            ++p;
            while (p < n) {
                if (text.at(p) == u'"') {
                    if (p + 1 < n && text.at(p + 1) == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text.at(p++);
            }
        } else {
            const qsizetype from = p;
            while (p < n && text.at(p).unicode() > u' ' && text.at(p) != u',') {
                ++p;
            }
            item = text.mid(from, p - from);
        }
        lines.append(item);
        while (p < n && isBlank(text.at(p))) {
            ++p;
        }
        if (p < n && text.at(p) == u',') {
            if (p + 1 == n) {
                lines.append(QString());  // a final comma ends with an empty line
            }
            do {
                ++p;
            } while (p < n && isBlank(text.at(p)));
        }
    }
    return lines;
}

QString encode(const QString& value) {
    const QString ct = commaText(splitLines(value));
    return ct.isEmpty() ? QString() : u'"' + ct + u'"';
}

QString decode(const QString& stored) {
    if (stored.isEmpty()) {
        return QString();
    }
    if (!stored.startsWith(u'"')) {
        return stored;
    }
    // The writer always adds one pair of quotes around the comma text; take
    // exactly that pair off, so that a first or last line written without
    // quotes (one word, such as SELECT) reads back as written.
    const bool wrapped = stored.size() >= 2 && stored.endsWith(u'"');
    const QStringList lines = parseCommaText(wrapped ? stored.mid(1, stored.size() - 2) : stored);
    // Lines joined with CR LF. When the last line is empty, the value ended
    // in an empty line, which takes a line break of its own; so the value
    // encodes to the same stored text again, and a second save changes
    // nothing.
    QString value = lines.join(u"\r\n"_s);
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        value += u"\r\n"_s;
    }
    return value;
}

}  // namespace qm::PropText
