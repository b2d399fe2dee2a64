#include "engine/TableSetupQuery.h"

#include "common/Errors.h"

using namespace Qt::StringLiterals;

namespace qm {

QString tableSetupQuery(const QString& text, const QString& tableSetup, const QString& side) {
    if (text.contains(QChar(0))) {
        throw Error(
            u"The %1 query of table setup \"%2\" holds a NUL character (code 0), so it is not "
            "run; a database would read the query only up to it"_s.arg(side, tableSetup));
    }
    return text;
}

}  // namespace qm
