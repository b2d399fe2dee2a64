#include "dialogs/TComparisonRulesForm.h"

#include "dialogs/DialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The column's name as the rules read it; the cell shows "(key)" after it.
constexpr int kNameRole = Qt::UserRole;
// On the name cell: the row has a rule of its own rather than following the
// first row's.
constexpr int kOwnRole = Qt::UserRole + 1;

// Each grid column's header and its hint, in column order.
struct ColumnHeader {
    const char16_t* text;
    const char16_t* hint;
};
constexpr ColumnHeader kHeaders[TComparisonRulesForm::ColumnCount] = {
    {u"Column", u""},
    {u"Ignore", u"The column is not compared and an UPDATE never writes it"},
    {u"Ignore case", u"Text: letter case does not count"},
    {u"Trim blanks", u"Text: blanks at the start and the end do not count"},
    {u"NULL = empty", u"Text: NULL equals the empty text"},
    {u"Absolute tolerance", u"Numbers: equal when they differ by no more than this"},
    {u"Relative tolerance",
     u"Numbers: equal when they differ by no more than this share of the larger"},
    {u"Date-time precision", u"Date-times: equal when equal cut to this precision"},
};

QString headerText(int column) {
    return column >= 0 && column < TComparisonRulesForm::ColumnCount
               ? QString::fromUtf16(kHeaders[column].text)
               : QString();
}

QString headerHint(int column) {
    return column >= 0 && column < TComparisonRulesForm::ColumnCount
               ? QString::fromUtf16(kHeaders[column].hint)
               : QString();
}

bool isCheckColumn(int column) {
    return column >= TComparisonRulesForm::IgnoreColumn &&
           column <= TComparisonRulesForm::NullIsEmptyColumn;
}

bool isToleranceColumn(int column) {
    return column == TComparisonRulesForm::AbsToleranceColumn ||
           column == TComparisonRulesForm::RelToleranceColumn;
}

// The date-time precision cells edit with a choice of the four texts.
class TimeDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->addItems(TComparisonRulesForm::timeTexts());
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        combo->setCurrentIndex(std::max(0, combo->findText(index.data(Qt::EditRole).toString())));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }
};

}  // namespace

/// A cell that refuses a text its column cannot take, whichever way it is
/// set (the cell's editor, the model, a paste), and keeps its value then.
class TComparisonRulesForm::RuleItem final : public QTableWidgetItem {
public:
    RuleItem(int column, std::function<void(const QString&)> refuse)
        : column_(column), refuse_(std::move(refuse)) {}

    void setData(int role, const QVariant& value) override {
        if (role != Qt::EditRole && role != Qt::DisplayRole) {
            QTableWidgetItem::setData(role, value);
            return;
        }
        const QString text = value.toString().trimmed();
        QString stored = text;
        if (isToleranceColumn(column_) && !text.isEmpty()) {
            const std::optional<double> number = ComparisonRules::toleranceOf(text);
            if (!number) {
                refuse_(
                    u"%1 of \"%2\": \"%3\" is not a number of 0 or more. Enter a number "
                    "such as 0.005 (with a point for decimals), or leave the cell empty."_s.arg(
                        headerText(column_), rowName(), text));
                return;
            }
            stored = ComparisonRules::toleranceText(*number);
        } else if (column_ == TimeColumn) {
            stored = text.isEmpty() ? timeTexts().front() : text.toLower();
            if (!timeTexts().contains(stored)) {
                refuse_(u"%1 of \"%2\": \"%3\" is none of %4."_s.arg(
                    headerText(column_), rowName(), text, timeTexts().join(u", "_s)));
                return;
            }
        }
        refuse_(QString());
        QTableWidgetItem::setData(Qt::EditRole, stored);
    }

private:
    QString rowName() const {
        const QTableWidget* grid = tableWidget();
        const QTableWidgetItem* name = grid ? grid->item(row(), NameColumn) : nullptr;
        return name ? name->data(kNameRole).toString() : QString();
    }

    int column_;
    std::function<void(const QString&)> refuse_;
};

