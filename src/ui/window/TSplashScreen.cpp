#include "window/TSplashScreen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace qm {

TSplashScreen::TSplashScreen()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(u"SplashScreen"_s);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The picture covers every pixel: no background erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kSize, kSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
    timer_.setSingleShot(true);
    timer_.setInterval(kShowMs);
    connect(&timer_, &QTimer::timeout, this, &QWidget::close);
}

void TSplashScreen::showNow() {
    show();
    repaint();
    timer_.start();
}

void TSplashScreen::takeFocus() {
    if (isVisible()) {
        setCursor(Qt::PointingHandCursor);
        raise();
        activateWindow();
        setFocus();
    }
}

void TSplashScreen::paintEvent(QPaintEvent*) {
    // The program's own picture: its name over a band of its colours.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, kSize, 0);
    band.setColorAt(0.0, QColor(0, 90, 160));
    band.setColorAt(1.0, QColor(0, 170, 170));
    painter.fillRect(QRect(0, 190, kSize, 6), band);
    QFont title(u"Sans Serif"_s);
    title.setPixelSize(44);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 110, kSize, 70), Qt::AlignCenter, u"Quillmere"_s);
    QFont note = title;
    note.setPixelSize(14);
    note.setBold(false);
    painter.setFont(note);
    painter.setPen(QColor(180, 200, 220));
    painter.drawText(QRect(0, 205, kSize, 30), Qt::AlignCenter,
                     u"Source and target tables in step"_s);
}

void TSplashScreen::mousePressEvent(QMouseEvent*) {
    close();
}

void TSplashScreen::keyPressEvent(QKeyEvent* event) {
    close();
    if (event->key() == Qt::Key_Escape) {
        emit terminateRequested();
    }
}

}  // namespace qm
