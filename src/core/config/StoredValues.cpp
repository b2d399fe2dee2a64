#include "config/StoredValues.h"

#include "ini/CustomFastIniFile.h"

using namespace Qt::StringLiterals;

namespace qm::StoredValues {

std::optional<int> integer(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: {
            bool ok = false;
            const int number = value.toInt(&ok);
            return ok ? std::optional<int>(number) : std::nullopt;
        }
        case QMetaType::QString: {
            int number = 0;
            return TCustomFastIniFile::parseInteger(value.toString(), number)
                       ? std::optional<int>(number)
                       : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::optional<QString> text(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::QStringList:
            return value.toStringList().join(u", "_s);
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return value.toString();
        default:
            return std::nullopt;
    }
}

}  // namespace qm::StoredValues
