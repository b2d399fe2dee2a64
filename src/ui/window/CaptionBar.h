#pragma once

class QLabel;
class QString;
class QWidget;

namespace qm {

/// The caption bar above a grid: its title in bold italics on the inactive
/// caption colour at the left, a record-count label at the right, which is
/// returned through `count` (initially "Not open").
QWidget* makeCaptionBar(QWidget* parent, const QString& title, QLabel*& count);

}  // namespace qm
