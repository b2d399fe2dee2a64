// Integers, Booleans, dates, times and floats on top of the string store.

#include "ini/FastMemIniFile.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

// Readable failure output for the date and time types (found by argument lookup).
inline void PrintTo(const QDate& d, std::ostream* os) {
    *os << d.toString(Qt::ISODate).toStdString();
}
inline void PrintTo(const QTime& t, std::ostream* os) {
    *os << t.toString(Qt::ISODate).toStdString();
}
inline void PrintTo(const QDateTime& d, std::ostream* os) {
    *os << d.toString(Qt::ISODate).toStdString();
}

namespace qm::test {
namespace {

std::unique_ptr<TFastMemIniFile> storeWith(const QString& value) {
    auto store = TFastMemIniFile::fromText(QString());
    store->WriteString(u"S"_s, u"k"_s, value);
    return store;
}

TEST(IniTypedValues, IntegerTexts) {
    constexpr int def = 7;
    const struct {
        QString text;
        int expected;
    } cases[] = {
        {u"12"_s, 12},
        {u"+12"_s, 12},
        {u"-12"_s, -12},
        {u"0x1F"_s, 31},
        {u"0X1f"_s, 31},
        {u"$1F"_s, 31},
        {u"$ffffffff"_s, -1},
        {u"$0000000001F"_s, 31},
        {u"2147483647"_s, std::numeric_limits<int>::max()},
        {u"-2147483648"_s, std::numeric_limits<int>::min()},
        {u"0000000000000000000042"_s, 42},
        // everything else gives the default
        {u"12abc"_s, def},
        {QString(), def},
        {u"0x"_s, def},
        {u"$"_s, def},
        {u"-"_s, def},
        {u" 12"_s, def},
        {u"12 "_s, def},
        {u"$ 1F"_s, def},
        {u"$1F "_s, def},
        {QString::fromUtf16(u"$1F\0\0", 5), def},  // toULongLong stops at the NUL
        {u"0x0x1F"_s, def},
        {u"$-1"_s, def},
        {u"-$1"_s, def},
        {u"1.5"_s, def},
        {u"2147483648"_s, def},
        {u"-2147483649"_s, def},
        {u"99999999999999999999999999"_s, def},
        {u"$100000000"_s, def},
        {u"0x123456789ABCDEF0"_s, def},
        {u"\u0661\u0662"_s, def},  // digits, but not ASCII ones
    };
    for (const auto& c : cases) {
        EXPECT_EQ(storeWith(c.text)->ReadInteger(u"S"_s, u"k"_s, def), c.expected)
            << c.text.toStdString();
    }
    EXPECT_EQ(storeWith(u"1"_s)->ReadInteger(u"S"_s, u"missing"_s, def), def);
}

TEST(IniTypedValues, BooleansAreIntegers) {
    const struct {
        QString text;
        bool whenDefaultFalse;
        bool whenDefaultTrue;
    } cases[] = {
        {u"0"_s, false, false},   {u"1"_s, true, true},     {u"2"_s, true, true},
        {u"-1"_s, true, true},    {u"$0"_s, false, false},  {u"yes"_s, false, true},
        {u"true"_s, false, true}, {QString(), false, true},
    };
    for (const auto& c : cases) {
        const auto store = storeWith(c.text);
        EXPECT_EQ(store->ReadBool(u"S"_s, u"k"_s, false), c.whenDefaultFalse)
            << c.text.toStdString();
        EXPECT_EQ(store->ReadBool(u"S"_s, u"k"_s, true), c.whenDefaultTrue) << c.text.toStdString();
    }
}

TEST(IniTypedValues, IntegersAndBooleansAreWrittenAsDecimalText) {
    auto store = TFastMemIniFile::fromText(QString());
    store->WriteInteger(u"S"_s, u"i"_s, -2147483647 - 1);
    store->WriteBool(u"S"_s, u"t"_s, true);
    store->WriteBool(u"S"_s, u"f"_s, false);
    EXPECT_EQ(store->text(), u"[S]\r\ni=-2147483648\r\nt=1\r\nf=0\r\n\r\n"_s);
}

class IniLocaleValues : public testing::Test {
protected:
    std::unique_ptr<TFastMemIniFile> store(const char* locale) {
        auto s = TFastMemIniFile::fromText(QString());
        s->setLocale(QLocale(QString::fromLatin1(locale)));
        return s;
    }
    QString written(TFastMemIniFile& s) const { return s.ReadString(u"S"_s, u"k"_s, QString()); }
};

TEST_F(IniLocaleValues, FloatsUseTheDecimalSeparatorAndNoGrouping) {
    const auto de = store("de_DE");
    de->WriteFloat(u"S"_s, u"k"_s, 1234567.25);
    EXPECT_EQ(written(*de), u"1234567,25"_s);
    EXPECT_DOUBLE_EQ(de->ReadFloat(u"S"_s, u"k"_s, 0.0), 1234567.25);

    const auto us = store("en_US");
    us->WriteFloat(u"S"_s, u"k"_s, 0.1 + 0.2);
    EXPECT_EQ(written(*us), u"0.3"_s) << "fifteen significant digits";
    us->WriteFloat(u"S"_s, u"k"_s, -2.5e-300);
    EXPECT_DOUBLE_EQ(us->ReadFloat(u"S"_s, u"k"_s, 0.0), -2.5e-300);

    for (const QString& bad : {QString(), u"abc"_s, u"1,5x"_s}) {
        us->WriteString(u"S"_s, u"k"_s, bad);
        EXPECT_EQ(us->ReadFloat(u"S"_s, u"k"_s, 9.5), 9.5) << bad.toStdString();
    }
}

TEST_F(IniLocaleValues, DatesKeepTheirCentury) {
    const QDate day(2024, 3, 5);
    for (const char* name : {"de_DE", "en_US", "fr_FR", "ja_JP"}) {
        const auto s = store(name);
        s->WriteDate(u"S"_s, u"k"_s, day);
        EXPECT_EQ(s->ReadDate(u"S"_s, u"k"_s, QDate()), day)
            << name << " " << written(*s).toStdString();
    }
    const auto de = store("de_DE");
    de->WriteDate(u"S"_s, u"k"_s, day);
    EXPECT_EQ(written(*de), u"05.03.2024"_s);

    // Two-digit years written by other programs are read near today.
    de->WriteString(u"S"_s, u"k"_s, u"05.03.24"_s);
    EXPECT_EQ(de->ReadDate(u"S"_s, u"k"_s, QDate()), day);
    const QDate def(2000, 1, 1);
    for (const QString& bad : {QString(), u"31.02.2024"_s, u"2024-03-05"_s, u"tomorrow"_s}) {
        de->WriteString(u"S"_s, u"k"_s, bad);
        EXPECT_EQ(de->ReadDate(u"S"_s, u"k"_s, def), def) << bad.toStdString();
    }
}

TEST_F(IniLocaleValues, DateTimesAndTimesRoundTrip) {
    const QDateTime moment(QDate(2031, 12, 24), QTime(18, 5, 9));
    const QTime time(7, 30, 15);
    for (const char* name : {"de_DE", "en_US"}) {
        const auto s = store(name);
        s->WriteDateTime(u"S"_s, u"dt"_s, moment);
        s->WriteTime(u"S"_s, u"t"_s, time);
        EXPECT_EQ(s->ReadDateTime(u"S"_s, u"dt"_s, QDateTime()), moment) << name;
        EXPECT_EQ(s->ReadTime(u"S"_s, u"t"_s, QTime()), time) << name;
    }
    const auto de = store("de_DE");
    de->WriteDateTime(u"S"_s, u"dt"_s, moment);
    EXPECT_EQ(de->ReadString(u"S"_s, u"dt"_s, QString()), u"24.12.2031 18:05:09"_s);

    de->WriteString(u"S"_s, u"dt"_s, u"24.12.2031"_s);
    EXPECT_EQ(de->ReadDateTime(u"S"_s, u"dt"_s, QDateTime()),
              QDateTime(QDate(2031, 12, 24), QTime(0, 0)))
        << "a date without a time is midnight";

    const QDateTime defMoment(QDate(2000, 1, 1), QTime(1, 2, 3));
    const QTime defTime(1, 2, 3);
    for (const QString& bad : {QString(), u"25:00:00"_s, u"noon"_s}) {
        de->WriteString(u"S"_s, u"x"_s, bad);
        EXPECT_EQ(de->ReadDateTime(u"S"_s, u"x"_s, defMoment), defMoment) << bad.toStdString();
        EXPECT_EQ(de->ReadTime(u"S"_s, u"x"_s, defTime), defTime) << bad.toStdString();
    }
}

}  // namespace
}  // namespace qm::test
