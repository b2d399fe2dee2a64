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

// Follows the words of one statement to tell when its ";" belong to a
// trigger body: CREATE [OR REPLACE] [TEMP | TEMPORARY] TRIGGER ... BEGIN
// stmt; stmt; END holds statements of its own, and only the ";" after the
// END that closes the BEGIN ends it. CASE ... END inside the body nests.
// A trigger without BEGIN (one that executes a function) ends at its first
// ";" like any other statement.
class TriggerBody {
public:
    void see(const QString& word) {
        ++words_;
        if (words_ == 1) {
            creating_ = word == u"CREATE"_s;
            return;
        }
        if (creating_ && !trigger_) {
            if (word == u"TRIGGER"_s) {
                trigger_ = true;
            } else if (word != u"OR"_s && word != u"REPLACE"_s && word != u"TEMP"_s &&
                       word != u"TEMPORARY"_s) {
                creating_ = false;
            }
            return;
        }
        if (!trigger_) {
            return;
        }
        if (depth_ == 0) {
            if (word == u"BEGIN"_s && !closed_) {
                depth_ = 1;
            }
        } else if (word == u"CASE"_s) {
            ++depth_;
        } else if (word == u"END"_s && --depth_ == 0) {
            closed_ = true;
        }
    }
    /// False once the statement is known to be no trigger: its words no
    /// longer matter.
    bool wantsWords() const { return words_ == 0 || creating_; }
    bool holdsSemicolons() const { return depth_ > 0; }

private:
    int words_ = 0;
    bool creating_ = false;
    bool trigger_ = false;
    int depth_ = 0;
    bool closed_ = false;
};

}  // namespace

QString statementBody(const QString& piece) {
    return piece.mid(skipBlanksAndComments(piece, 0));
}

QString transactionControlWords(const QString& piece) {
    const qsizetype start = skipBlanksAndComments(piece, 0);
    const QString first = wordAt(piece, start);
    if (first == u"ROLLBACK"_s) {
        // ROLLBACK [WORK | TRANSACTION] TO [SAVEPOINT] name undoes part of
        // the transaction and leaves it open.
        qsizetype at = skipBlanksAndComments(piece, start + first.size());
        QString next = wordAt(piece, at);
        if (next == u"WORK"_s || next == u"TRANSACTION"_s) {
            at = skipBlanksAndComments(piece, at + next.size());
            next = wordAt(piece, at);
        }
        return next == u"TO"_s ? QString() : first;
    }
    if (first == u"COMMIT"_s || first == u"END"_s || first == u"ABORT"_s || first == u"BEGIN"_s) {
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
    TriggerBody trigger;
    while (i < n) {
        if (text[i] == u';') {
            if (trigger.holdsSemicolons()) {
                ++i;
                continue;
            }
            take(i);
            start = ++i;
            trigger = TriggerBody();
            continue;
        }
        if (isIdentChar(text[i])) {
            qsizetype end = i + 1;
            while (end < n && isIdentChar(text[end])) {
                ++end;
            }
            if (trigger.wantsWords()) {
                trigger.see(text.mid(i, end - i).toUpper());
            }
            i = end;
            continue;
        }
        const qsizetype after = skipSpecial(text, i);
        i = after > i ? after : i + 1;
    }
    take(n);
    return pieces;
}

QString statementHead(const QString& piece) {
    QString head = statementBody(piece).section(u'\n', 0, 0).simplified();
    if (head.size() > 60) {
        head = head.left(57) + u"..."_s;
    }
    return head;
}

}  // namespace qm
