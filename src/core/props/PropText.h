#pragma once

#include <QString>
#include <QStringList>

namespace qm::PropText {

/// The lines of a text, split at CR LF, LF or CR; a final line break ends
/// the last line instead of starting an empty one.
QStringList splitLines(const QString& text);

/// Comma text of lines: a line holding a blank, a control character, a
/// double quote or a comma is quoted (inner quotes doubled); one empty line
/// gives "".
QString commaText(const QStringList& lines);
/// Lines of a comma text: quoted items run to their closing quote, others to
/// the next blank or comma; blanks and one comma separate items.
QStringList parseCommaText(const QString& text);

/// The stored form of a string value: its comma text in one more pair of
/// quotes, or nothing for an empty value. Line breaks become separators.
QString encode(const QString& value);

/// The value of a stored text. Whatever encode wrote comes back as its lines
/// joined with CR LF; only a single final line break of the value is lost,
/// and the value read encodes to the same text again. A text without a
/// leading quote, written by hand, is one line taken as it stands.
QString decode(const QString& stored);

}  // namespace qm::PropText
