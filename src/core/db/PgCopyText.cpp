// COPY's text format escapes a backslash, the tab and line-end characters
// and writes NULL as \N; everything else is the value's text as it is.
#include "db/PgCopyText.h"

#include <cstring>

namespace qm {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

namespace {

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// Unescapes [from, end) to `to` (at most `from`); the end of what was
// written, or nullptr for a lone backslash at the end.
char* unescape(const char* from, const char* end, char* to) {
    while (from < end) {
        const char c = *from++;
        if (c != '\\') {
            *to++ = c;
            continue;
        }
        if (from == end) {
            return nullptr;
        }
        const char e = *from++;
        switch (e) {
            case 'b':
                *to++ = '\b';
                break;
            case 'f':
                *to++ = '\f';
                break;
            case 'n':
                *to++ = '\n';
                break;
            case 'r':
                *to++ = '\r';
                break;
            case 't':
                *to++ = '\t';
                break;
            case 'v':
                *to++ = '\v';
                break;
            case 'x': {
                int v = from < end ? hexDigitValue(*from) : -1;
                if (v < 0) {
                    *to++ = 'x';  // no digit follows: the letter itself
                    break;
                }
                ++from;
                if (from < end && hexDigitValue(*from) >= 0) {
                    v = v * 16 + hexDigitValue(*from++);
                }
                *to++ = static_cast<char>(v);
                break;
            }
            default:
                if (isOctal(e)) {
                    int v = e - '0';
                    for (int k = 0; k < 2 && from < end && isOctal(*from); ++k) {
                        v = v * 8 + (*from++ - '0');
                    }
                    *to++ = static_cast<char>(v & 0xff);
                } else {
                    *to++ = e;  // a backslash, or any other character as it is
                }
                break;
        }
    }
    return to;
}

bool startsWithWord(const char* p, const char* end, const char* word) {
    const std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(end - p) < n) {
        return false;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if ((p[k] | 0x20) != word[k]) {
            return false;
        }
    }
    if (p + n == end) {
        return true;
    }
    const char next = p[n];
    return !((next | 0x20) >= 'a' && (next | 0x20) <= 'z') && !(next >= '0' && next <= '9') &&
           next != '_' && next != '$' && static_cast<unsigned char>(next) < 0x80;
}

}  // namespace

bool splitPgCopyLine(char* line, std::size_t length, std::vector<PgCopyCell>& cells) {
    cells.clear();
    char* p = line;
    char* const end = line + length - (length > 0 && line[length - 1] == '\n' ? 1 : 0);
    for (;;) {
        char* tab = static_cast<char*>(std::memchr(p, '\t', static_cast<std::size_t>(end - p)));
        char* const fieldEnd = tab ? tab : end;
        if (fieldEnd - p == 2 && p[0] == '\\' && p[1] == 'N') {
            cells.push_back({});
        } else {
            char* written = fieldEnd;
            if (char* slash = static_cast<char*>(
                    std::memchr(p, '\\', static_cast<std::size_t>(fieldEnd - p)))) {
                written = unescape(slash, fieldEnd, slash);
                if (!written) {
                    return false;
                }
            }
            *written = '\0';
            cells.push_back({p, static_cast<int>(written - p), false});
        }
        if (!tab) {
            return true;
        }
        p = tab + 1;
    }
}

QByteArray pgCopyStatement(const QByteArray& statement) {
    const char* p = statement.constData();
    const char* end = p + statement.size();
    // Comments and parentheses before the first word.
    for (;;) {
        while (p < end &&
               (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\f' || *p == '(')) {
            ++p;
        }
        if (end - p >= 2 && p[0] == '-' && p[1] == '-') {
            while (p < end && *p != '\n') {
                ++p;
            }
        } else if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
            // Block comments nest.
            int depth = 0;
            while (p < end) {
                if (end - p >= 2 && p[0] == '/' && p[1] == '*') {
                    ++depth;
                    p += 2;
                } else if (end - p >= 2 && p[0] == '*' && p[1] == '/') {
                    p += 2;
                    if (--depth == 0) {
                        break;
                    }
                } else {
                    ++p;
                }
            }
        } else {
            break;
        }
    }
    if (!startsWithWord(p, end, "select") && !startsWithWord(p, end, "with") &&
        !startsWithWord(p, end, "values") && !startsWithWord(p, end, "table")) {
        return {};
    }
    qsizetype n = statement.size();
    while (n > 0 &&
           (statement[n - 1] == ';' || statement[n - 1] == ' ' || statement[n - 1] == '\t' ||
            statement[n - 1] == '\r' || statement[n - 1] == '\n' || statement[n - 1] == '\f')) {
        --n;
    }
    // The statement stands on lines of its own, so that a comment at its end
    // does not swallow the closing parenthesis.
    return QByteArrayLiteral("COPY (\n") + statement.left(n) + QByteArrayLiteral("\n) TO STDOUT");
}

}  // namespace qm
