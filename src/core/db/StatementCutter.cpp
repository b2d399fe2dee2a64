#include "db/StatementCutter.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// Position just after the construct starting at i, or text.size() when it
// runs to the end. Returns i itself when nothing special starts at i.
qsizetype skipSpecial(const QString& t, qsizetype i) {
    const qsizetype n = t.size();
    const QChar c = t[i];
    const QChar next = i + 1 < n ? t[i + 1] : QChar();
    if (c == u'-' && next == u'-') {
        const qsizetype end = t.indexOf(u'\n', i);
        return end < 0 ? n : end;  // the line end itself is ordinary text
    }
    if (c == u'/' && next == u'*') {
        int depth = 0;
        qsizetype k = i;
        while (k < n) {
            if (t[k] == u'/' && k + 1 < n && t[k + 1] == u'*') {
                ++depth;
                k += 2;
            } else if (t[k] == u'*' && k + 1 < n && t[k + 1] == u'/') {
                k += 2;
                if (--depth == 0) {
                    return k;
                }
            } else {
                ++k;
            }
        }
        return n;
    }
    if (c == u'\'' || c == u'"' || c == u'`') {
        // E'...' takes backslash escapes; elsewhere a doubled quote stands for one.
        const bool escapes = c == u'\'' && i > 0 && (t[i - 1] == u'E' || t[i - 1] == u'e') &&
                             (i < 2 || !isIdentChar(t[i - 2]));
        qsizetype k = i + 1;
        while (k < n) {
            if (escapes && t[k] == u'\\') {
                k += 2;
                continue;
            }
            if (t[k] == c) {
                if (k + 1 < n && t[k + 1] == c) {
                    k += 2;
                    continue;
                }
                return k + 1;
            }
            ++k;
        }
        return n;
    }
    if (c == u'$' && (i == 0 || !isIdentChar(t[i - 1]))) {
        // $tag$ ... $tag$, the tag empty or an identifier.
        qsizetype k = i + 1;
        while (k < n && isIdentChar(t[k]) && !t[k].isDigit()) {
            ++k;
        }
        if (k < n && t[k] == u'$') {
            const QString tag = t.mid(i, k - i + 1);
            const qsizetype end = t.indexOf(tag, k + 1);
            return end < 0 ? n : end + tag.size();
        }
    }
    return i;
}

// The word starting at i (letters, digits and "_"), upper case.
QString wordAt(const QString& t, qsizetype i) {
    qsizetype k = i;
    while (k < t.size() && isIdentChar(t[k])) {
        ++k;
    }
    return t.mid(i, k - i).toUpper();
}

// Position of the first character at or after i that is neither blank nor
// part of a comment.
qsizetype skipBlanksAndComments(const QString& t, qsizetype i) {
    const qsizetype n = t.size();
    while (i < n) {
        if (t[i].isSpace()) {
            ++i;
            continue;
        }
        const bool comment =
            i + 1 < n && ((t[i] == u'-' && t[i + 1] == u'-') || (t[i] == u'/' && t[i + 1] == u'*'));
        if (!comment) {
            break;
        }
        i = skipSpecial(t, i);
    }
    return i;
}

}  // namespace

QString statementBody(const QString& piece) {
    return piece.mid(skipBlanksAndComments(piece, 0));
}

QString transactionControlWords(const QString& piece) {
    const qsizetype start = skipBlanksAndComments(piece, 0);
    const QString first = wordAt(piece, start);
    if (first == u"COMMIT"_s || first == u"END"_s || first == u"ROLLBACK"_s ||
        first == u"ABORT"_s || first == u"BEGIN"_s) {
        return first;
    }
    if (first == u"START"_s || first == u"PREPARE"_s) {
        const QString second = wordAt(piece, skipBlanksAndComments(piece, start + first.size()));
        if (second == u"TRANSACTION"_s) {
            return first + u" TRANSACTION"_s;
        }
    }
    return {};
}

QStringList cutStatements(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto take = [&](qsizetype end) {
        QString piece = text.mid(start, end - start);
        while (piece.startsWith(u"\r\n"_s)) {
            piece.remove(0, 2);
        }
        if (!piece.isEmpty() && piece != u"\r"_s) {
            pieces << piece;
        }
    };
    while (i < n) {
        if (text[i] == u';') {
            take(i);
            start = ++i;
            continue;
        }
        const qsizetype after = skipSpecial(text, i);
        i = after > i ? after : i + 1;
    }
    take(n);
    return pieces;
}

}  // namespace qm
