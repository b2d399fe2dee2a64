#pragma once

#include <QWidget>

class QAction;

namespace qm {

/// The "Query" tab: an ad-hoc query against the source or the target
/// database, with its result browsed read-only.
class QueryTab : public QWidget {
    Q_OBJECT

public:
    /// `queryOpen` is the "&Open" command its button runs.
    explicit QueryTab(QAction& queryOpen, QWidget* parent = nullptr);
};

}  // namespace qm
