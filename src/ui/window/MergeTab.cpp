#include "window/MergeTab.h"

#include "engine/EngineTexts.h"
#include "window/MergeSidePanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

MergeTab::MergeTab(QAction& openSource, QAction& openTarget, QWidget* parent) : QWidget(parent) {
    setObjectName(u"MergeTabSheet"_s);
    source_ = new MergeSidePanel(u"Source"_s, u"Merge Source"_s, u"Source SQL Query"_s, openSource,
                                 0, this);
    target_ =
        new MergeSidePanel(u"Dest"_s, u"Target"_s, u"Target SQL Query"_s, openTarget, 137, this);
    connect(source_, &MergeSidePanel::queryEdited, this,
            [this](const QString& sql) { emit tableSetupEdited(u"SourceQuerySQL"_s, sql); });
    connect(target_, &MergeSidePanel::queryEdited, this,
            [this](const QString& sql) { emit tableSetupEdited(u"DestQuerySQL"_s, sql); });
    auto* halves = new QSplitter(Qt::Horizontal, this);
    halves->setHandleWidth(3);
    halves->addWidget(source_);
    halves->addWidget(target_);
    halves->setSizes({336, 600});
    halves->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topStrip());
    layout->addWidget(halves, 1);
    layout->addWidget(statisticsStrip());
}

QWidget* MergeTab::topStrip() {
    auto* strip = new QWidget(this);
    strip->setFixedHeight(57);
    auto* keyLabel = new QLabel(u"Primary Key Name(s)"_s, strip);
    keyLabel->setToolTip(u"Seperate combined keys fields with ,"_s);
    key_ = new QLineEdit(strip);
    key_->setObjectName(u"PrimaryKeySpecEdit"_s);
    // The designed widths where there is room; narrower, never overlapping,
    // in a small window.
    key_->setMinimumWidth(60);
    key_->setMaximumWidth(217);
    key_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    key_->setToolTip(keyLabel->toolTip());
    auto* tableLabel = new QLabel(u"Destination Table Name"_s, strip);
    destTable_ = new QLineEdit(strip);
    destTable_->setObjectName(u"DestTableNameEdit"_s);
    destTable_->setMinimumWidth(60);
    destTable_->setMaximumWidth(153);
    destTable_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    name_ = new QLabel(strip);
    name_->setObjectName(u"TableSetupNameLabel"_s);
    QFont font = name_->font();
    font.setPixelSize(32);
    font.setBold(true);
    font.setItalic(true);
    name_->setFont(font);
    name_->setAlignment(Qt::AlignCenter);
    // A 433-wide area where the window allows it; a long name is cut rather
    // than pushing the fields over each other.
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(key_, &QLineEdit::textEdited, this,
            [this](const QString& text) { emit tableSetupEdited(u"PrimaryKeySpec"_s, text); });
    connect(destTable_, &QLineEdit::textEdited, this,
            [this](const QString& text) { emit tableSetupEdited(u"DestTableName"_s, text); });

    auto* keyColumn = new QVBoxLayout;
    keyColumn->addWidget(keyLabel);
    keyColumn->addWidget(key_);
    auto* tableColumn = new QVBoxLayout;
    tableColumn->addWidget(tableLabel);
    tableColumn->addWidget(destTable_);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->addLayout(keyColumn, 217);
    layout->addSpacing(12);
    layout->addLayout(tableColumn, 153);
    layout->addWidget(name_, 433);
    return strip;
}

namespace {

// Left edges of the five statistics labels; each label reaches to 4 pixels
// before the next one.
constexpr std::array<int, 6> kStatisticLefts{8, 112, 232, 352, 552, 752};
constexpr int kStatisticGap = 4;
constexpr int kPushedGap = 16;

}  // namespace

QWidget* MergeTab::statisticsStrip() {
    auto* strip = new QWidget(this);
    strip->setFixedHeight(30);
    const std::array<const char16_t*, 5> names{u"InsertLabel", u"UpdateLabel", u"DeleteLabel",
                                               u"DiffLabel", u"LocalLabel"};
    for (std::size_t i = 0; i < statistics_.size(); ++i) {
        auto* label = new QLabel(strip);
        label->setObjectName(QString::fromUtf16(names[i]) + u"Stat"_s);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        statistics_[i] = label;
    }
    placeStatistics();
    return strip;
}

void MergeTab::placeStatistics() {
    // A label sized for its place only would cut the digits of a large
    // count ("Updates: 1000100" shown as "Updates: 100010").
    // A label pushed along keeps a word's width of room after the text
    // before it, so that two counts do not read as one.
    int left = kStatisticLefts[0];
    for (std::size_t i = 0; i < statistics_.size(); ++i) {
        QLabel* label = statistics_[i];
        left = std::max(left, kStatisticLefts[i]);
        const int text = label->fontMetrics().horizontalAdvance(label->text());
        const int room = kStatisticLefts[i + 1] - kStatisticGap - left;
        label->setGeometry(left, 6, std::max(room, text), 18);
        left += text > room ? text + kPushedGap : room + kStatisticGap;
    }
}

void MergeTab::showTableSetup(const TableSetupView& setup) {
    name_->setText(setup.name);
    if (key_->text() != setup.primaryKeySpec) {
        key_->setText(setup.primaryKeySpec);
    }
    if (destTable_->text() != setup.destTableName) {
        destTable_->setText(setup.destTableName);
    }
    source_->setQuery(setup.sourceQuerySQL);
    target_->setQuery(setup.destQuerySQL);
}

MergeSidePanel& MergeTab::side(Side side) const {
    return side == Side::Source ? *source_ : *target_;
}

void MergeTab::setRecordCount(Side side, std::optional<qsizetype> records) {
    records_[side == Side::Source ? 0 : 1] = records;
    showRecordCount(side);
}

void MergeTab::setUnloadedRows(const std::optional<UnloadedRows>& rows) {
    unloaded_ = rows;
    showRecordCount(Side::Source);
    showRecordCount(Side::Target);
}

void MergeTab::showRecordCount(Side side) {
    const bool source = side == Side::Source;
    const qint64 unloaded = unloaded_ ? (source ? unloaded_->source : unloaded_->target) : 0;
    this->side(side).recordCountLabel().setText(
        qm::recordCountText(side, records_[source ? 0 : 1], unloaded));
}

QString MergeTab::recordCountText(Side side) const {
    return this->side(side).recordCountLabel().text();
}

void MergeTab::setStatistics(const QStringList& texts) {
    for (std::size_t i = 0; i < statistics_.size(); ++i) {
        const auto index = static_cast<qsizetype>(i);
        statistics_[i]->setText(index < texts.size() ? texts[index] : QString());
    }
    placeStatistics();
}

QStringList MergeTab::statistics() const {
    QStringList texts;
    for (const QLabel* label : statistics_) {
        texts << label->text();
    }
    return texts;
}

}  // namespace qm
