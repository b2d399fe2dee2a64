#include "window/LegendStrip.h"

#include "models/LegendColours.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace qm {

LegendStrip::LegendStrip(QWidget* parent) : QWidget(parent) {
    setObjectName(u"LegendPanel"_s);
    setFixedHeight(33);
    legend_ = new QWidget(this);
    legend_->setObjectName(u"Legend"_s);
    legend_->setGeometry(0, 0, LegendColours::kStripWidth, height());
    const int top = (height() - LegendColours::kEntryHeight) / 2;
    auto* title = new QLabel(u"Legend:"_s, legend_);
    title->setGeometry(LegendColours::kTitleLeft, top, 56, LegendColours::kEntryHeight);
    for (const LegendEntry& entry : LegendColours::entries()) {
        auto* label = new QLabel(entry.caption, legend_);
        label->setObjectName(entry.name);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, entry.colour);
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        // Bold text in the labels' fixed widths: a smaller size where the
        // interface font would not fit.
        QFont font = label->font();
        font.setBold(true);
        while (font.pointSizeF() > 6 &&
               QFontMetrics(font).horizontalAdvance(entry.caption) > entry.width - 6) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
        label->setFont(font);
        label->setGeometry(entry.left, top, entry.width, LegendColours::kEntryHeight);
    }
    keepAtRightEdge();
}

void LegendStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!terminating_) {
        keepAtRightEdge();
    }
}

void LegendStrip::keepAtRightEdge() {
    legend_->move(width() - LegendColours::kStripWidth, 0);
}

}  // namespace qm
