#include "window/CaptionBar.h"

#include <QColor>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace qm {

QWidget* makeCaptionBar(QWidget* parent, const QString& title, QLabel*& count) {
    auto* bar = new QWidget(parent);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, QColor(191, 205, 219));  // inactive caption
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
    bar->setPalette(palette);
    auto* text = new QLabel(title, bar);
    QFont font(u"Arial"_s);
    font.setPixelSize(16);
    font.setBold(true);
    font.setItalic(true);
    text->setFont(font);
    count = new QLabel(u"Not open"_s, bar);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(text);
    layout->addStretch(1);
    layout->addWidget(count);
    return bar;
}

}  // namespace qm
