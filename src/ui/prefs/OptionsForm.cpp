#include "prefs/OptionsForm.h"

#include "settings/KzSettingsPanel.h"
#include "shared/UnhandledFailure.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The dialog of instance(). Widgets must go before the application object
// does, so it is released by a post routine of the application's
// destructor rather than at static destruction.
std::unique_ptr<TOptionsForm> g_instance;

void releaseProgramDialog() {
    g_instance.reset();
}

// The settings panel keeps the values under this window name; it must not
// change, or every user's saved preferences are lost.
constexpr char16_t kFormName[] = u"OptionsForm";

}  // namespace

TOptionsForm& TOptionsForm::instance() {
    if (!g_instance) {
        g_instance = std::make_unique<TOptionsForm>();
        qAddPostRoutine(releaseProgramDialog);
    }
    return *g_instance;
}

void TOptionsForm::releaseInstance() {
    qRemovePostRoutine(releaseProgramDialog);
    releaseProgramDialog();
}

TOptionsForm::TOptionsForm() : defaultStyles_(DefaultElementStyles()) {
    buildControls();
    // The stored values replace the initial ones; on a first run the
    // initial ones are stored, before the dialog is ever shown.
    runReporting([this] { savedPanel_->Restore(); });
    value_ = shownValue();
    runReporting([this] { FormCreate(); });
}

TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::buildControls() {
    setObjectName(QString::fromUtf16(kFormName));
    setWindowTitle(u"Preferences"_s);

    savedPanel_ = new TkzSettingsPanel(this);
    savedPanel_->setObjectName(u"SavedPanel"_s);
    savedPanel_->setCompanyName(u"kazmo"_s);
    savedPanel_->setProductName(u"Vistrel"_s);
    auto* panelLayout = new QVBoxLayout(savedPanel_);
    panelLayout->setContentsMargins(7, 7, 7, 7);

    pageControl_ = new QTabWidget(savedPanel_);
    pageControl_->setObjectName(u"PageControl"_s);
    panelLayout->addWidget(pageControl_);

    generalTabSheet_ = new QWidget;
    generalTabSheet_->setObjectName(u"GeneralTabSheet"_s);
    pageControl_->addTab(generalTabSheet_, u"&General"_s);
    auto* sheetLayout = new QVBoxLayout(generalTabSheet_);
    sheetLayout->setContentsMargins(0, 0, 0, 0);

    auto* generalPanel = new QWidget(generalTabSheet_);
    generalPanel->setObjectName(u"GeneralPanel"_s);
    sheetLayout->addWidget(generalPanel);
    auto* generalLayout = new QVBoxLayout(generalPanel);

    auto* startupGroup = new QGroupBox(generalPanel);
    startupGroup->setObjectName(u"kzFlexGroupBox2"_s);
    auto* startupLayout = new QVBoxLayout(startupGroup);
    loadLastPrjAtStartup_ =
        new QCheckBox(u"Automatically &load last project at startup."_s, startupGroup);
    loadLastPrjAtStartup_->setObjectName(u"LoadLastPrjAtStartupCheckBox"_s);
    loadLastPrjAtStartup_->setChecked(true);
    startupLayout->addWidget(loadLastPrjAtStartup_);
    autoCreateEmptyPrjAtStartup_ =
        new QCheckBox(u"Auto &create a new project at startup."_s, startupGroup);
    autoCreateEmptyPrjAtStartup_->setObjectName(u"AutoCreateEmptyPrjAtStartupCheckBox"_s);
    startupLayout->addWidget(autoCreateEmptyPrjAtStartup_);
    generalLayout->addWidget(startupGroup);
    generalLayout->addSpacing(6);

    label6_ = new QLabel(u"Auto log sql file"_s, generalPanel);
    label6_->setObjectName(u"Label6"_s);
    generalLayout->addWidget(label6_);
    autoLogSqlFileName_ = new QLineEdit(defaultAutoLogSqlFileName(), generalPanel);
    autoLogSqlFileName_->setObjectName(u"AutoLogSQLFileNameEdit"_s);
    autoLogSqlFileName_->setMinimumWidth(320);
    label6_->setBuddy(autoLogSqlFileName_);
    generalLayout->addWidget(autoLogSqlFileName_);

    // Not for the user to edit: start-up reads it and the main window's
    // closing writes it, and the panel stores it with the others.
    lastPrj_ = new QLineEdit(generalPanel);
    lastPrj_->setObjectName(u"LastPrjEdit"_s);
    lastPrj_->hide();
    generalLayout->addWidget(lastPrj_);
    generalLayout->addStretch(1);

    auto* okButton = new QPushButton(u"OK"_s);
    okButton->setObjectName(u"OKButton"_s);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(u"Cancel"_s);
    cancelButton->setObjectName(u"CancelButton"_s);
    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(u"ButtonBox"_s);
    buttons->addButton(okButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelButton, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TOptionsForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TOptionsForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 7);
    layout->addWidget(savedPanel_);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(7, 0, 7, 0);
    buttonRow->addWidget(buttons);
    layout->addLayout(buttonRow);
}

