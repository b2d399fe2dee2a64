#include "document/WidgetDocumentPrompts.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

TEST(WidgetDocumentPrompts, ANameWithoutExtensionGetsQmp) {
    const struct {
        QString typed;
        QString used;
    } cases[] = {
        {u"/p/shop"_s, u"/p/shop.QMP"_s},     {u"/p/shop.QMP"_s, u"/p/shop.QMP"_s},
        {u"/p/shop.qmp"_s, u"/p/shop.qmp"_s}, {u"/p/shop.v2"_s, u"/p/shop.v2"_s},
        {u"/p.d/shop"_s, u"/p.d/shop.QMP"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WidgetDocumentPrompts::withDefaultSuffix(c.typed), c.used);
    }
    // A name without extension finds the project that is there in any
    // letter case, so that opening finds it and saving asks to replace it.
    QTemporaryDir dir;
    for (const QString& present : {u"lower.qmp"_s, u"upper.QMP"_s, u"mixed.Qmp"_s}) {
        QFile f(dir.filePath(present));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QString typed = dir.filePath(present.section(u'.', 0, 0));
        EXPECT_EQ(WidgetDocumentPrompts::withDefaultSuffix(typed), dir.filePath(present));
    }
    EXPECT_EQ(WidgetDocumentPrompts::fileFilter(), u"Quillmere Project (QMP) (*.QMP *.qmp)"_s);
}

TEST(WidgetDocumentPrompts, TheSaveDialogOffersProjectsAndLeavesTheReplaceQuestionToTheCaller) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(u"shop.QMP"_s);
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    WidgetDocumentPrompts prompts;
    QStringList filters;
    bool confirms = true;
    QStringList folders;
    const auto watch = [&](const QString& typed) {
        QTimer::singleShot(0, [&, typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            folders << dialog->directory().absolutePath();
            confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->selectFile(typed);
            static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
        });
    };

    QString chosen;
    watch(dir.filePath(u"new"_s));
    ASSERT_TRUE(prompts.querySaveFileName(chosen));
    EXPECT_EQ(chosen, dir.filePath(u"new.QMP"_s));
    EXPECT_EQ(filters, QStringList{u"Quillmere Project (QMP) (*.QMP *.qmp)"_s});
    // Else choosing an existing file below would wait on the dialog's own question.
    ASSERT_FALSE(confirms);

    watch(existing);
    ASSERT_TRUE(prompts.querySaveFileName(chosen));
    EXPECT_EQ(chosen, existing);

    watch(existing);
    ASSERT_TRUE(prompts.queryOpenFileName(chosen));
    EXPECT_EQ(chosen, existing);
    watch(dir.filePath(u"shop"_s));
    ASSERT_TRUE(prompts.queryOpenFileName(chosen));
    EXPECT_EQ(chosen, existing);
    // After the first choice, each dialog starts where the last project was.
    ASSERT_EQ(folders.size(), 4);
    EXPECT_EQ(folders.mid(1), QStringList(3, QDir(dir.path()).absolutePath()));
    EXPECT_EQ(filters, QStringList{u"Quillmere Project (QMP) (*.QMP *.qmp)"_s});
}

}  // namespace
