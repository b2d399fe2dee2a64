#include "document/TPrjView.h"

#include "common/Errors.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"

namespace qm {
namespace {

// The project's alias for one side; a setting never set counts as none.
QString projectAlias(TPrjDataSaved& data, const QString& setting) {
    const TPropValue& v = data.settings().value(setting);
    return v.readable() ? v.GetString() : QString();
}

}  // namespace

TPrjView::TPrjView(TDM& dm) : dm_(dm), data_(std::make_unique<TPrjDataSaved>()) {
    data_->SetNotifyChanges(true);
}

TPrjView::~TPrjView() = default;

bool TPrjView::GetModified() {
    return data_->IsModified();
}

void TPrjView::SetModified(bool modified) {
    data_->SetModified(modified);
}

void TPrjView::ReadFile(const QString& fileName) {
    // Read into data of its own, without notices: the project on screen is
    // still this view's (or another view's) until the whole file is read.
    auto read = std::make_unique<TPrjDataSaved>();
    const ProjectFileProblem problem = loadProjectFile(fileName, *read);
    if (!problem.ok()) {
        throw Error(problem.message());
    }
    ReplaceData(std::move(read));
    setFileName(fileName);
}

void TPrjView::ShowInEngine() {
    TPrjDataSaved& data = *data_;
    dm_.LoadTableSetups(data);
    if (dm_.SourceDatabase().aliasName().compare(
            projectAlias(data, QStringLiteral("SourceDBAlias")), Qt::CaseInsensitive) != 0) {
        dm_.DisconnectSource();
    }
    if (dm_.DestDatabase().aliasName().compare(projectAlias(data, QStringLiteral("DestDBAlias")),
                                               Qt::CaseInsensitive) != 0) {
        dm_.DisconnectTarget();
    }
    dm_.setAliasHeaderPending(true);
    data.SetModified(false);
}

void TPrjView::LoadFromFile(const QString& fileName) {
    ReadFile(fileName);
    ShowInEngine();
}

void TPrjView::ReplaceData(std::unique_ptr<TPrjDataSaved> data) {
    if (!data) {
        throw InternalError(QStringLiteral("TPrjView.ReplaceData: no project data"));
    }
    data_ = std::move(data);
    data_->SetNotifyChanges(true);
}

void TPrjView::SelectTableSetup(int index) {
    MemData& t = dm_.TablesMemData();
    if (!t.isOpen()) {
        return;
    }
    t.first();
    for (int i = 0; i < index && !t.eof(); ++i) {
        t.next();
    }
}

int TPrjView::CurrentTableSetupIndex() {
    MemData& t = dm_.TablesMemData();
    return t.isOpen() ? t.position() : -1;
}

}  // namespace qm
