#pragma once

#include <memory>

namespace qm {

class DocumentPrompts;
class LoginDialog;
class TActionsDM;
class TDM;
class TMainDM;
class TMainForm;
class TSplashScreen;
class WidgetMessageBoxes;
class WindowEngineAdapter;

/// The desktop program's start-up and shutdown: the modules in the order
/// they are created (the application module, the engine, the splash window
/// when configured, the command module, the main window) and the event loop.
/// Released in the reverse order.
class DesktopProgram {
public:
    /// Runs the entry sequence up to the main window; the application object
    /// must exist.
    DesktopProgram();
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    /// Shows the main window and runs the event loop unless the program was
    /// asked to end; returns the exit code.
    int run();

    /// The true-colour message shown on displays of 256 colours or fewer.
    static const char* trueColourMessage();
    /// Shows trueColourMessage (with its don't-show-again box) when the
    /// display has this many bits per pixel or fewer than 9.
    static void checkColourDepth(int bitsPerPixel);

    /// The main window and the command module, for tools that drive the
    /// program (the demo picture, the benchmark).
    TMainForm& form() const { return *form_; }
    TActionsDM& actions() const { return *actions_; }
    TDM& engine() const { return *engine_; }

private:
    std::unique_ptr<WidgetMessageBoxes> boxes_;
    std::unique_ptr<DocumentPrompts> prompts_;
    std::unique_ptr<LoginDialog> login_;
    std::unique_ptr<TMainDM> mainDM_;
    std::unique_ptr<WindowEngineAdapter> adapter_;
    std::unique_ptr<TDM> engine_;
    std::unique_ptr<TSplashScreen> splash_;
    std::unique_ptr<TActionsDM> actions_;
    std::unique_ptr<TMainForm> form_;
    bool terminateRequested_ = false;
};

}  // namespace qm
