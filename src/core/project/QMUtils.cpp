#include "project/QMUtils.h"

#include "common/Assertion.h"
#include "common/Errors.h"
#include "list/MemData.h"
#include "props/ChangeNotices.h"
#include "props/PropValueList.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace qm::TQMUtils {

void DataSetToProps(TPropValueList& props, const MemData& data) {
    for (int f = 0; f < data.fieldCount(); ++f) {
        const FieldDef& field = data.field(f);
        if (field.name == u"RecId"_s) {
            continue;
        }
        TPropValue& v = *props.Find(field.name);
        switch (v.descr().PropKind) {
            case TPropKind::pkInherit:
            case TPropKind::pkBoolean:
                v.SetBoolean(data.asBool(f));
                break;
            case TPropKind::pkString:
                v.SetString(data.isNull(f) ? QString() : data.asText(f));
                break;
            case TPropKind::pkInteger:
            case TPropKind::pkColor: {
                const std::int64_t n = data.asInt(f);
                if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max()) {
                    throw ConversionError(
                        u"The value %1 of \"%2\" does not fit in a 32-bit integer"_s.arg(n).arg(
                            field.name));
                }
                if (v.descr().PropKind == TPropKind::pkInteger) {
                    v.SetInteger(static_cast<int>(n));
                } else {
                    v.SetColor(static_cast<int>(n));
                }
                break;
            }
        }
    }
}

void PropsToDataSet(TPropValueList& props, MemData& data) {
    const TPropDescrList& descrs = *props.descrList();
    for (int i = 0; i < descrs.Count(); ++i) {
        const TPropDescr& d = descrs.Items(i);
        const int f = data.findField(d.PropName);
        if (f < 0) {
            continue;
        }
        TPropValue& v = props.ValueAt(i);
        if (!v.readable()) {
            data.setValue(f, Value());
            continue;
        }
        switch (d.PropKind) {
            case TPropKind::pkInherit:
            case TPropKind::pkBoolean:
                data.setAsBool(f, v.GetBoolean());
                break;
            case TPropKind::pkString:
                data.setAsText(f, v.GetString());
                break;
            case TPropKind::pkInteger:
                data.setAsInt(f, v.GetInteger());
                break;
            case TPropKind::pkColor:
                data.setAsInt(f, v.GetColor());
                break;
        }
    }
}

void NotifyModified() {
    ChangeNotices::notifyModified();
}

}  // namespace qm::TQMUtils
