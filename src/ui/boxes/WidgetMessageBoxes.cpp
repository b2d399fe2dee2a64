#include "boxes/WidgetMessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QMessageBox::Icon iconOf(BoxKind kind) {
    switch (kind) {
        case BoxKind::Information:
            return QMessageBox::Information;
        case BoxKind::Warning:
            return QMessageBox::Warning;
        case BoxKind::Error:
            return QMessageBox::Critical;
        case BoxKind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton standardOf(BoxButton button) {
    switch (button) {
        case BoxButton::Ok:
            return QMessageBox::Ok;
        case BoxButton::Yes:
            return QMessageBox::Yes;
        case BoxButton::No:
            return QMessageBox::No;
        case BoxButton::Cancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::NoButton;
}

}  // namespace

QString WidgetMessageBoxes::caption() {
    // The same title the error reporter puts in front of its reports.
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? u"Quillmere"_s : name;
}

std::unique_ptr<QMessageBox> WidgetMessageBoxes::build(const BoxRequest& request, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(iconOf(request.kind));
    box->setWindowTitle(caption());
    // Report texts hold SQL and file names: never let "<" turn them into
    // markup. They are built with CR LF line breaks, which a label would
    // show as two breaks.
    box->setTextFormat(Qt::PlainText);
    QString text = request.text;
    box->setText(text.replace(u"\r\n"_s, u"\n"_s));
    for (BoxButton button : request.buttons) {
        box->addButton(standardOf(button));
    }
    if (request.dontShowAgainBox) {
        auto* check = new QCheckBox(u"&Don't show this message again"_s, box.get());
        check->setObjectName(QString::fromUtf16(kDontShowAgainName));
        box->setCheckBox(check);  // the box owns it
    }
    return box;
}

BoxAnswer WidgetMessageBoxes::answerOf(const QMessageBox& box, const BoxRequest& request) {
    BoxAnswer answer;
    answer.button = request.buttons.isEmpty() ? BoxButton::Ok : request.buttons.last();
    if (QAbstractButton* clicked = box.clickedButton()) {
        const QMessageBox::StandardButton pressed = box.standardButton(clicked);
        for (BoxButton button : request.buttons) {
            if (standardOf(button) == pressed) {
                answer.button = button;
            }
        }
    }
    answer.dontShowAgainTicked = box.checkBox() && box.checkBox()->isChecked();
    return answer;
}

BoxAnswer WidgetMessageBoxes::show(const BoxRequest& request) {
    const std::unique_ptr<QMessageBox> box = build(request, QApplication::activeWindow());
    box->exec();
    return answerOf(*box, request);
}

}  // namespace qm