void TOptionsForm::FormCreate() {
    pageControl_->setCurrentWidget(generalTabSheet_);
    userStyles_.setFallback(&defaultStyles_);
    const QString file = ElementStylesFileName();
    if (QFileInfo::exists(file)) {
        userStyles_.LoadFromFile(file);
    }
}

Preferences TOptionsForm::shownValue() const {
    Preferences p;
    p.loadLastProjectAtStartup = loadLastPrjAtStartup_->isChecked();
    p.autoCreateEmptyProjectAtStartup = autoCreateEmptyPrjAtStartup_->isChecked();
    p.autoLogSqlFileName = autoLogSqlFileName_->text();
    p.lastProject = lastPrj_->text();
    return p;
}

void TOptionsForm::showValue(const Preferences& value) {
    loadLastPrjAtStartup_->setChecked(value.loadLastProjectAtStartup);
    autoCreateEmptyPrjAtStartup_->setChecked(value.autoCreateEmptyProjectAtStartup);
    autoLogSqlFileName_->setText(value.autoLogSqlFileName);
    lastPrj_->setText(value.lastProject);
}

void TOptionsForm::setPreferences(const Preferences& value) {
    value_ = value;
    showValue(value_);
}

void TOptionsForm::setLastProject(const QString& path) {
    value_.lastProject = path;
    lastPrj_->setText(path);
}

void TOptionsForm::snapshot() {
    // The settings panel stores what the controls show; outside an edit
    // they show the value.
    value_ = shownValue();
    savedPanel_->Snapshot();
}

void TOptionsForm::OKButtonClick() {
    // The edits are in force even when the store cannot be written.
    value_ = shownValue();
    savedPanel_->Snapshot();
    const QString file = ElementStylesFileName();
    // A freshly installed program has no Data folder yet. When it cannot be
    // made, the save below fails with the file's own error.
    QDir().mkpath(QFileInfo(file).absolutePath());
    userStyles_.SaveToFile(file);
}

void TOptionsForm::CancelButtonClick() {
    std::exception_ptr styleFailure;
    const QString file = ElementStylesFileName();
    if (QFileInfo::exists(file)) {
        try {
            userStyles_.LoadFromFile(file);
        } catch (const std::exception&) {
            styleFailure = std::current_exception();
        }
    }
    // The stored settings come back whatever happened to the styles.
    savedPanel_->Restore();
    value_ = shownValue();
    if (styleFailure) {
        std::rethrow_exception(styleFailure);
    }
}

void TOptionsForm::accept() {
    runReporting([this] { OKButtonClick(); });
    QDialog::accept();
}

void TOptionsForm::reject() {
    if (!closingByFrame_) {
        runReporting([this] { CancelButtonClick(); });
    }
    QDialog::reject();
}

void TOptionsForm::showEvent(QShowEvent* event) {
    // Each opening edits a fresh copy of the value in force; the window
    // system showing it again (after minimising) keeps the edits.
    if (!event->spontaneous()) {
        showValue(value_);
    }
    QDialog::showEvent(event);
}

void TOptionsForm::closeEvent(QCloseEvent* event) {
    // QDialog answers a close by rejecting; that reject is not a Cancel.
    // The edits stay in force without being stored.
    value_ = shownValue();
    const QScopedValueRollback byFrame(closingByFrame_, true);
    QDialog::closeEvent(event);
}

}  // namespace qm
