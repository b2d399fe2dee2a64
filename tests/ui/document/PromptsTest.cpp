#include "document/WidgetDocumentPrompts.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

TEST(WidgetDocumentPrompts, ANameWithoutExtensionGetsQmp) {
    const struct {
        QString typed;
        QString used;
    } cases[] = {
        {u"/p/shop"_s, u"/p/shop.QMP"_s},     {u"/p/shop.QMP"_s, u"/p/shop.QMP"_s},
        {u"/p/shop.qmp"_s, u"/p/shop.qmp"_s}, {u"/p/shop.v2"_s, u"/p/shop.v2"_s},
        {u"/p.d/shop"_s, u"/p.d/shop.QMP"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WidgetDocumentPrompts::withDefaultSuffix(c.typed), c.used);
    }
    EXPECT_EQ(WidgetDocumentPrompts::fileFilter(), u"Quillmere Project (QMP) (*.QMP *.qmp)"_s);
}

}  // namespace
