#pragma once

#include <QString>

namespace qm {

class CommandPrompts;
class MessageViewer;

/// Script files: plain text, one editor line per file line, every line
/// ending in CR LF. Editor texts here have their lines joined by "\n".
namespace ScriptFiles {

/// The extension of an entry of the save dialog's filter: ".SQL" for the
/// first ("SQL text files"), ".TXT" for the second ("Text files").
QString filterExtension(int filterIndex);

/// `name` with the extension of the filter entry appended when its file
/// name has no extension.
QString completeName(const QString& name, int filterIndex);

/// The editor text of a script file: its lines, whatever their breaks
/// (CR LF, LF or CR), without an empty line for the final break. Raises
/// Error naming the file when it cannot be read.
QString read(const QString& path);

/// Writes the editor text as a script file, replacing the file atomically,
/// so a failure leaves an existing file as it was. A path that is not a
/// regular file (a folder, a device) is refused. Raises Error naming the
/// file.
void write(const QString& path, const QString& editorText);

/// The save dialog until a name is accepted: a name without extension gets
/// the selected filter's one, and an existing file is replaced only when
/// the user agrees (No shows the dialog again with the completed name).
/// Empty when the user cancels.
QString askSaveName(CommandPrompts& prompts, MessageViewer& messages);

}  // namespace ScriptFiles

}  // namespace qm
