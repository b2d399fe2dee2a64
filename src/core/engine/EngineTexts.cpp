#include "engine/EngineTexts.h"

using namespace Qt::StringLiterals;

namespace qm {

QString recordCountText(Side side, std::optional<qsizetype> records) {
    if (!records) {
        return u"Not open"_s;
    }
    return (side == Side::Source ? u"%1 records"_s : u"%1 records initially"_s).arg(*records);
}

QString recordCountText(Side side, std::optional<qsizetype> records, qint64 unloaded) {
    if (!records || unloaded <= 0) {
        return recordCountText(side, records);
    }
    return u"%1 (%2 equal, not loaded)"_s.arg(
        recordCountText(side, static_cast<qsizetype>(*records + unloaded)),
        QString::number(unloaded));
}

StatisticTexts statisticTexts(const std::optional<ComparisonCounts>& counts) {
    if (!counts) {
        return {};
    }
    const auto text = [](int n, const QString& some, const QString& none) {
        return n > 0 ? some.arg(n) : none;
    };
    return {text(counts->inserts, u"Inserts: %1"_s, u"No inserts"_s),
            text(counts->updates, u"Updates: %1"_s, u"No updates"_s),
            text(counts->deletes, u"Deletes: %1"_s, u"No deletes"_s),
            text(counts->differences, u"Records with differences: %1"_s,
                 u"No dual records different"_s),
            text(counts->targetOnly, u"Local records: %1"_s, u"No records unique to target"_s)};
}

}  // namespace qm
