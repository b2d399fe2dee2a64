#pragma once

#include "document/ProjectDocumentHandlers.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "document/TkzEditorDocHandler.h"
#include "document/TkzMRUFileList.h"
#include "document/WidgetDocumentPrompts.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"
#include "support/EngineHarness.h"
#include "ui/UiTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <optional>

namespace qm::test {

/// The on-screen prompts with the file dialogs answered from a script: each
/// query takes the next name, or cancels when the script holds none (or
/// nullopt). The questions and messages go through the scripted boxes.
class ScriptedDocumentPrompts : public WidgetDocumentPrompts {
public:
    bool queryOpenFileName(QString& fileName) override { return next(openNames, fileName); }
    bool querySaveFileName(QString& fileName) override { return next(saveNames, fileName); }

    QList<std::optional<QString>> openNames;
    QList<std::optional<QString>> saveNames;
    int queries = 0;

private:
    bool next(QList<std::optional<QString>>& names, QString& fileName) {
        ++queries;
        if (names.isEmpty() || !names.first()) {
            if (!names.isEmpty()) {
                names.removeFirst();
            }
            return false;
        }
        fileName = *names.takeFirst();
        return true;
    }
};

/// A document handler wired as the application module wires it, over an
/// engine without a window, with a temporary folder for project files.
class DocumentTest : public UiTest {
protected:
    DocumentTest()
        : handlers(handler, engine.dm, undo, recentFiles, prompts,
                   {[this](bool shown) { panelShown = shown; }, [this] { ++busy; },
                    [this] { --busy; }}) {}

    QString path(const QString& name) const { return dir.filePath(name); }

    /// Writes a project with these table setups and aliases to `name`.
    QString writeProject(const QString& name, const QStringList& tableSetups,
                         const QString& sourceAlias = QStringLiteral("SRC"),
                         const QString& targetAlias = QStringLiteral("DST")) {
        TPrjDataSaved p;
        p.SetSourceDBAlias(sourceAlias);
        p.SetDestDBAlias(targetAlias);
        for (const QString& setup : tableSetups) {
            addTableSetup(p, setup);
        }
        const QString file = path(name);
        const ProjectFileProblem problem = saveProjectFile(p, file);
        EXPECT_TRUE(problem.ok()) << problem.message().toStdString();
        return file;
    }
    static void addTableSetup(TPrjData& p, const QString& name) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
        node->SetName(name);
        node->props().setString(QStringLiteral("SourceQuerySQL"),
                                QStringLiteral("SELECT * FROM ") + name);
        node->props().setString(QStringLiteral("DestQuerySQL"),
                                QStringLiteral("SELECT * FROM ") + name);
        node->props().setString(QStringLiteral("PrimaryKeySpec"), QStringLiteral("id"));
        p.InsertNode(p.NodeCount(), std::move(node));
    }
    static QByteArray bytes(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TPrjView* view() const { return handlers.view(); }
    /// The names of the engine's table setups, in list order.
    QStringList engineTableSetups() {
        return EngineHarness::column(engine.dm.TablesMemData(), QStringLiteral("Name"));
    }

    QTemporaryDir dir;
    EngineHarness engine{QString()};
    TUndoHandler undo;
    TkzMRUFileList recentFiles;
    ScriptedDocumentPrompts prompts;
    TkzEditorDocHandler handler{prompts};
    bool panelShown = false;
    int busy = 0;
    ProjectDocumentHandlers handlers;
};

}  // namespace qm::test
