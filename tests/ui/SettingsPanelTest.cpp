#include "UiTestSupport.h"
#include "common/Errors.h"
#include "common/ScopeGuards.h"
#include "settings/KzRadioGroup.h"
#include "settings/KzSettingsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <functional>
#include <optional>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

const QString kForm = u"Software/acme/Tool/TestForm/Saved"_s;
const QString kSettings = u"Software/acme/Tool/Settings for TestForm.Panel."_s;

// A window with a settings panel that holds one control of every kind the
// panel stores, controls it must not store, and the containers it walks
// through. With movedBox the check box "Box" sits in GroupB, not GroupA.
struct TestWindow {
    explicit TestWindow(bool movedBox = false) {
        window->setObjectName(u"TestForm"_s);
        panel = new TkzSettingsPanel(window.get());
        panel->setObjectName(u"Panel"_s);
        panel->setCompanyName(u"acme"_s);
        panel->setProductName(u"Tool"_s);
        auto* layout = new QVBoxLayout(panel);

        auto* groupA = add<QGroupBox>(layout, u"GroupA"_s);
        auto* groupB = add<QGroupBox>(layout, u"GroupB"_s);
        box = new QCheckBox(u"Box"_s, movedBox ? groupB : groupA);
        box->setObjectName(u"Box"_s);

        combo = add<QComboBox>(layout, u"Combo"_s);
        combo->addItems({u"a"_s, u"b"_s, u"c"_s});
        combo->setCurrentIndex(1);
        radios = add<TkzRadioGroup>(layout, u"Radios"_s);
        for (const QString& item : {u"x"_s, u"y"_s, u"z"_s}) {
            radios->addItem(item);
        }
        radios->setItemIndex(0);
        caption = add<QLabel>(layout, u"Caption"_s);
        caption->setText(u"Hello"_s);
        edit = add<QLineEdit>(layout, u"Edit"_s);
        edit->setText(u"text"_s);

        auto* tabs = add<QTabWidget>(layout, u"Tabs"_s);
        auto* page = new QWidget;
        page->setObjectName(u"Page1"_s);
        tabs->addTab(page, u"&Page"_s);
        pageEdit = new QLineEdit(u"on a page"_s, page);
        pageEdit->setObjectName(u"PageEdit"_s);

        auto* scroll = add<QScrollArea>(layout, u"Scroll"_s);
        auto* content = new QWidget;
        content->setObjectName(u"Content"_s);
        scrolledBox = new QCheckBox(u"Scrolled"_s, content);
        scrolledBox->setObjectName(u"ScrolledBox"_s);
        scroll->setWidget(content);

        // An unnamed container is walked through without a path segment.
        auto* anonymous = new QWidget(panel);
        layout->addWidget(anonymous);
        innerEdit = new QLineEdit(u"inner"_s, anonymous);
        innerEdit->setObjectName(u"InnerEdit"_s);

        // A combo box stores its index, never the text of its own line edit.
        auto* editable = add<QComboBox>(layout, u"EditableCombo"_s);
        editable->setEditable(true);
        // Nothing of these is stored: not their own values, not the line
        // edit inside the spin box, not a control without a name.
        add<QSpinBox>(layout, u"Spin"_s);
        add<QTextEdit>(layout, u"Memo"_s)->setPlainText(u"memo"_s);
        add<QPushButton>(layout, u"Button"_s);
        add<QTableWidget>(layout, u"Grid"_s);
        layout->addWidget(new QCheckBox(u"Anonymous"_s, panel));
    }

    template <typename W>
    W* add(QVBoxLayout* layout, const QString& name) {
        auto* widget = new W(panel);
        widget->setObjectName(name);
        layout->addWidget(widget);
        return widget;
    }

