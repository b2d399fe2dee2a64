#include "props/PropText.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

struct TextCase {
    QString value;
    QString stored;
};

TEST(PropText, EncodesValuesInQuotedCommaText) {
    const TextCase cases[] = {
        {u"abc"_s, u"\"abc\""_s},
        {u"Courier New"_s, u"\"\"Courier New\"\""_s},
        {u"SELECT *\r\nFROM T"_s, u"\"\"SELECT *\",\"FROM T\"\""_s},
        {QString(), QString()},
        {u"\r\n"_s, u"\"\"\"\""_s},
        {u"a,b"_s, u"\"\"a,b\"\""_s},
        {u"say \"hi\""_s, u"\"\"say \"\"hi\"\"\"\""_s},
        {u"SELECT\nFROM"_s, u"\"SELECT,FROM\""_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PropText::encode(c.value), c.stored) << c.value.toStdString();
    }
}

TEST(PropText, DecodesStoredTextsOfEveryOrigin) {
    const TextCase cases[] = {
        // written by the program
        {u"x y\r\nz w"_s, u"\"\"x y\",\"z w\"\""_s},
        {u"abc"_s, u"\"abc\""_s},
        {QString(), QString()},
        // a hand-written plain value is one line, taken as it stands
        {u"plain text"_s, u"plain text"_s},
        {u"a \"b\", c"_s, u"a \"b\", c"_s},
        // one word first: the outer pair of quotes is the writer's, not a line's
        {u"SELECT\r\n* FROM T"_s, u"\"SELECT,\"* FROM T\"\""_s},
        {u"a\r\nb"_s, u"\"a,b\""_s},
        // an empty line between two quoted lines survives
        {u"x y\r\n\r\nz w"_s, u"\"\"x y\",,\"z w\"\""_s},
        // a text with an opening quote only still reads as far as it goes
        {u"abc"_s, u"\"abc"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PropText::decode(c.stored), c.value) << c.stored.toStdString();
    }
}

// A value is made of lines first and then joined with random line breaks,
// so that the expected result does not come from the code under test: the
// lines come back joined with CR LF. Every line but a last non-empty one
// ends in a line break; a final line break ends the last line, so a value
// whose last line is empty reads back with a line break after it.
TEST(PropText, EveryEncodedTextDecodesToItsLines) {
    // Characters chosen to hit every rule: blanks, commas, quotes, control
    // characters, letters and text beyond ASCII.
    const QString alphabet = u"ab ,\"\t\x01\x7f;=[]Z\u00e9\u20ac"_s + QChar(0);
    const QString breaks[] = {u"\r\n"_s, u"\n"_s, u"\r"_s};
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 20000; ++round) {
        QStringList lines;
        const int lineCount = static_cast<int>(rng.bounded(5));
        for (int l = 0; l < lineCount; ++l) {
            const int length = static_cast<int>(rng.bounded(l == 0 ? 6 : 4));
            QString line;
            for (int i = 0; i < length; ++i) {
                line += alphabet.at(static_cast<qsizetype>(rng.bounded(alphabet.size())));
            }
            lines << line;
        }
        QString value;
        QString previousBreak;
        for (qsizetype l = 0; l < lines.size(); ++l) {
            value += lines[l];
            const bool last = l + 1 == lines.size();
            if (last && !lines[l].isEmpty() && rng.bounded(2) == 0) {
                break;  // the last line may end without a line break
            }
            // CR, an empty line and LF would read as one CR LF.
            QString lineBreak = breaks[rng.bounded(3)];
            while (lines[l].isEmpty() && previousBreak == u"\r"_s && lineBreak == u"\n"_s) {
                lineBreak = breaks[rng.bounded(3)];
            }
            value += lineBreak;
            previousBreak = lineBreak;
        }
        QString expected = lines.join(u"\r\n"_s);
        if (!lines.isEmpty() && lines.back().isEmpty()) {
            expected += u"\r\n"_s;
        }

        const QString stored = PropText::encode(value);
        ASSERT_FALSE(stored.contains(u'\r') || stored.contains(u'\n'));
        ASSERT_EQ(PropText::decode(stored), expected)
            << "value " << value.toStdString() << " stored " << stored.toStdString();
        // What was read back stores as the same text: saving a loaded
        // project changes nothing.
        ASSERT_EQ(PropText::encode(PropText::decode(stored)), stored) << stored.toStdString();
    }
}

TEST(PropText, MultiLineQueriesSurvive) {
    const QString queries[] = {
        u"SELECT\r\n  id,\r\n  name\r\nFROM customers\r\nWHERE name <> ''"_s,
        u"SELECT\r\nFROM"_s,
        u"\r\nSELECT 1"_s,
        u"SELECT 1\r\n\r\n\r\nFROM x"_s,
        u"a,b"_s,
        u"x\r\n,\r\ny"_s,
    };
    for (const QString& q : queries) {
        EXPECT_EQ(PropText::decode(PropText::encode(q)), q) << q.toStdString();
    }
    // A final line break is dropped, as with every stored string.
    EXPECT_EQ(PropText::decode(PropText::encode(u"SELECT 1\r\n"_s)), u"SELECT 1"_s);
    // Only one: further final line breaks stay.
    EXPECT_EQ(PropText::decode(PropText::encode(u"SELECT 1\n\n\n"_s)), u"SELECT 1\r\n\r\n\r\n"_s);
}

}  // namespace

namespace {

TEST(PropText, ControlCharactersOutsideQuotesSeparateLikeBlanks) {
    const QString stored = u"\"Cou"_s + QChar(1) + QChar(0) + QChar(0) + QChar(0) + u"\""_s;
    EXPECT_EQ(PropText::decode(stored), u"Cou"_s);
    const QString twoItems = u"\"a"_s + QChar(0) + u"b\""_s;
    EXPECT_EQ(PropText::decode(twoItems), u"a\r\nb"_s);
}

}  // namespace
