#include "app/TMainForm.h"

#include "commands/CommandHandlers.h"
#include "commands/TActionsDM.h"
#include "document/TMainDM.h"
#include "shared/UnhandledFailure.h"

#include "document/MruMenu.h"
#include "document/QueuedProjectNotices.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "document/TableSetupEditor.h"
#include "document/TkzMRUFileList.h"
#include "engine/TDM.h"
#include "models/MemDataModel.h"
#include "project/PrjDataSaved.h"
#include "report/PrjMsgViewer.h"
#include "window/DatabaseTab.h"
#include "window/FieldUndoPassOn.h"
#include "window/InDatabaseBinding.h"
#include "window/LegendStrip.h"
#include "window/MainWindowTexts.h"
#include "window/MergeGrids.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ProjectPanel.h"
#include "window/QueryTab.h"
#include "window/ScriptTab.h"
#include "window/StatusStrip.h"
#include "window/TableSetupBinding.h"
#include "window/TableSetupChooser.h"
#include "window/TkzFormViewController.h"
#include "window/WindowEngineAdapter.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

TMainForm::TMainForm(TMainDM& app, TDM& engine, TActionsDM& actions, WindowEngineAdapter& adapter)
    : app_(app),
      engine_(engine),
      actions_(actions),
      adapter_(adapter),
      context_(app, engine, *this, actions, actions.prompts()) {
    FormCreate();
}

void TMainForm::buildRegions() {
    actions_.buildMenus(*menuBar(), *this);
    toolBar_ = addToolBar(u"Tool Bar"_s);
    toolBar_->setObjectName(u"ToolBar"_s);
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(16, 16));
    actions_.buildToolBar(*toolBar_);
    chooser_ = new TableSetupChooser(toolBar_);
    toolBar_->addWidget(chooser_);

    legend_ = new LegendStrip(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(u"BrowsersPageControl"_s);
    merge_ = new MergeTab(*actions_.action(CommandId::OpenSource),
                          *actions_.action(CommandId::OpenTarget), tabs_);
    script_ = new ScriptTab(*actions_.action(CommandId::ExecuteScript), tabs_);
    database_ = new DatabaseTab(tabs_);
    query_ = new QueryTab(*actions_.action(CommandId::QueryOpen), tabs_);
    tabs_->addTab(merge_, u"Merge"_s);
    tabs_->addTab(script_, u"Script"_s);
    tabs_->addTab(database_, u"Database"_s);
    tabs_->addTab(query_, u"Query"_s);
    projectPanel_ = new ProjectPanel(engine_.TablesMemData(), this);
    projectPanel_->hide();

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tabs_);
    splitter_->addWidget(projectPanel_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setSizes({400, 211});
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(legend_);
    layout->addWidget(splitter_, 1);
    setCentralWidget(client);

    status_ = new StatusStrip(this);
    setStatusBar(status_);
    grids_ = std::make_unique<MergeGrids>(engine_, merge_->side(Side::Source).grid(),
                                          merge_->side(Side::Target).grid());
    binding_ = std::make_unique<TableSetupBinding>(engine_, *merge_, *database_, *chooser_,
                                                   [this] { return app_.project(); });
    inDatabase_ = std::make_unique<InDatabaseBinding>(
        engine_, *database_, [this] { return app_.project(); }, app_.undo());
    connect(inDatabase_.get(), &InDatabaseBinding::choiceChanged, this, [this] { UpdateUI(); });
    // The binding (connected first) wrote the edit into the list's current
    // row without posting it; the project panel shows that row at once.
    connect(merge_, &MergeTab::tableSetupEdited, this,
            [this] { projectPanel_->model().refreshCurrentRow(); });
    connect(projectPanel_, &ProjectPanel::tableSetupChosen, this,
            [this](int recId) { runReporting([&] { binding_->UIDataIndexChange(recId); }); });
    projectPanel_->setEditor(std::make_unique<TableSetupEditor>(
        engine_, [this] { return app_.project(); }, app_.undo()));
    connect(projectPanel_, &ProjectPanel::selectionChanged, this, [this] { UpdateUI(); });
    connect(projectPanel_, &ProjectPanel::deleteRequested, this,
            [this] { actions_.execute(CommandId::DelSlide); });
    projectPanel_->addContextAction(*actions_.action(CommandId::ComparisonRules));
}

