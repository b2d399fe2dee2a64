#pragma once

#include <QString>
#include <QStringList>

namespace qm {

class MemData;

/// The TAB-separated text format of the default table-setup and database
/// setup files: a header line with the stored columns' names, then one line
/// per row with each value's text, lines ending in CR LF, Booleans as
/// "True"/"False", null as the empty text.
///
/// Values that hold a TAB, CR, LF or backslash cannot stand in this format as
/// they are. When a list holds such values, the file's header gets one more
/// name, "#escaped", and every value is written with "\t", "\r", "\n" and "\\"
/// for those characters. Files without that header name are read exactly as
/// written, so files written without such values, and files of earlier
/// versions, read as before; earlier readers skip the unknown header name.
namespace DefaultFile {

inline constexpr char16_t kEscapedMarker[] = u"#escaped";

/// Writes the list's rows to a file, replacing it atomically; keeps the
/// current row. Raises Error when the file cannot be written.
///
/// The columns named in `omittedWhileEmpty` are written only when some row
/// holds a value other than null or the empty text in them: a column added
/// to a list after its files were in use leaves the files of users who never
/// use it as they were. Reading a file without the column leaves it null.
void save(MemData& list, const QString& path, const QStringList& omittedWhileEmpty = {});

/// Appends and posts one row per data line of the file. Raises Error for
/// an unreadable file and ConversionError for a value that does not fit
/// its column.
void load(MemData& list, const QString& path);

}  // namespace DefaultFile
}  // namespace qm
