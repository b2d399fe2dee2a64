#pragma once

#include <QByteArray>
#include <cstddef>
#include <vector>

namespace qm {

/// One field of a line of COPY's text format: its text, unescaped and ended
/// by '\0' inside the line, or null.
struct PgCopyCell {
    const char* text = nullptr;
    int length = 0;
    bool null = true;
};

/// The value of one hexadecimal digit (either letter case); -1 for any
/// other character. PostgreSQL writes hex in COPY escapes and in bytea.
int hexDigitValue(char c);

/// Splits one line of `COPY ... TO STDOUT` text output (tab-separated, with
/// or without its final '\n') into its fields and unescapes each in place,
/// so that every field holds the text the server writes for the value in a
/// plain result. line[length] must be writable. False when the line ends in
/// a lone backslash.
bool splitPgCopyLine(char* line, std::size_t length, std::vector<PgCopyCell>& cells);

/// `COPY (<statement>) TO STDOUT` for a statement that reads rows (SELECT,
/// WITH, VALUES or TABLE, with a final ';' dropped); empty for any other.
QByteArray pgCopyStatement(const QByteArray& statement);

}  // namespace qm
