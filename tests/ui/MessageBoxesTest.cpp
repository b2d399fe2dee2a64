#include "UiTestSupport.h"
#include "boxes/WidgetMessageBoxes.h"
#include "report/DontShowAgain.h"
#include "report/PrjMsgViewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

// Answers every box the widget message boxes show: a timer looks for the
// modal box and hands it to the answer function, which must close it.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<void(QMessageBox&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++answered;
                answer_(*box);
            }
        });
        timer_.start(10);
    }
    int answered = 0;

private:
    QTimer timer_;
    std::function<void(QMessageBox&)> answer_;
};

class WidgetMessageBoxesTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        previousName_ = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(u"Quillmere"_s);
    }
    void TearDown() override {
        QCoreApplication::setApplicationName(previousName_);
        UiTest::TearDown();
    }

private:
    QString previousName_;
};

TEST_F(WidgetMessageBoxesTest, BoxesTakeIconButtonsAndCaptionFromTheRequest) {
    struct Case {
        BoxKind kind;
        QList<BoxButton> buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons standard;
    };
    const QList<Case> cases{
        {BoxKind::Information, {BoxButton::Ok}, QMessageBox::Information, QMessageBox::Ok},
        {BoxKind::Warning,
         {BoxButton::Yes, BoxButton::No},
         QMessageBox::Warning,
         QMessageBox::Yes | QMessageBox::No},
        {BoxKind::Error, {BoxButton::Ok}, QMessageBox::Critical, QMessageBox::Ok},
        {BoxKind::Confirmation,
         {BoxButton::Yes, BoxButton::No, BoxButton::Cancel},
         QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
    };
    for (const Case& c : cases) {
        BoxRequest request;
        request.kind = c.kind;
        request.buttons = c.buttons;
        request.text = u"Quillmere\r\n\r\nWarning!\r\n\r\nMessage: <b>a < b</b>"_s;
        const auto box = WidgetMessageBoxes::build(request);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), c.standard);
        EXPECT_EQ(box->windowTitle(), u"Quillmere"_s);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), u"Quillmere\n\nWarning!\n\nMessage: <b>a < b</b>"_s);
        EXPECT_EQ(box->checkBox(), nullptr);
    }
}

TEST_F(WidgetMessageBoxesTest, DontShowAgainBoxCarriesTheCheckBoxAndItsAnswer) {
    BoxRequest request;
    request.kind = BoxKind::Confirmation;
    request.buttons = {BoxButton::Yes, BoxButton::No};
    request.text = u"Overwrite?"_s;
    request.dontShowAgainBox = true;
    const auto box = WidgetMessageBoxes::build(request);
    QCheckBox* check = box->checkBox();
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->objectName(), u"__DSA_CheckBox"_s);
    EXPECT_EQ(check->text(), u"&Don't show this message again"_s);
    EXPECT_FALSE(check->isChecked());

    // Not answered yet: the box counts as closed with its last button.
    BoxAnswer answer = WidgetMessageBoxes::answerOf(*box, request);
    EXPECT_EQ(answer.button, BoxButton::No);
    EXPECT_FALSE(answer.dontShowAgainTicked);

    box->show();
    QTest::mouseClick(check, Qt::LeftButton);
    box->button(QMessageBox::Yes)->click();
    answer = WidgetMessageBoxes::answerOf(*box, request);
    EXPECT_EQ(answer.button, BoxButton::Yes);
    EXPECT_TRUE(answer.dontShowAgainTicked);
}

TEST_F(WidgetMessageBoxesTest, ShowWaitsForTheAnswer) {
    WidgetMessageBoxes boxes;
    BoxRequest request;
    request.kind = BoxKind::Warning;
    request.buttons = {BoxButton::Yes, BoxButton::No};
    request.text = u"Continue?"_s;
    {
        BoxAnswerer answerer([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
        EXPECT_EQ(boxes.show(request).button, BoxButton::No);
        EXPECT_EQ(answerer.answered, 1);
    }
    {
        // Escape closes a Yes/No question with No.
        BoxAnswerer answerer([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        EXPECT_EQ(boxes.show(request).button, BoxButton::No);
    }
}

// The message viewer on real boxes: a ticked check box is remembered, and
// the message is not shown again.
TEST_F(WidgetMessageBoxesTest, TickedCheckBoxSuppressesTheMessage) {
    WidgetMessageBoxes boxes;
    MessageBoxes::install(&boxes);
    const QString text = u"Script written to the clipboard"_s;
    {
        BoxAnswerer answerer([](QMessageBox& box) {
            box.checkBox()->setChecked(true);
            box.button(QMessageBox::Ok)->click();
        });
        TPrjMsgViewer::instance().ShowInfo(text, true);
        TPrjMsgViewer::instance().ShowInfo(text, true);
        EXPECT_EQ(answerer.answered, 1);
    }
    MessageBoxes::install(nullptr);
    EXPECT_TRUE(DontShowAgain::suppressed(u"Script written to the clipboard."_s));
}

}  // namespace
