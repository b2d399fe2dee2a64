#pragma once

#include <QTimer>
#include <QWidget>

namespace qm {

/// The optional start picture: a 320 by 320 black window without frame,
/// centred on the screen. It closes after kShowMs milliseconds, on a click
/// or on any key; Escape also asks the program to end (terminateRequested).
class TSplashScreen : public QWidget {
    Q_OBJECT

public:
    static constexpr int kShowMs = 5000;
    static constexpr int kSize = 320;

    TSplashScreen();
    /// Shows it and paints it at once.
    void showNow();
    /// Takes the keyboard focus so that it stays in front until it closes.
    void takeFocus();

signals:
    void terminateRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTimer timer_;
};

}  // namespace qm
