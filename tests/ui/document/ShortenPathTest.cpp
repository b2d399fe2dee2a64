#include "document/ShortenPath.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

// One unit of width per character, so limits read as lengths.
int length(const QString& text) {
    return static_cast<int>(text.size());
}

TEST(ShortenPath, DropsFoldersFromTheFrontUntilThePathFits) {
    const struct {
        QString path;
        int limit;
        QChar separator;
        QString shown;
    } cases[] = {
        // 28 characters: fits as it is.
        {u"/Data/Projects/Shop/file.QMP"_s, 28, u'/', u"/Data/Projects/Shop/file.QMP"_s},
        {u"/Data/Projects/Shop/file.QMP"_s, 27, u'/', u"/.../Projects/Shop/file.QMP"_s},
        {u"/Data/Projects/Shop/file.QMP"_s, 26, u'/', u"/.../Shop/file.QMP"_s},
        {u"/Data/Projects/Shop/file.QMP"_s, 17, u'/', u"/.../file.QMP"_s},
        {u"/Data/Projects/Shop/file.QMP"_s, 12, u'/', u".../file.QMP"_s},
        {u"/Data/Projects/Shop/file.QMP"_s, 11, u'/', u"file.QMP"_s},
        // The name itself is never cut.
        {u"/Data/Projects/Shop/file.QMP"_s, 0, u'/', u"file.QMP"_s},
        {u"file.QMP"_s, 0, u'/', u"file.QMP"_s},
        {u"/file.QMP"_s, 5, u'/', u"file.QMP"_s},
        // A relative path loses its folders the same way.
        {u"Shop/Sub/file.QMP"_s, 13, u'/', u".../file.QMP"_s},
        // A folder whose name starts with "." is a folder like any other.
        {u"/home/u/.config/file.QMP"_s, 21, u'/', u"/.../.config/file.QMP"_s},
        // Paths with a drive: the drive goes with the last folder mark.
        {u"C:\\Data\\Projects\\Shop\\file.QMP"_s, 29, u'\\',
         u"C:\\...\\Projects\\Shop\\file.QMP"_s},
        {u"C:\\Data\\Projects\\Shop\\file.QMP"_s, 20, u'\\', u"C:\\...\\Shop\\file.QMP"_s},
        {u"C:\\Data\\Projects\\Shop\\file.QMP"_s, 15, u'\\', u"C:\\...\\file.QMP"_s},
        {u"C:\\Data\\Projects\\Shop\\file.QMP"_s, 14, u'\\', u"...\\file.QMP"_s},
        {u"C:\\Data\\Projects\\Shop\\file.QMP"_s, 8, u'\\', u"file.QMP"_s},
        {u"C:\\file.QMP"_s, 9, u'\\', u"file.QMP"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortenPath(c.path, c.limit, length, c.separator), c.shown)
            << c.path.toStdString() << " in " << c.limit;
    }
}

}  // namespace
