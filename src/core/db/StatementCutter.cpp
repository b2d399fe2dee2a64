#include "db/StatementCutter.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// How a database reads the text between statements: what is a comment and
// what is quoted. Cutting or judging text by other rules than the
// database's own would let a ";" or a keyword hide from one of the two.
struct Rules {
    bool nestedComments = true;    // /* /* */ */ is one comment
    bool dashEndsAtCr = false;     // -- ... ends at a CR as well as at a LF
    bool dashNeedsBlank = false;   // -- starts a comment only before a blank
    bool hashComments = false;     // # ... to the line end
    bool codeComments = false;     // /*! ... */ holds code the server runs
    bool escapeStrings = true;     // E'...' takes backslash escapes
    bool backslashQuotes = false;  // every '...' and "..." takes backslash escapes
    bool dollarQuotes = true;      // $tag$ ... $tag$
    bool bracketNames = false;     // [name]
    bool triggerBodies = true;     // CREATE TRIGGER ... BEGIN ...; END
};

Rules rulesOf(SqlDialect dialect) {
    Rules r;
    switch (dialect) {
        case SqlDialect::PostgreSQL:
            r.dashEndsAtCr = true;
            r.triggerBodies = false;
            break;
        case SqlDialect::SQLite:
            r.nestedComments = false;
            r.escapeStrings = false;
            r.dollarQuotes = false;
            r.bracketNames = true;
            break;
        case SqlDialect::MySQL:
            r.nestedComments = false;
            r.dashNeedsBlank = true;
            r.hashComments = true;
            r.codeComments = true;
            r.escapeStrings = false;
            r.backslashQuotes = true;
            r.dollarQuotes = false;
            break;
        case SqlDialect::Generic:
            break;
    }
    return r;
}

bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// A "$" goes on a name (PostgreSQL, SQLite and MySQL take it there), so it
// opens no dollar quote inside one.
bool continuesWord(QChar c) {
    return isIdentChar(c) || c == u'$';
}

// Position just after the word starting at i.
qsizetype wordEnd(const QString& t, qsizetype i) {
    qsizetype k = i;
    while (k < t.size() && continuesWord(t[k])) {
        ++k;
    }
    return k;
}

// The word starting at i, upper case.
QString wordAt(const QString& t, qsizetype i) {
    return i < t.size() && isIdentChar(t[i]) ? t.mid(i, wordEnd(t, i) - i).toUpper() : QString();
}

// Whether a line comment starts at i.
bool lineCommentAt(const QString& t, qsizetype i, const Rules& r) {
    const qsizetype n = t.size();
    if (r.hashComments && t[i] == u'#') {
        return true;
    }
    if (t[i] != u'-' || i + 1 >= n || t[i + 1] != u'-') {
        return false;
    }
    return !r.dashNeedsBlank || i + 2 >= n || t[i + 2].isSpace() || t[i + 2].unicode() < 32;
}

bool blockCommentAt(const QString& t, qsizetype i) {
    return t[i] == u'/' && i + 1 < t.size() && t[i + 1] == u'*';
}

