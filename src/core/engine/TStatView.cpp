#include "engine/TStatView.h"

#include "engine/EngineView.h"

using namespace Qt::StringLiterals;

namespace qm {

void TStatView::Clear() {
    for (StatLabel l : {StatLabel::Insert, StatLabel::Update, StatLabel::Delete, StatLabel::Diff,
                        StatLabel::Local}) {
        view_.setStatisticText(l, QString());
    }
}

void TStatView::Show(int inserts, int updates, int deletes, int differences, int locals) {
    const auto text = [](int n, const QString& some, const QString& none) {
        return n > 0 ? some.arg(n) : none;
    };
    view_.setStatisticText(StatLabel::Insert, text(inserts, u"Inserts: %1"_s, u"No inserts"_s));
    view_.setStatisticText(StatLabel::Update, text(updates, u"Updates: %1"_s, u"No updates"_s));
    view_.setStatisticText(StatLabel::Delete, text(deletes, u"Deletes: %1"_s, u"No deletes"_s));
    view_.setStatisticText(StatLabel::Diff, text(differences, u"Records with differences: %1"_s,
                                                 u"No dual records different"_s));
    view_.setStatisticText(StatLabel::Local,
                           text(locals, u"Local records: %1"_s, u"No records unique to target"_s));
}

}  // namespace qm
