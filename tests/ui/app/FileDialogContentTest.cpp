// The program's file dialogs list a folder without opening its files: a
// read of some special files never returns, and the dialog would hang on
// them. A file whose content says one type and whose name says none shows
// which of the two the dialog went by.

#include "commands/WidgetCommandPrompts.h"
#include "document/WidgetDocumentPrompts.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

/// Ends the test program with a message when the guarded scope takes longer
/// than the limit: a dialog that reads a FIFO would wait forever.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fputs("A file dialog hung reading a file's content\n", stderr);
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

struct Listed {
    QString pdfType;  ///< the type shown for a PDF without extension
};

/// While a dialog runs: points it at `folder` with every file shown, waits
/// until it has listed the PDF file (or ten seconds passed) and cancels it.
class FolderLister {
public:
    FolderLister(const QString& folder, Listed& listed) {
        elapsed_.start();
        poll_.setInterval(20);
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, folder, &listed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            if (prepared_ != dialog) {
                prepared_ = dialog;
                dialog->setNameFilter(u"All (*)"_s);
                dialog->setDirectory(folder);
            }
            if (auto* model = dialog->findChild<QFileSystemModel*>()) {
                listed.pdfType = model->index(folder + u"/report"_s, 2).data().toString();
            }
            if (!listed.pdfType.isEmpty() || elapsed_.elapsed() > 10000) {
                poll_.stop();
                dialog->reject();
            }
        });
        poll_.start();
    }

private:
    QElapsedTimer elapsed_;
    QTimer poll_;
    QPointer<QFileDialog> prepared_;
};

TEST(FileDialogs, ListAFolderByNamesWithoutReadingContent) {
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).absolutePath();
    {
        QFile pdf(folder + u"/report"_s);
        ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + u"/pipe"_s).constData(), 0600), 0);

    WidgetDocumentPrompts documentPrompts;
    WidgetCommandPrompts commandPrompts;
    const struct {
        const char* dialog;
        std::function<void()> show;
    } cases[] = {
        {"open project",
         [&] {
             QString n;
             documentPrompts.queryOpenFileName(n);
         }},
        {"save project",
         [&] {
             QString n;
             documentPrompts.querySaveFileName(n);
         }},
        {"open script",
         [&] {
             QString n;
             commandPrompts.openScriptFileName(n);
         }},
        {"save script",
         [&] {
             QString n;
             int i = 0;
             commandPrompts.saveScriptFileName(n, i);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog);
        Listed listed;
        {
            const Watchdog watchdog(std::chrono::seconds(30));
            const FolderLister lister(folder, listed);
            c.show();
        }
        ASSERT_FALSE(listed.pdfType.isEmpty()) << "the dialog did not list the folder";
        EXPECT_NE(listed.pdfType, u"PDF document"_s) << "the file's content was read";
    }
}

}  // namespace
