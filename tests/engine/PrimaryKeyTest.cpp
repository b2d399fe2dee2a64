// Primary key specs as the user writes them.

#include "engine/PrimaryKey.h"
#include "list/ListTestSupport.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

TEST(PrimaryKeyTest, NamesAreTakenAsWritten) {
    struct Case {
        QString spec;
        QStringList names;
    };
    const Case cases[] = {
        {QString(), {}},
        {u"ID"_s, {u"ID"_s}},
        {u"ORDERNO;LINENO"_s, {u"ORDERNO"_s, u"LINENO"_s}},
        {u"ORDERNO; LINENO"_s, {u"ORDERNO"_s, u" LINENO"_s}},
        {u"ORDERNO, LINENO"_s, {u"ORDERNO, LINENO"_s}},
        {u"A;B;C"_s, {u"A"_s, u"B"_s, u"C"_s}},
        {u"A;;C"_s, {u"A"_s, QString(), u"C"_s}},
        {u"A;"_s, {u"A"_s, QString()}},
        {u" "_s, {u" "_s}},
    };
    for (const Case& c : cases) {
        const PrimaryKey key(c.spec);
        EXPECT_EQ(key.spec(), c.spec);
        ASSERT_EQ(key.fieldCount(), c.names.size()) << c.spec.toStdString();
        for (int i = 0; i < key.fieldCount(); ++i) {
            EXPECT_EQ(key.fieldName(i), c.names[i]) << c.spec.toStdString() << " #" << i;
        }
    }
}

}  // namespace
}  // namespace qm::test
