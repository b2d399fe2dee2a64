// The Script menu's file commands on the main window's script editor: new,
// open and save as, with the save dialog and the overwrite question answered
// from a script.

#include "commands/TActionsDM.h"
#include "ui/window/MainWindowHarness.h"
#include "window/ScriptTab.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class ScriptFilesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        script({});
        h_.show();
    }

    QPlainTextEdit& memo() { return h_.form->scriptTab().ScriptMemo(); }

    QByteArray fileBytes(const QString& name) const {
        QFile f(h_.path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    void writeFile(const QString& name, const QByteArray& bytes) const {
        QFile f(h_.path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    MainWindowHarness h_;
};

TEST_F(ScriptFilesTest, SaveAsCompletesTheExtensionOfTheChosenFilter) {
    struct Case {
        QString typed;
        int filter;
        QString written;
    };
    const Case cases[] = {
        {u"plain"_s, 0, u"plain.SQL"_s},
        {u"notes"_s, 1, u"notes.TXT"_s},
        {u"own.sql"_s, 1, u"own.sql"_s},
    };
    memo().setPlainText(u"DELETE FROM t;\nINSERT INTO t VALUES ('\u00a0');"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        h_.commandPrompts.saveAnswers = {{h_.path(c.typed), c.filter}};
        h_.actions.execute(CommandId::ScriptSaveAs);
        EXPECT_EQ(fileBytes(c.written),
                  u"DELETE FROM t;\r\nINSERT INTO t VALUES ('\u00a0');\r\n"_s.toUtf8());
    }
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(ScriptFilesTest, DecliningToOverwriteShowsTheDialogAgain) {
    writeFile(u"old.SQL"_s, "kept\r\n");
    memo().setPlainText(u"new"_s);
    script({BoxAnswer{BoxButton::No}});
    h_.commandPrompts.saveAnswers = {{h_.path(u"old"_s), 0}, {h_.path(u"other"_s), 1}};

    h_.actions.execute(CommandId::ScriptSaveAs);

    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].text,
              u"The file \"%1\" already exists. Do you want to overwrite it?"_s.arg(
                  h_.path(u"old.SQL"_s)));
    EXPECT_EQ(h_.commandPrompts.saveStartNames, (QStringList{QString(), h_.path(u"old.SQL"_s)}));
    EXPECT_EQ(fileBytes(u"old.SQL"_s), "kept\r\n");
    EXPECT_EQ(fileBytes(u"other.TXT"_s), "new\r\n");

    // Yes replaces it.
    script({BoxAnswer{BoxButton::Yes}});
    h_.commandPrompts.saveAnswers = {{h_.path(u"old.SQL"_s), 0}};
    h_.actions.execute(CommandId::ScriptSaveAs);
    EXPECT_EQ(fileBytes(u"old.SQL"_s), "new\r\n");
}

TEST_F(ScriptFilesTest, PathsThatAreNoFileAreNeverWrittenOrRead) {
    ASSERT_TRUE(QDir(h_.path(QString())).mkdir(u"folder.SQL"_s));
    memo().setPlainText(u"unsaved"_s);
    script({BoxAnswer{BoxButton::Yes}, BoxAnswer{BoxButton::Ok}});
    h_.commandPrompts.saveAnswers = {{h_.path(u"folder.SQL"_s), 0}};
    h_.actions.execute(CommandId::ScriptSaveAs);
    ASSERT_EQ(shownBoxes().size(), 2);
    EXPECT_TRUE(shownBoxes()[1].text.contains(u"not a regular file"_s))
        << shownBoxes()[1].text.toStdString();
    EXPECT_TRUE(QFileInfo(h_.path(u"folder.SQL"_s)).isDir());

    script({});
    h_.commandPrompts.openNames = {h_.path(u"folder.SQL"_s)};
    h_.actions.execute(CommandId::ScriptOpen);
    EXPECT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(memo().toPlainText(), u"unsaved"_s);
}

TEST_F(ScriptFilesTest, OpenReplacesTheTextAndNewEmptiesIt) {
    struct Case {
        QByteArray file;
        QString text;
    };
    const Case cases[] = {
        {"a;\r\nb;\r\n", u"a;\nb;"_s},
        {"a;\nb;", u"a;\nb;"_s},
        {"a;\r\r\nb;\r\n\r\n", u"a;\n\nb;\n"_s},
        {"", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        memo().setPlainText(u"unsaved"_s);
        writeFile(u"in.sql"_s, c.file);
        h_.commandPrompts.openNames = {h_.path(u"in.sql"_s)};
        h_.actions.execute(CommandId::ScriptOpen);
        EXPECT_EQ(memo().toPlainText(), c.text);
    }
    EXPECT_TRUE(shownBoxes().isEmpty());

    h_.actions.execute(CommandId::ScriptNew);
    EXPECT_EQ(memo().toPlainText(), QString());
    EXPECT_TRUE(shownBoxes().isEmpty());
}

}  // namespace
