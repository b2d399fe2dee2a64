#pragma once

#include <QString>

namespace qm {

/// The text followed by "." unless it already ends with "!", ")", "." or "?".
QString EnsurePunctuation(const QString& text);

/// A command caption made fit for a title: every "&" not preceded by another
/// "&" dropped ("&&" becomes "&"), then every "..." removed.
QString StripMenuCaption(const QString& text);

/// The text of the box that shows a failure nobody handled: the message,
/// with "." added when its last character sorts after "." (so "!", ")" and
/// "." endings stay, "?" and letters get the period).
QString unhandledErrorText(const QString& message);

}  // namespace qm
