#pragma once

#include "report/MessageBoxes.h"

namespace qm {

/// Message boxes with the check box "&Don't show this message again". The
/// answer is kept per message in the per-user store: at the key made of the
/// reduced store location and the reduced identifier (the message text
/// unless given), value "DontShow". Reduced means only ASCII letters and
/// digits kept, so messages that differ only in punctuation or blanks share
/// one answer.
namespace DontShowAgain {

/// Letters and digits of a text.
QString reduce(const QString& text);
/// "Software\<title>\DSADialogs", the title being the executable's name up
/// to its first ".", in lower case after the first character.
QString defaultLocation();
/// True when the message is not to be shown. A value that cannot be read
/// counts as "show". An identifier or location that reduces to nothing
/// raises "DSAIdentsGetState storage specifier blank".
bool suppressed(const QString& identifier, const QString& location = QString());
/// Stores the answer; write errors are ignored.
void setSuppressed(const QString& identifier, bool dontShow, const QString& location = QString());

/// Shows the box unless suppressed (then returns defaultResult) and stores
/// the check box's state.
BoxButton MessageDlgDSA(const QString& text, BoxKind kind, const QList<BoxButton>& buttons,
                        BoxButton defaultResult, const QString& identifier = QString(),
                        const QString& location = QString());

}  // namespace DontShowAgain
}  // namespace qm
