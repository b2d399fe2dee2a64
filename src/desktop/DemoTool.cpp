// quillmere-demo: what the demo script needs around the desktop program.
//   quillmere-demo remember PROJECT
//       stores PROJECT as the last project, to be opened at the next start
//   quillmere-demo screenshot PROJECT OUT.png [--script-tab] [--table-setup NAME]
//       starts the desktop program on PROJECT, runs "Open Source && Target"
//       on its first table setup (and, with --script-tab, changes the target
//       to match the source and shows the script of that), saves a picture
//       of the main window and ends
// The desktop program itself takes no arguments; this tool drives the same
// modules (DesktopProgram) the way a user would.
#include "app/DesktopProgram.h"
#include "app/QuillmereApplication.h"
#include "app/TMainForm.h"
#include "commands/TActionsDM.h"
#include "config/Preferences.h"
#include "engine/TDM.h"

#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: quillmere-demo remember PROJECT\n"
                 "       quillmere-demo screenshot PROJECT OUT.png [--script-tab] "
                 "[--table-setup NAME]\n");
    return 2;
}

void remember(const QString& project) {
    qm::Preferences p = qm::Preferences::load();
    p.lastProject = QFileInfo(project).absoluteFilePath();
    p.loadLastProjectAtStartup = true;
    p.save();
}

}  // namespace

int main(int argc, char* argv[]) {
    qm::QuillmereApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == "remember"_L1) {
        remember(args[2]);
        return 0;
    }
    if (args.size() < 4 || args[1] != "screenshot"_L1) {
        return usage();
    }
    const QString project = QFileInfo(args[2]).absoluteFilePath();
    const QString out = args[3];
    bool scriptTab = false;
    QString tableSetup;
    for (int i = 4; i < args.size(); ++i) {
        if (args[i] == "--script-tab"_L1) {
            scriptTab = true;
        } else if (args[i] == "--table-setup"_L1 && i + 1 < args.size()) {
            tableSetup = args[++i];
        } else {
            return usage();
        }
    }
    remember(project);

    qm::DesktopProgram program;
    qm::TMainForm& form = program.form();
    int result = 1;
    int waited = 0;
    // Waits for the start-up request to open the project, then works the
    // window as a user would and takes its picture.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
        if (!form.windowTitle().contains(QFileInfo(project).fileName())) {
            if (++waited > 400) {
                std::fprintf(stderr, "the project did not open: %s\n", qPrintable(project));
                poll.stop();
                form.close();
            }
            return;
        }
        poll.stop();
        // Larger than the designed size, so that the grids show more rows;
        // set after the window restored its stored placement.
        form.resize(1180, 760);
        if (!tableSetup.isEmpty() && !program.engine().FindTableSetup(tableSetup)) {
            std::fprintf(stderr, "the project has no table setup %s\n", qPrintable(tableSetup));
            form.close();
            return;
        }
        program.actions().execute(qm::CommandId::OpenBothSourceAndTarget);
        if (scriptTab) {
            program.engine().ChangeDataToEqualSource();
            form.tabs().setCurrentIndex(1);
        }
        QTimer::singleShot(300, &form, [&] {
            if (form.grab().save(out)) {
                result = 0;
            } else {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            }
            form.close();
        });
    });
    poll.start(25);
    // A message box that nobody answers (an alias that cannot be reached)
    // must not keep a script waiting.
    QTimer::singleShot(120000, &app, [] {
        std::fprintf(stderr, "no picture after two minutes: a message is waiting for an answer\n");
        std::_Exit(1);
    });
    const int rc = program.run();
    return rc != 0 ? rc : result;
}