void TMainForm::FormCreate() {
    setObjectName(u"MainForm"_s);
    // The tool bar and status bar are shown through their view commands, so
    // that the commands' check marks always tell the truth.
    setContextMenuPolicy(Qt::NoContextMenu);
    resize(966, 607);
    setMinimumSize(480, 350);
    buildRegions();
    placement_ = std::make_unique<TkzFormViewController>(*this, u"kazmo"_s,
                                                         QCoreApplication::applicationName());

    TkzMRUFileList& recent = app_.recentFiles();
    recent.Maximum = 5;
    recent.AddToTop = true;
    recent.RemoveOnClick = true;
    recent.OnMRUItemClick = [this](const QString& path) {
        runReporting([&] { FileCommands::Reopen(context_, path); });
    };
    mruMenu_ =
        std::make_unique<MruMenu>(recent, *actions_.menu(MenuPlace::File), actions_.reopenAnchor());
    recent.LoadFromStore();

    merge_->setStatistics({});
    notices_ = new QueuedProjectNotices(this);
    connect(notices_, &QueuedProjectNotices::modifiedChanged, status_, &StatusStrip::setModified);
    app_.showProjectPanel = [this](bool shown) {
        projectPanel_->setVisible(shown);
        if (shown) {
            actions_.action(CommandId::ViewProjectWindow)->setChecked(true);
        }
    };
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int index) { runReporting([&] { BrowsersPageControlChange(index); }); });
    // Ctrl+Tab and Ctrl+Shift+Tab change tabs wherever the focus is, as the
    // user's own change: the tab-change handling runs.
    for (const auto& [keys, step] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            tabs_->setCurrentIndex((tabs_->currentIndex() + step + tabs_->count()) %
                                   tabs_->count());
        });
    }
    connect(database_, &DatabaseTab::connectClicked, this,
            [this](Side side, bool ticked) { connectClicked(static_cast<int>(side), ticked); });
    adapter_.attach({merge_, database_, script_, status_, grids_.get(),
                     [this] { bringTabToFront(WindowTab::Script); }, [this] { UpdateUI(); }});
    connect(status_, &StatusStrip::cancelClicked, this, [this] { adapter_.requestCancel(); });
    actions_.setContext(&context_);
    new FieldUndoPassOn(*this);
    tabs_->setCurrentWidget(merge_);
    // Focus moving to another control refreshes the commands; so does the
    // program or another of its windows becoming active (changeEvent).
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this] { UpdateUI(); });
    status_->setStatusText(u"Initializing..."_s);
    chooser_->setFocus();
}

QString TMainForm::GetMainCaption() const {
    const TPrjView* view = app_.project();
    return mainCaption(QCoreApplication::applicationName(), view != nullptr,
                       view ? view->FileName() : QString());
}

void TMainForm::UpdateUI() {
    if (!isVisible()) {
        return;
    }
    setWindowTitle(GetMainCaption());
    TPrjView* view = app_.project();
    status_->setTableSetupCount(view ? std::optional<int>(view->PrjData().NodeCount())
                                     : std::nullopt);
    ActionState state;
    state.projectOpen = view != nullptr;
    state.canUndo = app_.undo().CanUndo();
    state.undoCaption = app_.undo().UndoCaption();
    state.sourceOpen = engine_.SourceMemData().isOpen();
    state.targetOpen = engine_.DestMemData().isOpen();
    state.selectedTableSetups =
        projectPanel_->isVisible() ? static_cast<int>(projectPanel_->selectedRecIds().size()) : 0;
    const MemData& tables = engine_.TablesMemData();
    state.currentTableSetup =
        tables.isOpen() && (tables.recordCount() > 0 || tables.state() == ListState::Insert);
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    state.clipboardHasNodes =
        clipboard &&
        (clipboard->hasFormat(u"application/x-quillmere-nodes"_s) || clipboard->hasImage());
    if (adapter_.working()) {
        CommandStates idle = UpdateActions(state);
        state.busy = true;
        actions_.apply(UpdateActions(state), std::move(idle));
    } else {
        actions_.apply(UpdateActions(state));
    }
}

bool TMainForm::runWork(const std::function<void()>& work) {
    return adapter_.runWork(work);
}

void TMainForm::bringTabToFront(WindowTab tab) {
    QWidget* page = merge_;
    switch (tab) {
        case WindowTab::Merge:
            break;
        case WindowTab::Script:
            page = script_;
            break;
        case WindowTab::Database:
            page = database_;
            break;
        case WindowTab::Query:
            page = query_;
            break;
    }
    const bool wasProgramChange = programTabChange_;
    programTabChange_ = true;
    tabs_->setCurrentWidget(page);
    programTabChange_ = wasProgramChange;
}

void TMainForm::repaintNow() {
    repaint();
}

void TMainForm::setRegionVisible(WindowRegion region, bool visible) {
    switch (region) {
        case WindowRegion::ToolBar:
            toolBar_->setVisible(visible);
            break;
        case WindowRegion::StatusBar:
            status_->setVisible(visible);
            break;
        case WindowRegion::ProjectPanel:
            projectPanel_->setVisible(visible);
            break;
        case WindowRegion::GroupingPanel:
            grids_->setGroupingVisible(visible);
            break;
        case WindowRegion::FolderTree:
        case WindowRegion::ExplorerFolder:
        case WindowRegion::Preview:
            break;
    }
}

void TMainForm::BrowsersPageControlChange(int index) {
    if (programTabChange_) {
        return;
    }
    QWidget* page = tabs_->widget(index);
    if (page == script_ && engine_.DestMemData().isOpen()) {
        // The editor may hold a script the user cannot make again from this
        // tab (a project script, a file, typed text): it is replaced only
        // when the user agrees.
        if (!script_->holdsOnlyTableSetupScript() &&
            !TPrjMsgViewer::instance().AskYesNo(replaceScriptQuestion())) {
            return;
        }
        runWork([this] {
            engine_.ScriptCurrentTableSetup(true);
            script_->markTableSetupScript();
        });
    } else if (page == merge_ && pendingTargetReopen_) {
        pendingTargetReopen_ = false;
        actions_.execute(CommandId::OpenTarget);
    }
}

void TMainForm::connectClicked(int side, bool ticked) {
    runReporting([&] {
        if (static_cast<Side>(side) == Side::Source) {
            ticked ? engine_.ConnectSource() : engine_.DisconnectSource();
        } else {
            ticked ? engine_.ConnectTarget() : engine_.DisconnectTarget();
        }
    });
    // The box shows what the engine did, also when connecting failed.
    database_->setConnected(static_cast<Side>(side), engine_.Connected(static_cast<Side>(side)));
    UpdateUI();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        UpdateUI();
    }
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // The hint under the mouse goes to the first panel; the other
        // panels stay in view.
        status_->setStatusText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

}  // namespace qm
