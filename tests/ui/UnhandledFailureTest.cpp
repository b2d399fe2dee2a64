#include "UiTestSupport.h"
#include "report/KzError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

const QEvent::Type kFail = static_cast<QEvent::Type>(QEvent::User + 1);

// An object whose event handler fails the way an operation does.
class FailingObject : public QObject {
public:
    explicit FailingObject(std::function<void()> fail) : fail_(std::move(fail)) {}
    int delivered = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() != kFail) {
            return QObject::event(event);
        }
        ++delivered;
        fail_();
        return true;
    }

private:
    std::function<void()> fail_;
};

class FailingEdit : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent*) override { throw Error(u"Key not allowed here"_s); }
};

class UnhandledFailureTest : public UiTest {};

TEST_F(UnhandledFailureTest, AFailureReachingTheEventLoopIsShownAndTheProgramGoesOn) {
    struct Case {
        const char* what;
        std::function<void()> fail;
        std::optional<QString> shown;  // nullopt: no box
    };
    const QList<Case> cases{
        {"a message with a letter last", [] { throw Error(u"Disk full"_s); }, u"Disk full."_s},
        {"a message ending in !", [] { throw Error(u"Stop!"_s); }, u"Stop!"_s},
        {"a message ending in )", [] { throw Error(u"(code 5)"_s); }, u"(code 5)"_s},
        {"a message ending in ?", [] { throw Error(u"Why?"_s); }, u"Why?."_s},
        {"a report of the error reporter", [] { throw EProgError(u"Title\r\n\r\nBad."_s); },
         u"Title\r\n\r\nBad."_s},
        {"a standard exception", [] { throw std::runtime_error("bad allocation size"); },
         u"bad allocation size."_s},
        {"a silent abort", [] { throw SilentAbort(); }, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script({});
        FailingObject object(c.fail);
        QCoreApplication::postEvent(&object, new QEvent(kFail));
        QCoreApplication::sendPostedEvents(&object);
        ASSERT_EQ(object.delivered, 1);
        if (c.shown) {
            ASSERT_EQ(shownBoxes().size(), 1);
            EXPECT_EQ(shownBoxes()[0].kind, BoxKind::Error);
            EXPECT_EQ(shownBoxes()[0].buttons, QList<BoxButton>{BoxButton::Ok});
            EXPECT_EQ(shownBoxes()[0].text, *c.shown);
        } else {
            EXPECT_TRUE(shownBoxes().isEmpty());
        }
        // The event loop still delivers.
        QCoreApplication::postEvent(&object, new QEvent(kFail));
        QCoreApplication::sendPostedEvents(&object);
        EXPECT_EQ(object.delivered, 2);
    }
}

TEST_F(UnhandledFailureTest, AFailingKeyHandlerOfAWidgetIsShown) {
    FailingEdit edit;
    edit.show();
    QTest::keyClick(&edit, Qt::Key_A);
    QTest::keyClick(&edit, Qt::Key_B);
    ASSERT_EQ(shownBoxes().size(), 2);
    EXPECT_EQ(shownBoxes()[1].text, u"Key not allowed here."_s);
}

}  // namespace