// Position just after the construct starting at i, or text.size() when it
// runs to the end. Returns i itself when nothing special starts at i.
qsizetype skipSpecial(const QString& t, qsizetype i, const Rules& r) {
    const qsizetype n = t.size();
    const QChar c = t[i];
    if (lineCommentAt(t, i, r)) {
        qsizetype k = i + 1;
        while (k < n && t[k] != u'\n' && !(r.dashEndsAtCr && t[k] == u'\r')) {
            ++k;
        }
        return k;  // the line end itself is ordinary text
    }
    if (blockCommentAt(t, i)) {
        int depth = 0;
        qsizetype k = i;
        while (k < n) {
            if (blockCommentAt(t, k) && (depth == 0 || r.nestedComments)) {
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
    if (r.bracketNames && c == u'[') {
        const qsizetype end = t.indexOf(u']', i + 1);
        return end < 0 ? n : end + 1;
    }
    if (c == u'\'' || c == u'"' || c == u'`') {
        // E'...' takes backslash escapes; elsewhere a doubled quote stands for one.
        const bool escapes =
            (r.backslashQuotes && c != u'`') ||
            (r.escapeStrings && c == u'\'' && i > 0 && (t[i - 1] == u'E' || t[i - 1] == u'e') &&
             (i < 2 || !continuesWord(t[i - 2])));
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
    if (r.dollarQuotes && c == u'$' && (i == 0 || !continuesWord(t[i - 1]))) {
        // $tag$ ... $tag$: the tag empty or a name that does not start with
        // a digit ($1 is a parameter).
        qsizetype k = i + 1;
        if (k < n && isIdentChar(t[k]) && !t[k].isDigit()) {
            while (k < n && isIdentChar(t[k])) {
                ++k;
            }
        }
        if (k < n && t[k] == u'$') {
            const QString tag = t.mid(i, k - i + 1);
            const qsizetype end = t.indexOf(tag, k + 1);
            return end < 0 ? n : end + tag.size();
        }
    }
    return i;
}

// Position of the first character at or after i that is neither blank nor
// part of a comment. MySQL runs the text of a /*! ... */ comment, so its
// opening counts as a blank there and its text is read.
qsizetype skipBlanksAndComments(const QString& t, qsizetype i, const Rules& r) {
    const qsizetype n = t.size();
    while (i < n) {
        if (t[i].isSpace()) {
            ++i;
        } else if (r.codeComments && blockCommentAt(t, i) && i + 2 < n && t[i + 2] == u'!') {
            i += 3;
            while (i < n && t[i].isDigit()) {
                ++i;
            }
        } else if (lineCommentAt(t, i, r) || blockCommentAt(t, i)) {
            i = skipSpecial(t, i, r);
        } else {
            break;
        }
    }
    return i;
}

// The next token after i: the position after it, or after the blanks and
// comments before the end.
qsizetype tokenEnd(const QString& t, qsizetype i, const Rules& r) {
    if (isIdentChar(t[i])) {
        return wordEnd(t, i);
    }
    const qsizetype after = skipSpecial(t, i, r);
    return after > i ? after : i + 1;
}

// Position after the parenthesized group that opens at i, -1 when it does
// not close.
qsizetype groupEnd(const QString& t, qsizetype i, const Rules& r) {
    int depth = 0;
    for (qsizetype k = i; k < t.size();) {
        if (t[k] == u'(') {
            ++depth;
        } else if (t[k] == u')' && --depth == 0) {
            return k + 1;
        }
        k = tokenEnd(t, k, r);
    }
    return -1;
}

bool holdsWord(const QString& t, const QString& word, const Rules& r) {
    for (qsizetype k = 0; k < t.size(); k = tokenEnd(t, k, r)) {
        if (isIdentChar(t[k]) && wordAt(t, k) == word) {
            return true;
        }
    }
    return false;
}

bool startsReadingStatement(const QString& t, const Rules& r, int nesting);

// The rest of a WITH statement from i: each common table expression's body
// (the group after AS or MATERIALIZED) must read, and so must the statement
// after them. Anything the walk does not know is no reading statement.
bool withReads(const QString& t, qsizetype i, const Rules& r, int nesting) {
    QString previous = u"WITH"_s;
    for (;;) {
        i = skipBlanksAndComments(t, i, r);
        if (i >= t.size()) {
            return false;
        }
        const QChar c = t[i];
        if (isIdentChar(c)) {
            const QString word = wordAt(t, i);
            if (word == u"SELECT"_s || word == u"VALUES"_s || word == u"TABLE"_s) {
                return true;
            }
            if (word == u"INSERT"_s || word == u"UPDATE"_s || word == u"DELETE"_s ||
                word == u"MERGE"_s || word == u"REPLACE"_s) {
                return false;
            }
            previous = word;
            i += word.size();
        } else if (c == u'(') {
            const qsizetype end = groupEnd(t, i, r);
            if (end < 0) {
                return false;
            }
            const QString inner = t.mid(i + 1, end - i - 2);
            if (previous == u"AS"_s || previous == u"MATERIALIZED"_s) {
                if (!startsReadingStatement(inner, r, nesting + 1)) {
                    return false;
                }
                previous = u")"_s;
            } else if (previous == u")"_s) {
                // The statement itself, in parentheses.
                return startsReadingStatement(inner, r, nesting + 1);
            } else {
                previous = u"(columns)"_s;  // the names of an expression's columns
            }
            i = end;
        } else if (c == u',' || c == u'"' || c == u'`' || c == u'\'' ||
                   (r.bracketNames && c == u'[')) {
            previous = c;
            i = tokenEnd(t, i, r);
        } else {
            return false;
        }
    }
}

bool startsReadingStatement(const QString& t, const Rules& r, int nesting) {
    if (nesting > 100) {
        return false;  // deeper than any query a person writes
    }
    qsizetype i = skipBlanksAndComments(t, 0, r);
    while (i < t.size() && t[i] == u'(') {
        i = skipBlanksAndComments(t, i + 1, r);
    }
    const QString word = wordAt(t, i);
    if (word == u"SELECT"_s || word == u"VALUES"_s || word == u"TABLE"_s) {
        return true;
    }
    return word == u"WITH"_s && withReads(t, i + word.size(), r, nesting);
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

QStringList cut(const QString& text, const Rules& r) {
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
            const qsizetype end = wordEnd(text, i);
            if (r.triggerBodies && trigger.wantsWords()) {
                trigger.see(text.mid(i, end - i).toUpper());
            }
            i = end;
            continue;
        }
        const qsizetype after = skipSpecial(text, i, r);
        i = after > i ? after : i + 1;
    }
    take(n);
    return pieces;
}

bool readsUnder(const QString& piece, const Rules& r) {
    return startsReadingStatement(piece, r, 0) && !holdsWord(piece, u"INTO"_s, r);
}

}  // namespace

QString statementBody(const QString& piece, SqlDialect dialect) {
    return piece.mid(skipBlanksAndComments(piece, 0, rulesOf(dialect)));
}

QString transactionControlWords(const QString& piece, SqlDialect dialect) {
    const Rules r = rulesOf(dialect);
    const qsizetype start = skipBlanksAndComments(piece, 0, r);
    const QString first = wordAt(piece, start);
    if (first == u"ROLLBACK"_s) {
        // ROLLBACK [WORK | TRANSACTION] TO [SAVEPOINT] name undoes part of
        // the transaction and leaves it open.
        qsizetype at = skipBlanksAndComments(piece, start + first.size(), r);
        QString next = wordAt(piece, at);
        if (next == u"WORK"_s || next == u"TRANSACTION"_s) {
            at = skipBlanksAndComments(piece, at + next.size(), r);
            next = wordAt(piece, at);
        }
        return next == u"TO"_s ? QString() : first;
    }
    if (first == u"COMMIT"_s || first == u"END"_s || first == u"ABORT"_s || first == u"BEGIN"_s) {
        return first;
    }
    if (first == u"START"_s || first == u"PREPARE"_s) {
        const QString second = wordAt(piece, skipBlanksAndComments(piece, start + first.size(), r));
        if (second == u"TRANSACTION"_s) {
            return first + u" TRANSACTION"_s;
        }
    }
    return {};
}

bool isReadingStatement(const QString& piece, SqlDialect dialect) {
    const Rules r = rulesOf(dialect);
    if (!readsUnder(piece, r)) {
        return false;
    }
    if (dialect != SqlDialect::Generic) {
        return true;
    }
    // Some databases nest comments and some do not: the text must be one
    // reading statement whichever way its database reads it.
    Rules flat = r;
    flat.nestedComments = false;
    int statements = 0;
    for (const QString& p : cut(piece, flat)) {
        if (skipBlanksAndComments(p, 0, flat) < p.size()) {
            ++statements;
        }
    }
    return statements == 1 && readsUnder(piece, flat);
}

QStringList cutStatements(const QString& text, SqlDialect dialect) {
    return cut(text, rulesOf(dialect));
}

QString statementHead(const QString& piece, SqlDialect dialect) {
    QString head = statementBody(piece, dialect).section(u'\n', 0, 0).simplified();
    if (head.size() > 60) {
        head = head.left(57) + u"..."_s;
    }
    return head;
}

}  // namespace qm
