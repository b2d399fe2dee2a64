// The comparison-rules dialog: the rules' text form read into its grid and
// written back after edits, the rows it lists, and the tolerance cells that
// refuse what is no tolerance.

#include "dialogs/TComparisonRulesForm.h"
#include "dialogs/TFormFactory.h"
#include "ui/UiTestSupport.h"

#include <QAbstractItemModel>
#include <QTableWidget>
#include <functional>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

using Form = TComparisonRulesForm;

const QStringList kColumns{u"id"_s, u"name"_s, u"price"_s, u"updated_at"_s};
const QStringList kKeys{u"ID"_s};  // letter case does not count

class ComparisonRulesFormTest : public test::UiTest {
public:  // the cases' edits use these
    void open(const QString& text) {
        form_.setRules(u"Items"_s, ComparisonRules::parse(text, u"Items"_s), kColumns, kKeys);
    }
    int row(const QString& column) const { return form_.rowOfColumn(column); }
    void check(const QString& column, int cell, bool on) {
        form_.grid().item(row(column), cell)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    // As the cell's editor commits a text.
    void type(const QString& column, int cell, const QString& text) {
        QAbstractItemModel& m = *form_.grid().model();
        m.setData(m.index(row(column), cell), text, Qt::EditRole);
    }
    QString cell(const QString& column, int cell) const {
        return form_.grid().item(row(column), cell)->text();
    }
    QString written() const { return form_.rules().toText(); }

    Form form_;
};

TEST_F(ComparisonRulesFormTest, ReadsTheRulesAndWritesWhatTheGridShows) {
    struct Case {
        const char* what;
        QString before;
        std::function<void(ComparisonRulesFormTest&)> edit;
        QString after;
    };
    const QList<Case> cases{
        {"unchanged", u"*: nocase; price: abs=0.005"_s, [](auto&) {},
         u"*: nocase; price: abs=0.005"_s},
        {"a rule for all columns", QString(),
         [](auto& t) {
             t.check(u"*"_s, Form::IgnoreCaseColumn, true);
             t.check(u"*"_s, Form::TrimColumn, true);
         },
         u"*: nocase trim"_s},
        {"one column's own rules", QString(),
         [](auto& t) {
             t.type(u"price"_s, Form::AbsToleranceColumn, u" 0.005 "_s);
             t.type(u"price"_s, Form::RelToleranceColumn, u"1e-9"_s);
             t.check(u"updated_at"_s, Form::IgnoreColumn, true);
             t.type(u"name"_s, Form::TimeColumn, u"Second"_s);
         },
         u"name: time=second; price: abs=0.005 rel=1e-09; updated_at: ignore"_s},
        {"clearing a column's rule", u"price: abs=0.5; name: nullempty"_s,
         [](auto& t) { t.type(u"price"_s, Form::AbsToleranceColumn, QString()); },
         u"name: nullempty"_s},
        {"a column set back to the rule for all has none of its own", u"*: trim; name: nocase"_s,
         [](auto& t) {
             t.check(u"name"_s, Form::IgnoreCaseColumn, false);
             t.check(u"name"_s, Form::TrimColumn, true);
         },
         u"*: trim"_s},
        // The columns without a rule of their own follow the first row; those
        // with one keep it, also while it equals the rule for all.
        {"changing the rule for all", u"*: nocase; price: abs=1; name: exact"_s,
         [](auto& t) {
             t.check(u"*"_s, Form::IgnoreCaseColumn, false);
             t.check(u"*"_s, Form::TrimColumn, true);
         },
         u"*: trim; price: abs=1; name: exact"_s},
        {"clearing everything", u"*: nocase; name: exact"_s,
         [](auto& t) { t.check(u"*"_s, Form::IgnoreCaseColumn, false); }, QString()},
        // Rules of columns the grid cannot change are kept as they were.
        {"a key column's and an unknown column's rules", u"id: nocase; gone: ignore"_s,
         [](auto& t) { t.check(u"gone"_s, Form::IgnoreColumn, false); }, u"id: nocase"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.before);
        c.edit(*this);
        EXPECT_EQ(written(), c.after);
        EXPECT_TRUE(form_.refusal().isEmpty()) << form_.refusal().toStdString();
    }
}

TEST_F(ComparisonRulesFormTest, ListsAllColumnsFirstThenTheColumnsWithKeysFixed) {
    open(u"*: trim; price: abs=0.25 time=minute; gone: ignore"_s);
    QTableWidget& grid = form_.grid();
    EXPECT_EQ(form_.windowTitle(), u"Comparison Rules - Items"_s);
    ASSERT_EQ(grid.rowCount(), 6);
    QStringList names;
    for (int r = 0; r < grid.rowCount(); ++r) {
        names << grid.item(r, Form::NameColumn)->text();
    }
    EXPECT_EQ(names, (QStringList{u"(all columns)"_s, u"id (key)"_s, u"name"_s, u"price"_s,
                                  u"updated_at"_s, u"gone"_s}));
    EXPECT_EQ(grid.horizontalHeaderItem(Form::TimeColumn)->text(), u"Date-time precision"_s);

    // Each row shows the rule that applies to its column.
    EXPECT_EQ(grid.item(row(u"name"_s), Form::TrimColumn)->checkState(), Qt::Checked);
    EXPECT_EQ(cell(u"price"_s, Form::AbsToleranceColumn), u"0.25"_s);
    EXPECT_EQ(cell(u"price"_s, Form::TimeColumn), u"minute"_s);
    EXPECT_EQ(grid.item(row(u"price"_s), Form::TrimColumn)->checkState(), Qt::Unchecked);
    EXPECT_EQ(cell(u"name"_s, Form::TimeColumn), u"exact"_s);
    EXPECT_EQ(grid.item(row(u"gone"_s), Form::IgnoreColumn)->checkState(), Qt::Checked);

    // The key's row shows no rule and takes none; the names are not edited.
    const int key = row(u"id"_s);
    EXPECT_EQ(grid.item(key, Form::TrimColumn)->checkState(), Qt::Unchecked);
    for (int c = 0; c < Form::ColumnCount; ++c) {
        EXPECT_FALSE(grid.item(key, c)->flags() & Qt::ItemIsEditable) << c;
        EXPECT_FALSE(grid.item(key, c)->flags() & Qt::ItemIsUserCheckable) << c;
        EXPECT_FALSE(grid.item(row(u"name"_s), Form::NameColumn)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_TRUE(grid.item(row(u"name"_s), Form::AbsToleranceColumn)->flags() & Qt::ItemIsEditable);

    // The command makes it by name through the program's register of dialogs.
    registerProgramForms();
    const std::unique_ptr<QDialog> made =
        TFormFactory::instance().CreateByClassName(u"TComparisonRulesForm"_s);
    EXPECT_NE(qobject_cast<Form*>(made.get()), nullptr);
}

TEST_F(ComparisonRulesFormTest, AToleranceCellRefusesWhatIsNoNumberOfZeroOrMore) {
    open(u"price: abs=0.5"_s);
    for (const QString& bad : {u"abc"_s, u"-1"_s, u"1,5"_s, u"inf"_s, u"nan"_s, u"0.5x"_s}) {
        SCOPED_TRACE(bad.toStdString());
        type(u"price"_s, Form::AbsToleranceColumn, bad);
        EXPECT_EQ(cell(u"price"_s, Form::AbsToleranceColumn), u"0.5"_s)
            << "the cell keeps its value";
        EXPECT_EQ(
            form_.refusal(),
            u"Absolute tolerance of \"price\": \"%1\" is not a number of 0 or more. Enter "
            "a number such as 0.005 (with a point for decimals), or leave the cell empty."_s.arg(
                bad));
        EXPECT_EQ(written(), u"price: abs=0.5"_s);
    }
    type(u"price"_s, Form::RelToleranceColumn, u"0.01"_s);
    EXPECT_TRUE(form_.refusal().isEmpty()) << "a good entry clears the message";
    EXPECT_EQ(written(), u"price: abs=0.5 rel=0.01"_s);

    type(u"name"_s, Form::TimeColumn, u"hour"_s);
    EXPECT_EQ(cell(u"name"_s, Form::TimeColumn), u"exact"_s);
    EXPECT_EQ(
        form_.refusal(),
        u"Date-time precision of \"name\": \"hour\" is none of exact, second, minute, day."_s);
}

}  // namespace