    // Every stored control's value as text, by control name.
    QMap<QString, QString> values() const {
        return {{u"Box"_s, box->isChecked() ? u"1"_s : u"0"_s},
                {u"Combo"_s, QString::number(combo->currentIndex())},
                {u"Radios"_s, QString::number(radios->itemIndex())},
                {u"Caption"_s, caption->text()},
                {u"Edit"_s, edit->text()},
                {u"PageEdit"_s, pageEdit->text()},
                {u"ScrolledBox"_s, scrolledBox->isChecked() ? u"1"_s : u"0"_s},
                {u"InnerEdit"_s, innerEdit->text()}};
    }

    // Changes every stored control.
    void changeAll() {
        box->setChecked(!box->isChecked());
        combo->setCurrentIndex(2);
        radios->setItemIndex(1);
        caption->setText(u"Changed caption"_s);
        edit->setText(u"changed"_s);
        pageEdit->setText(u"changed page"_s);
        scrolledBox->setChecked(!scrolledBox->isChecked());
        innerEdit->setText(u"changed inner"_s);
    }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    TkzSettingsPanel* panel;
    QCheckBox* box;
    QComboBox* combo;
    TkzRadioGroup* radios;
    QLabel* caption;
    QLineEdit* edit;
    QLineEdit* pageEdit;
    QCheckBox* scrolledBox;
    QLineEdit* innerEdit;
};

class SettingsPanelTest : public UiTest {};