TComparisonRulesForm::TComparisonRulesForm(QWidget* parent) : QDialog(parent) {
    setObjectName(u"ComparisonRulesForm"_s);
    setWindowTitle(u"Comparison Rules"_s);

    auto* layout = new QVBoxLayout(this);
    intro_ = new QLabel(this);
    intro_->setObjectName(u"IntroLabel"_s);
    intro_->setWordWrap(true);
    layout->addWidget(intro_);

    grid_ = new QTableWidget(0, ColumnCount, this);
    grid_->setObjectName(u"RulesGrid"_s);
    for (int c = 0; c < ColumnCount; ++c) {
        auto* header = new QTableWidgetItem(headerText(c));
        header->setToolTip(headerHint(c));
        grid_->setHorizontalHeaderItem(c, header);
    }
    grid_->verticalHeader()->hide();
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grid_->setItemDelegateForColumn(TimeColumn, new TimeDelegate(grid_));
    grid_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grid_, 1);

    refusal_ = new QLabel(this);
    refusal_->setObjectName(u"RefusalLabel"_s);
    refusal_->setWordWrap(true);
    QPalette red = refusal_->palette();
    red.setColor(QPalette::WindowText, Qt::darkRed);
    refusal_->setPalette(red);
    layout->addWidget(refusal_);

    QPushButton* ok = addOkCancelButtons(*this, *layout);
    auto* buttons = qobject_cast<QDialogButtonBox*>(ok->parentWidget());
    QPushButton* help = buttons->addButton(u"Help"_s, QDialogButtonBox::HelpRole);
    help->setObjectName(u"HelpButton"_s);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &TComparisonRulesForm::helpRequested);

    // A change of the rule for all columns carries over to the columns that
    // follow it, so that they keep following it rather than keeping a copy;
    // a column row the user makes differ from it has a rule of its own.
    connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        const int changed = item->row();
        const QSignalBlocker quiet(grid_);
        if (changed > 0) {
            grid_->item(changed, NameColumn)->setData(kOwnRole, ruleOfRow(changed) != shownAll_);
            return;
        }
        shownAll_ = ruleOfRow(0);
        for (int row = 1; row < grid_->rowCount(); ++row) {
            if (rowEditable(row) && !grid_->item(row, NameColumn)->data(kOwnRole).toBool()) {
                setRowRule(row, shownAll_, true);
            }
        }
        grid_->viewport()->update();
    });
    resize(860, 420);
}

TComparisonRulesForm::~TComparisonRulesForm() = default;

QStringList TComparisonRulesForm::timeTexts() {
    return {u"exact"_s, u"second"_s, u"minute"_s, u"day"_s};
}

void TComparisonRulesForm::refuse(const QString& why) {
    refusal_->setText(why);
}

QString TComparisonRulesForm::refusal() const {
    return refusal_->text();
}

bool TComparisonRulesForm::rowEditable(int row) const {
    const QTableWidgetItem* item = grid_->item(row, IgnoreColumn);
    return item != nullptr && (item->flags() & Qt::ItemIsEnabled);
}

void TComparisonRulesForm::setRowRule(int row, const ColumnRule& rule, bool editable) {
    const auto refuse = [this](const QString& why) { this->refuse(why); };
    for (int c = IgnoreColumn; c < ColumnCount; ++c) {
        QTableWidgetItem* item = grid_->item(row, c);
        if (item == nullptr) {
            item = new RuleItem(c, refuse);
            grid_->setItem(row, c, item);
        }
        if (isCheckColumn(c)) {
            item->setFlags(editable
                               ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                               : Qt::NoItemFlags);
            const bool on = (c == IgnoreColumn && rule.ignore) ||
                            (c == IgnoreCaseColumn && rule.ignoreCase) ||
                            (c == TrimColumn && rule.trimBlanks) ||
                            (c == NullIsEmptyColumn && rule.nullIsEmpty);
            item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            continue;
        }
        item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                : Qt::NoItemFlags);
        if (c == AbsToleranceColumn) {
            item->setData(Qt::EditRole, rule.absTolerance
                                            ? ComparisonRules::toleranceText(*rule.absTolerance)
                                            : QString());
        } else if (c == RelToleranceColumn) {
            item->setData(Qt::EditRole, rule.relTolerance
                                            ? ComparisonRules::toleranceText(*rule.relTolerance)
                                            : QString());
        } else {
            item->setData(Qt::EditRole, timeTexts().at(static_cast<int>(rule.time)));
        }
    }
}

