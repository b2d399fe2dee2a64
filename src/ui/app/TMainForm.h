#pragma once

#include "commands/CommandContext.h"
#include "window/UpdateLocker.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QSplitter;
class QTabWidget;
class QToolBar;

namespace qm {

class DatabaseTab;
class InDatabaseBinding;
class LegendStrip;
class MergeGrids;
class MergeTab;
class MruMenu;
class ProjectPanel;
class QueryTab;
class QueuedProjectNotices;
class ScriptTab;
class StatusStrip;
class TActionsDM;
class TableSetupBinding;
class TableSetupChooser;
class TkzFormViewController;
class TSplashScreen;
class WindowEngineAdapter;

/// The program's one window. It assembles the regions (tool bar, legend,
/// the "Merge", "Script", "Database" and "Query" tabs, the project panel,
/// the status bar), forwards between them, the engine and the commands, and
/// runs the window's life cycle: restoring its placement and opening the
/// last project or a new one when first shown, asking to save when closed,
/// and storing the last project and its placement.
class TMainForm : public QMainWindow, public CommandHost {
    Q_OBJECT

public:
    /// FormCreate: builds the regions and attaches them to the engine's
    /// adapter and the commands. None of the references is owned; all
    /// outlive the window.
    TMainForm(TMainDM& app, TDM& engine, TActionsDM& actions, WindowEngineAdapter& adapter);
    /// FormDestroy.
    ~TMainForm() override;

    /// The title; with a project open, " - "FILE"" or " - (unnamed project)".
    QString GetMainCaption() const;
    /// While the window is visible: the caption, status panel 3 and the
    /// commands' enabled states.
    void UpdateUI();
    void updateUI() override { UpdateUI(); }
    void closeMainWindow() override { close(); }
    void bringTabToFront(WindowTab tab) override;
    void repaintNow() override;
    void setRegionVisible(WindowRegion region, bool visible) override;
    bool runWork(const std::function<void()>& work) override;

    UpdateLocker& updates() { return updates_; }
    /// Script execution sets it when it ran statements while the target was
    /// open; the user's next change to the "Merge" tab reopens the target.
    void setPendingTargetReopen(bool pending) override { pendingTargetReopen_ = pending; }
    bool PendingTargetReopen() const { return pendingTargetReopen_; }
    /// The splash window to bring to front once the window is shown.
    void setSplash(TSplashScreen* splash);
    /// Whether a failure while showing asked the program to end.
    bool terminating() const { return terminating_; }

    // --- regions, for the commands and for tests --------------------------------------
    QTabWidget& tabs() const { return *tabs_; }
    MergeTab& mergeTab() const { return *merge_; }
    ScriptTab& scriptTab() const override { return *script_; }
    DatabaseTab& databaseTab() const { return *database_; }
    QueryTab& queryTab() const override { return *query_; }
    ProjectPanel& projectPanel() const override { return *projectPanel_; }
    QToolBar& toolBar() const { return *toolBar_; }
    LegendStrip& legendStrip() const { return *legend_; }
    StatusStrip& statusStrip() const { return *status_; }
    TableSetupChooser& chooser() const { return *chooser_; }
    MergeGrids& grids() const override { return *grids_; }
    TableSetupBinding& binding() const { return *binding_; }
    MruMenu* recentFilesMenu() const { return mruMenu_.get(); }

    /// The deferred requests of the first showing.
    void OpenLastProjectRequest();
    void NewProjectRequest();

signals:
    /// A failure while the window was first shown: the program ends.
    void terminationRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void buildRegions();
    void FormShow();
    void showFailed(const QString& message);
    bool FormCloseQuery();
    void FormClose();
    void BrowsersPageControlChange(int index);
    void connectClicked(int side, bool ticked);

    TMainDM& app_;
    TDM& engine_;
    TActionsDM& actions_;
    WindowEngineAdapter& adapter_;
    CommandContext context_;
    UpdateLocker updates_{*this};

    QTabWidget* tabs_ = nullptr;
    MergeTab* merge_ = nullptr;
    ScriptTab* script_ = nullptr;
    DatabaseTab* database_ = nullptr;
    QueryTab* query_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    ProjectPanel* projectPanel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    LegendStrip* legend_ = nullptr;
    StatusStrip* status_ = nullptr;
    TableSetupChooser* chooser_ = nullptr;
    std::unique_ptr<MergeGrids> grids_;
    std::unique_ptr<TableSetupBinding> binding_;
    std::unique_ptr<InDatabaseBinding> inDatabase_;
    std::unique_ptr<TkzFormViewController> placement_;
    std::unique_ptr<MruMenu> mruMenu_;
    QueuedProjectNotices* notices_ = nullptr;
    QPointer<TSplashScreen> splash_;
    QMetaObject::Connection focusWatch_;
    bool shown_ = false;
    bool pendingTargetReopen_ = false;
    /// Set while the program itself brings a tab to the front.
    bool programTabChange_ = false;
    bool terminating_ = false;
};

}  // namespace qm
