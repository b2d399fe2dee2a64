#include "document/MruMenu.h"
#include "document/TkzMRUFileList.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

const QString kGroup = u"Software/Quillmere/MRU Items/"_s;

QStringList captions(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) {
        out << (a->isSeparator() ? u"-"_s : a->text());
    }
    return out;
}

class RecentFilesTest : public UiTest {
protected:
    QString file(const QString& name, bool create = false) {
        const QString path = dir.filePath(name);
        if (create) {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        return path;
    }
    QTemporaryDir dir;
    TkzMRUFileList list;
};

TEST_F(RecentFilesTest, KeepsTheFiveNewestFirstAndMovesAReopenedOneToTheTop) {
    QStringList p;
    for (int i = 1; i <= 6; ++i) {
        p << u"/projects/p%1.QMP"_s.arg(i);
        list.AddItem(p.last());
    }
    EXPECT_EQ(list.Items(), (QStringList{p[5], p[4], p[3], p[2], p[1]}));

    list.AddItem(p[2]);  // the third opened
    EXPECT_EQ(list.Items(), (QStringList{p[2], p[5], p[4], p[3], p[1]}));

    // The same path in other letter case is the same entry, now spelt as
    // last opened.
    list.AddItem(u"/PROJECTS/P4.qmp"_s);
    EXPECT_EQ(list.Items(), (QStringList{u"/PROJECTS/P4.qmp"_s, p[2], p[5], p[4], p[1]}));
    EXPECT_EQ(list.IndexOf(p[3]), 0);
    EXPECT_EQ(list.IndexOf(u"/projects/other.QMP"_s), -1);
}

TEST_F(RecentFilesTest, RemoveObsoleteDropsEveryEntryWhoseFileIsGone) {
    const QString a = file(u"a.QMP"_s, true);
    const QString b = file(u"b.QMP"_s);
    const QString c = file(u"c.QMP"_s, true);
    const QString d = file(u"d.QMP"_s);
    for (const QString& f : {a, b, c, d}) {
        list.AddItem(f);
    }
    int changes = 0;
    list.OnChange = [&] { ++changes; };

    list.RemoveObsolete();
    EXPECT_EQ(list.Items(), (QStringList{c, a}));
    EXPECT_EQ(changes, 1);

    list.RemoveObsolete();  // nothing to remove: the menu stays as it is
    EXPECT_EQ(changes, 1);
}

TEST_F(RecentFilesTest, ClickRemovesTheEntryBeforeOpeningIt) {
    list.AddItem(u"/p/a.QMP"_s);
    list.AddItem(u"/p/b.QMP"_s);
    QStringList opened;
    QStringList listWhenOpened;
    list.OnMRUItemClick = [&](const QString& path) {
        opened << path;
        listWhenOpened = list.Items();
    };

    list.Click(1);
    EXPECT_EQ(opened, QStringList{u"/p/a.QMP"_s});
    EXPECT_EQ(listWhenOpened, QStringList{u"/p/b.QMP"_s});
}

TEST_F(RecentFilesTest, TheStoreKeepsTheEntriesInOrder) {
    // Nothing stored: an empty list.
    list.AddItem(u"/p/stale.QMP"_s);
    list.LoadFromStore();
    EXPECT_TRUE(list.Items().isEmpty());

    for (int i = 1; i <= 5; ++i) {
        list.AddItem(u"/p/%1.QMP"_s.arg(i));
    }
    list.SaveToStore();
    EXPECT_EQ(storedKeys(), (QStringList{kGroup + u"F0"_s, kGroup + u"F1"_s, kGroup + u"F2"_s,
                                         kGroup + u"F3"_s, kGroup + u"F4"_s}));
    EXPECT_EQ(stored(kGroup + u"F0"_s).toString(), u"/p/5.QMP"_s);
    EXPECT_EQ(stored(kGroup + u"F4"_s).toString(), u"/p/1.QMP"_s);

    TkzMRUFileList again;
    again.LoadFromStore();
    EXPECT_EQ(again.Items(), list.Items());

    // A shorter list leaves no old entries behind.
    list.Click(0);
    list.Click(0);
    list.SaveToStore();
    EXPECT_EQ(storedKeys(), (QStringList{kGroup + u"F0"_s, kGroup + u"F1"_s, kGroup + u"F2"_s}));
    again.LoadFromStore();
    EXPECT_EQ(again.Items(), (QStringList{u"/p/3.QMP"_s, u"/p/2.QMP"_s, u"/p/1.QMP"_s}));
}

TEST_F(RecentFilesTest, TheStoreIsReadInTheOrderOfTheNumbers) {
    storeValue(kGroup + u"F1"_s, u"/p/second.QMP"_s);
    storeValue(kGroup + u"F0"_s, u"/p/first.QMP"_s);
    list.LoadFromStore();
    EXPECT_EQ(list.Items(), (QStringList{u"/p/first.QMP"_s, u"/p/second.QMP"_s}));
}

TEST_F(RecentFilesTest, AutoSaveWritesTheListWhenItIsDestroyed) {
    {
        TkzMRUFileList saved;
        saved.AutoSave = true;
        saved.AddItem(u"/p/kept.QMP"_s);
    }
    EXPECT_EQ(stored(kGroup + u"F0"_s).toString(), u"/p/kept.QMP"_s);
}

TEST_F(RecentFilesTest, TheMenuShowsTheListInASubmenuBeforeTheGivenItem) {
    QMenu fileMenu;
    fileMenu.addAction(u"&Open..."_s);
    fileMenu.addAction(u"&Close"_s);
    QAction* separator = fileMenu.addSeparator();
    fileMenu.addAction(u"E&xit"_s);
    MruMenu menu(list, fileMenu, separator);

    EXPECT_EQ(menu.submenu(), nullptr);
    EXPECT_EQ(captions(fileMenu), (QStringList{u"&Open..."_s, u"&Close"_s, u"-"_s, u"E&xit"_s}));

    list.AddItem(u"/p/a.QMP"_s);
    list.AddItem(u"/p/R&D.QMP"_s);
    ASSERT_NE(menu.submenu(), nullptr);
    EXPECT_EQ(captions(fileMenu),
              (QStringList{u"&Open..."_s, u"&Close"_s, u"Reopen"_s, u"-"_s, u"E&xit"_s}));
    EXPECT_EQ(captions(*menu.submenu()), (QStringList{u"&1 /p/R&&D.QMP"_s, u"&2 /p/a.QMP"_s, u"-"_s,
                                                      u"&Clear List"_s, u"&Remove Obsolete"_s}));

    QStringList opened;
    list.OnMRUItemClick = [&](const QString& path) { opened << path; };
    menu.submenu()->actions().at(1)->trigger();
    EXPECT_EQ(opened, QStringList{u"/p/a.QMP"_s});
    EXPECT_EQ(captions(*menu.submenu()),
              (QStringList{u"&1 /p/R&&D.QMP"_s, u"-"_s, u"&Clear List"_s, u"&Remove Obsolete"_s}));

    menu.submenu()->actions().at(2)->trigger();  // "&Clear List"
    EXPECT_TRUE(list.Items().isEmpty());
    EXPECT_EQ(menu.submenu(), nullptr);
    EXPECT_EQ(captions(fileMenu), (QStringList{u"&Open..."_s, u"&Close"_s, u"-"_s, u"E&xit"_s}));
}

TEST_F(RecentFilesTest, ALongPathIsShortenedToFitTheMenu) {
    QMenu fileMenu;
    MruMenu menu(list, fileMenu, nullptr);
    const QString folders = u"/a-rather-long-folder-name/another-long-folder/yet-another-one/"_s;
    const QString caption = menu.caption(0, folders + u"file.QMP"_s);
    EXPECT_TRUE(caption.startsWith(u"&1 /.../"_s)) << caption.toStdString();
    EXPECT_TRUE(caption.endsWith(u"/file.QMP"_s)) << caption.toStdString();
    EXPECT_LE(QFontMetrics(fileMenu.font()).horizontalAdvance(caption.mid(3)),
              MruMenu::MaxCaptionWidth);
}

}  // namespace
