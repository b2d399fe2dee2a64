#include "window/QueryTab.h"

using namespace Qt::StringLiterals;

namespace qm {

QueryTab::QueryTab(QAction& queryOpen, QWidget* parent) : QWidget(parent) {
    Q_UNUSED(queryOpen);
    setObjectName(u"QueryTabSheet"_s);
}

}  // namespace qm
