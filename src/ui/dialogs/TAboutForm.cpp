#include "dialogs/TAboutForm.h"

#include "config/Config.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(u"AboutForm"_s);
    const QString title = QCoreApplication::applicationName();
    setWindowTitle(u"About %1"_s.arg(title));

    auto* name = new QLabel(title, this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);

    const TPrjConfig& config = TPrjConfig::instance();
    const QString version = QCoreApplication::applicationVersion();
    auto* text = new QLabel(this);
    text->setObjectName(u"AboutText"_s);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setText(
        (version.isEmpty() ? QString() : u"Version %1\n\n"_s.arg(version)) +
        u"Brings the data of one database in line with another: compares the rows of each "
        u"table setup by primary key, lets you merge source values into the target, and "
        u"writes and executes the script that makes the target equal the source, in one "
        u"transaction, with a log.\n\n"_s +
        u"Made by kazmo - %1 - %2\n\nConfiguration: %3"_s.arg(
            config.MakerWebAddress, config.MakerMail, config.GetFileName()));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    layout->setSpacing(12);
    layout->addWidget(name);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

}  // namespace qm
