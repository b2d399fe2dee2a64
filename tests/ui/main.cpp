// The widget tests need an application object before any test runs. It is
// the program's own, so that failures reaching the event loop behave as in
// the program. The per-user store and the program folder are temporary
// folders: nothing of the machine's own settings leaks in or is changed.

#include "app/QuillmereApplication.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");  // also when ctest lists the tests
    }
    const QTemporaryDir config;
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("QUILLMERE_HOME", home.path().toUtf8());

    ::testing::InitGoogleTest(&argc, argv);
    qm::QuillmereApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
