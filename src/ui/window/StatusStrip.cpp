#include "window/StatusStrip.h"

#include "window/MainWindowTexts.h"

#include <QLabel>
#include <QPainter>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

/// The gauge panel: filled with the button-face colour; nothing sets a
/// value for it.
class Gauge : public QWidget {
public:
    explicit Gauge(QWidget* parent) : QWidget(parent) { setFixedWidth(100); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().button());
    }
};

QLabel* panel(QWidget* parent, const QString& name, int width) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

}  // namespace

StatusStrip::StatusStrip(QWidget* parent) : QStatusBar(parent) {
    setObjectName(u"StatusBar"_s);
    setSizeGripEnabled(false);
    status_ = panel(this, u"StatusPanel"_s, 300);
    count_ = panel(this, u"TableSetupCountPanel"_s, 300);
    modified_ = panel(this, u"ModifiedPanel"_s, 22);
    modified_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for its one text: 22 pixels would clip it.
    modified_->setFixedWidth(
        std::max(22, modified_->fontMetrics().horizontalAdvance(u"Modified"_s) + 8));
    addWidget(status_);
    cancel_ = new QToolButton(this);
    cancel_->setObjectName(u"CancelWorkButton"_s);
    cancel_->setText(u"Cancel"_s);
    cancel_->setToolTip(u"Stop the work (Esc)"_s);
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->hide();
    connect(cancel_, &QToolButton::clicked, this, &StatusStrip::cancelClicked);
    addWidget(cancel_);
    addWidget(new Gauge(this));
    addWidget(count_);
    addWidget(modified_);
}

void StatusStrip::setStatusText(const QString& text) {
    status_->setText(text);
}

QString StatusStrip::statusText() const {
    return status_->text();
}

void StatusStrip::setTableSetupCount(std::optional<int> tableSetups) {
    count_->setText(qm::tableSetupCountText(tableSetups));
}

QString StatusStrip::tableSetupCountText() const {
    return count_->text();
}

void StatusStrip::setModified(bool modified) {
    modified_->setText(modified ? u"Modified"_s : QString());
}

QString StatusStrip::modifiedText() const {
    return modified_->text();
}

void StatusStrip::setWorking(bool working) {
    cancel_->setVisible(working);
}

bool StatusStrip::working() const {
    return !cancel_->isHidden();
}

}  // namespace qm