ColumnRule TComparisonRulesForm::ruleOfRow(int row) const {
    const auto checked = [this, row](int c) {
        const QTableWidgetItem* item = grid_->item(row, c);
        return item != nullptr && item->checkState() == Qt::Checked;
    };
    const auto text = [this, row](int c) {
        const QTableWidgetItem* item = grid_->item(row, c);
        return item != nullptr ? item->data(Qt::EditRole).toString() : QString();
    };
    ColumnRule rule;
    rule.ignore = checked(IgnoreColumn);
    rule.ignoreCase = checked(IgnoreCaseColumn);
    rule.trimBlanks = checked(TrimColumn);
    rule.nullIsEmpty = checked(NullIsEmptyColumn);
    rule.absTolerance = text(AbsToleranceColumn).isEmpty()
                            ? std::nullopt
                            : ComparisonRules::toleranceOf(text(AbsToleranceColumn));
    rule.relTolerance = text(RelToleranceColumn).isEmpty()
                            ? std::nullopt
                            : ComparisonRules::toleranceOf(text(RelToleranceColumn));
    rule.time = static_cast<TimePrecision>(
        std::max(0, static_cast<int>(timeTexts().indexOf(text(TimeColumn)))));
    return rule;
}

void TComparisonRulesForm::setRules(const QString& tableSetupName, const ComparisonRules& rules,
                                    const QStringList& columns, const QStringList& keys) {
    const QSignalBlocker quiet(grid_);
    given_ = rules;
    shownAll_ = rules.all;
    setWindowTitle(tableSetupName.isEmpty() ? u"Comparison Rules"_s
                                            : u"Comparison Rules - %1"_s.arg(tableSetupName));
    intro_->setText(
        u"What does not count as a difference when the rows of table setup \"%1\" are "
        "compared. A column keeps to the first row's rule unless its own row is set "
        "otherwise. Key columns are matched by key as they are."_s.arg(tableSetupName));
    refuse(QString());

    // The columns, then those the rules name that are not among them.
    QStringList names = columns;
    for (const auto& entry : rules.columns) {
        if (!names.contains(entry.first, Qt::CaseInsensitive)) {
            names << entry.first;
        }
    }
    grid_->setRowCount(0);
    grid_->setRowCount(static_cast<int>(names.size()) + 1);
    auto* all = new QTableWidgetItem(u"(all columns)"_s);
    all->setData(kNameRole, u"*"_s);
    all->setFlags(Qt::ItemIsEnabled);
    QFont bold = all->font();
    bold.setBold(true);
    all->setFont(bold);
    grid_->setItem(0, NameColumn, all);
    setRowRule(0, rules.all, true);
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const int row = i + 1;
        const QString& name = names[i];
        const bool key = keys.contains(name, Qt::CaseInsensitive);
        auto* item = new QTableWidgetItem(key ? u"%1 (key)"_s.arg(name) : name);
        item->setData(kNameRole, name);
        item->setData(
            kOwnRole,
            std::any_of(rules.columns.begin(), rules.columns.end(), [&name](const auto& entry) {
                return entry.first.compare(name, Qt::CaseInsensitive) == 0;
            }));
        item->setFlags(Qt::ItemIsEnabled);
        if (key) {
            item->setToolTip(u"Key columns are matched by key; no rule applies to them"_s);
        } else if (i >= static_cast<int>(columns.size())) {
            item->setToolTip(
                u"The rules name this column, but the table setup's lists or "
                "target query do not have it"_s);
        }
        grid_->setItem(row, NameColumn, item);
        // A key column shows no rule: none applies to it.
        setRowRule(row, key ? ColumnRule() : rules.forColumn(name), !key);
    }
    grid_->resizeColumnsToContents();
    // Wide enough for every column and the intro, within reason.
    int width = grid_->frameWidth() * 2;
    for (int c = 0; c < ColumnCount; ++c) {
        width += grid_->columnWidth(c);
    }
    resize(std::clamp(width + 40, 720, 1200), height());
}

int TComparisonRulesForm::rowOfColumn(const QString& name) const {
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const QTableWidgetItem* item = grid_->item(row, NameColumn);
        if (item != nullptr &&
            item->data(kNameRole).toString().compare(name, Qt::CaseInsensitive) == 0) {
            return row;
        }
    }
    return -1;
}

ComparisonRules TComparisonRulesForm::rules() const {
    ComparisonRules out = given_;
    out.all = ruleOfRow(0);
    for (int row = 1; row < grid_->rowCount(); ++row) {
        if (!rowEditable(row)) {
            continue;  // a key column keeps whatever the rules said of it
        }
        const QString name = grid_->item(row, NameColumn)->data(kNameRole).toString();
        // setColumn drops the column's own rule when it equals the rule for all.
        out.setColumn(name, ruleOfRow(row));
    }
    return out;
}

}  // namespace qm