TEST_F(SettingsPanelTest, SnapshotWritesOneValuePerStoredControlUnderItsPath) {
    TestWindow w;
    w.panel->Snapshot();
    const QStringList expected{
        kSettings + u"Caption/Caption"_s,
        kSettings + u"Combo/ItemIndex"_s,
        kSettings + u"Edit/Text"_s,
        kSettings + u"EditableCombo/ItemIndex"_s,
        kSettings + u"GroupA.Box/Checked"_s,
        kSettings + u"InnerEdit/Text"_s,
        kSettings + u"Radios/ItemIndex"_s,
        kSettings + u"Scroll.Content.ScrolledBox/Checked"_s,
        kSettings + u"Tabs.Page1.PageEdit/Text"_s,
        kForm,
    };
    EXPECT_EQ(storedKeys(), expected);
    // Numbers are written as decimal text.
    EXPECT_EQ(stored(kForm), QVariant(u"1"_s));
    EXPECT_EQ(stored(kSettings + u"GroupA.Box/Checked"_s), QVariant(u"0"_s));
    EXPECT_EQ(stored(kSettings + u"Combo/ItemIndex"_s), QVariant(u"1"_s));
    EXPECT_EQ(stored(kSettings + u"Radios/ItemIndex"_s), QVariant(u"0"_s));
    EXPECT_EQ(stored(kSettings + u"Tabs.Page1.PageEdit/Text"_s), QVariant(u"on a page"_s));
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(SettingsPanelTest, RestorePutsEveryStoredValueBack) {
    TestWindow w;
    const auto designed = w.values();
    w.panel->Snapshot();
    w.changeAll();
    ASSERT_NE(w.values(), designed);
    w.panel->Restore();
    EXPECT_EQ(w.values(), designed);

    // Values of another run reach a new window of the same build.
    w.changeAll();
    const auto changed = w.values();
    w.panel->Snapshot();
    TestWindow next;
    next.panel->Restore();
    EXPECT_EQ(next.values(), changed);
}

TEST_F(SettingsPanelTest, FirstRestoreOfANeverSavedPanelStoresTheBuiltValues) {
    TestWindow w;
    w.panel->Restore();
    EXPECT_EQ(stored(kForm), QVariant(u"1"_s));
    EXPECT_EQ(stored(kSettings + u"Edit/Text"_s), QVariant(u"text"_s));
    EXPECT_EQ(w.values(), TestWindow().values());
}

// A stored value of the wrong form (or an index the control does not have)
// leaves that control as it is; every other value is still restored.
TEST_F(SettingsPanelTest, ValuesOfTheWrongFormLeaveTheControlAsItIs) {
    struct Case {
        const char* what;
        QString control;
        QString key;
        QVariant value;
        std::optional<QString> expected;  // nullopt: the control keeps its current value
    };
    const QList<Case> cases{
        {"a word for a check box", u"Box"_s, u"GroupA.Box/Checked"_s, u"yes"_s, {}},
        {"an empty text", u"Box"_s, u"GroupA.Box/Checked"_s, u""_s, {}},
        {"a hexadecimal number", u"Box"_s, u"GroupA.Box/Checked"_s, u"$1"_s, u"1"_s},
        {"a number other than 1", u"Box"_s, u"GroupA.Box/Checked"_s, u"-5"_s, u"1"_s},
        {"a number too large", u"Box"_s, u"GroupA.Box/Checked"_s, u"99999999999"_s, {}},
        {"an index past the items", u"Combo"_s, u"Combo/ItemIndex"_s, u"3"_s, {}},
        {"an index below -1", u"Combo"_s, u"Combo/ItemIndex"_s, u"-2"_s, {}},
        {"no item chosen", u"Combo"_s, u"Combo/ItemIndex"_s, u"-1"_s, u"-1"_s},
        {"a hexadecimal index", u"Radios"_s, u"Radios/ItemIndex"_s, u"$2"_s, u"2"_s},
        {"a radio index past the items", u"Radios"_s, u"Radios/ItemIndex"_s, u"3"_s, {}},
        {"a fraction", u"Radios"_s, u"Radios/ItemIndex"_s, u"1.0"_s, {}},
        {"a rectangle for a text", u"Edit"_s, u"Edit/Text"_s, QRect(1, 2, 3, 4), {}},
        {"bytes for a caption", u"Caption"_s, u"Caption/Caption"_s, QByteArray("\xff\x01"), {}},
        {"a text the store reads as a list", u"Edit"_s, u"Edit/Text"_s, QStringList{u"a"_s, u"b"_s},
         u"a, b"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow w;
        const auto saved = w.values();
        w.panel->Snapshot();
        storeValue(kSettings + c.key, c.value);
        w.changeAll();
        const auto current = w.values();

        w.panel->Restore();

        auto expected = saved;
        expected[c.control] = c.expected.value_or(current[c.control]);
        EXPECT_EQ(w.values(), expected);
    }
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(SettingsPanelTest, ASavedFlagOfTheWrongFormCountsAsNeverSaved) {
    TestWindow w;
    w.panel->Snapshot();
    w.changeAll();
    const auto changed = w.values();
    storeValue(kForm, u"maybe"_s);
    w.panel->Restore();  // stores the controls instead of restoring them
    EXPECT_EQ(w.values(), changed);
    EXPECT_EQ(stored(kForm), QVariant(u"1"_s));
    EXPECT_EQ(stored(kSettings + u"Edit/Text"_s), QVariant(u"changed"_s));
}

TEST_F(SettingsPanelTest, ACheckBoxMovedToAnotherGroupBoxStartsFromItsBuiltState) {
    {
        TestWindow before;
        before.panel->Restore();
        before.box->setChecked(true);
        before.panel->Snapshot();
    }
    TestWindow moved(true);
    moved.panel->Restore();
    EXPECT_FALSE(moved.box->isChecked());  // the old path's value is not found
    moved.panel->Snapshot();
    EXPECT_EQ(stored(kSettings + u"GroupB.Box/Checked"_s), QVariant(u"0"_s));
    // The old value stays behind under the old path.
    EXPECT_EQ(stored(kSettings + u"GroupA.Box/Checked"_s), QVariant(u"1"_s));
}

TEST_F(SettingsPanelTest, IniLocationJoinsCompanyAndProduct) {
    struct Case {
        QString company;
        QString product;
        QString expected;
    };
    const QList<Case> cases{
        {u"kazmo"_s, u"Vistrel"_s, u"\\Software\\kazmo\\Vistrel"_s},
        {u""_s, u"Vistrel"_s, u"\\Software\\Vistrel"_s},
        {u"\\kazmo\\"_s, u"\\\\Vistrel"_s, u"\\Software\\kazmo\\Vistrel"_s},
        {u"a\\\\\\b"_s, u"c"_s, u"\\Software\\a\\b\\c"_s},
    };
    TkzSettingsPanel panel;
    for (const Case& c : cases) {
        panel.setCompanyName(c.company);
        panel.setProductName(c.product);
        EXPECT_EQ(panel.GetIniLocation(), c.expected);
    }
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(SettingsPanelTest, MissingProductNameIsReported) {
    TkzSettingsPanel panel;
    panel.setCompanyName(u"acme"_s);
    script({{BoxButton::Yes, false}});
    EXPECT_EQ(panel.GetIniLocation(), u"\\Software\\acme\\"_s);
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_TRUE(shownBoxes()[0].text.contains(
        u"\r\n\r\nMessage: no productname\r\n\r\n(It happened at TkzSettingsPanel.GetIniLocation)"_s))
        << shownBoxes()[0].text.toStdString();

    script({{BoxButton::No, false}});
    try {
        panel.GetIniLocation();
        FAIL() << "a No did not end the operation";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  u"Terminating program in TkzSettingsPanel.GetIniLocation. "
                  u"Message was: no productname - precondition violation."_s);
    }
}

TEST_F(SettingsPanelTest, APanelWithoutAWindowIsReportedAndStoresNothing) {
    const QList<std::pair<QString, std::function<void(TkzSettingsPanel&)>>> operations{
        {u"Restore"_s, [](TkzSettingsPanel& p) { p.Restore(); }},
        {u"Snapshot"_s, [](TkzSettingsPanel& p) { p.Snapshot(); }},
    };
    for (const auto& [method, run] : operations) {
        SCOPED_TRACE(method.toStdString());
        TkzSettingsPanel panel;  // no parent: a window of its own
        panel.setObjectName(u"Panel"_s);
        panel.setProductName(u"Tool"_s);
        auto* edit = new QLineEdit(u"text"_s, &panel);
        edit->setObjectName(u"Edit"_s);

        script({{BoxButton::Yes, false}});
        run(panel);  // told to go on, it does nothing
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_TRUE(shownBoxes()[0].text.contains(u"Message: owner is not a form"_s));
        EXPECT_TRUE(
            shownBoxes()[0].text.contains(u"(It happened at TkzSettingsPanel."_s + method + u')'));

        script({{BoxButton::No, false}});
        try {
            run(panel);
            FAIL() << "a No did not end the operation";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), u"Terminating program in TkzSettingsPanel."_s + method +
                                       u". Message was: owner is not a form - precondition "
                                       u"violation."_s);
        }
        EXPECT_TRUE(storedKeys().isEmpty());
    }
}

TEST_F(SettingsPanelTest, AStoreThatCannotBeWrittenIsReported) {
    TestWindow w;
    w.panel->Snapshot();
    // A file where the store's folder should be: nothing can be written,
    // whatever the user's rights.
    const QString folder = QFileInfo(RegistryStore::filePath()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    // The blocking file goes on every way out, so later tests find a store.
    const Finally unblock([&] { QFile::remove(folder); });
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    w.changeAll();
    try {
        w.panel->Snapshot();
        ADD_FAILURE() << "the failed write went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  u"Cannot save the settings in \""_s + RegistryStore::filePath() + u'"');
    }
}

TEST(KzRadioGroup, ChoosesOneItemOrNone) {
    TkzRadioGroup group;
    EXPECT_EQ(group.itemIndex(), -1);
    group.addItem(u"One"_s);
    group.addItem(u"Two"_s);
    EXPECT_EQ(group.items(), QStringList({u"One"_s, u"Two"_s}));
    group.setItemIndex(1);
    EXPECT_EQ(group.itemIndex(), 1);
    group.setItemIndex(0);
    EXPECT_EQ(group.itemIndex(), 0);
    group.setItemIndex(2);  // no such item: unchanged
    EXPECT_EQ(group.itemIndex(), 0);
    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    group.setItemIndex(1);  // still exclusive after clearing
    group.setItemIndex(0);
    EXPECT_EQ(group.itemIndex(), 0);
    EXPECT_FALSE(group.findChildren<QRadioButton*>()[1]->isChecked());
}

}  // namespace
