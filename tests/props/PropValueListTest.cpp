#include "common/Assertion.h"
#include "ini/FastMemIniFile.h"
#include "props/PropValueList.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

// A list shaped like the project's frame size: a switch controlling two
// sizes that have no default, plus plain properties of every kind.
struct Lists {
    TPropDescrList parentDescrs;
    TPropDescrList descrs;
    TPropValueList parent;
    TPropValueList list;

    Lists() {
        parentDescrs.AddInteger(u"Width"_s, true);
        parentDescrs.AddInteger(u"Height"_s, true);
        parent.setDescrList(&parentDescrs);
        parent.setInteger(u"Width"_s, 800);
        parent.setInteger(u"Height"_s, 600);

        const TPropDescr& inherit = descrs.AddInherit(u"InheritSize"_s, true);
        descrs.AddInteger(u"Width"_s, true, &inherit);
        descrs.AddInteger(u"Height"_s, true, &inherit);
        descrs.AddString(u"Title"_s);
        descrs.AddInteger(u"Count"_s).setDefaultInteger(5);
        descrs.AddBoolean(u"Flag"_s).AlwaysStored = true;
        descrs.AddColor(u"Colour"_s, false, nullptr, u"Color"_s);
        descrs.AddString(u"Secret"_s).NotStored = true;
        for (int i = 0; i < descrs.Count(); ++i) {
            if (descrs.Items(i).IniSection.isEmpty()) {
                descrs.Items(i).IniSection = u"S"_s;
            }
        }
        list.setDescrList(&descrs);
        list.setParent(&parent);
    }

    QString written() {
        auto ini = TFastMemIniFile::fromText(QString());
        list.WriteToIni(*ini, -1, -1);
        return ini->text();
    }
};

TEST(PropValueList, WritesOnlyOwnValuesThatDifferOrMustBeStored) {
    Lists l;
    l.list.setInteger(u"Count"_s, 5);     // equal to its default
    l.list.setBoolean(u"Flag"_s, false);  // equal to its default, but always stored
    l.list.setString(u"Title"_s, u"Sales report"_s);
    l.list.setColor(u"Colour"_s, 255);
    l.list.setString(u"Secret"_s, u"pw"_s);
    EXPECT_EQ(l.written(), u"[S]\r\nTitle=\"\"Sales report\"\"\r\nFlag=0\r\nColor=255\r\n\r\n"_s);
}

TEST(PropValueList, ControlledValuesInheritUntilGivenOwnValues) {
    Lists l;
    // Unset, switch on by default: both sizes come from the parent.
    EXPECT_EQ(l.list.getInteger(u"Width"_s), 800);
    EXPECT_EQ(l.written(), QString());

    // An own width switches inheritance off and keeps the parent's height.
    l.list.setInteger(u"Width"_s, 1024);
    EXPECT_FALSE(l.list.getBoolean(u"InheritSize"_s));
    EXPECT_TRUE(l.list.value(u"Height"_s).IsSet);
    l.parent.setInteger(u"Height"_s, 480);
    EXPECT_EQ(l.list.getInteger(u"Height"_s), 600);
    EXPECT_EQ(l.written(), u"[S]\r\nInheritSize=0\r\nWidth=1024\r\nHeight=600\r\n\r\n"_s);

    // Resetting switches inheritance on again.
    l.list.value(u"Width"_s).ResetValue();
    EXPECT_TRUE(l.list.getBoolean(u"InheritSize"_s));
    EXPECT_EQ(l.list.getInteger(u"Width"_s), 800);
    EXPECT_EQ(l.list.getInteger(u"Height"_s), 480);
    // The switch is back at its default, which is not stored.
    EXPECT_EQ(l.written(), QString());
}

TEST(PropValueList, LoadingLeavesSwitchesAsTheFileHasThem) {
    Lists l;
    auto ini = TFastMemIniFile::fromText(u"[S]\r\nWidth=1024\r\n"_s);
    l.list.ReadFromIni(*ini, -1, -1);
    EXPECT_TRUE(l.list.getBoolean(u"InheritSize"_s));
    EXPECT_FALSE(l.list.value(u"InheritSize"_s).IsSet);
    EXPECT_EQ(l.list.getInteger(u"Width"_s), 800);  // inherited while the switch is on
}

TEST(PropValueList, ReadingSetsModifiedOnlyForChangedValues) {
    Lists l;
    auto ini = TFastMemIniFile::fromText(u"[S]\r\nOther=1\r\n"_s);
    l.list.ReadFromIni(*ini, -1, -1);
    EXPECT_FALSE(l.list.Modified());
    EXPECT_FALSE(l.list.value(u"Title"_s).IsSet);

    ini =
        TFastMemIniFile::fromText(u"[S]\r\ncount=abc\r\nflag=yes\r\ntitle=\"\"a b\",\"c\"\"\r\n"_s);
    l.list.ReadFromIni(*ini, -1, -1);
    EXPECT_TRUE(l.list.Modified());
    EXPECT_EQ(l.list.getInteger(u"Count"_s), -1);  // not a number
    EXPECT_FALSE(l.list.getBoolean(u"Flag"_s));
    EXPECT_EQ(l.list.getString(u"Title"_s), u"a b\r\nc"_s);

    l.list.SetModified(false);
    l.list.setString(u"Title"_s, u"a b\r\nc"_s);  // same value again
    EXPECT_FALSE(l.list.Modified());
}

TEST(PropValueList, BrokenInvariantsNameTheirCause) {
    Lists l;
    const auto message = [](const auto& f) -> std::string {
        try {
            f();
        } catch (const AssertionFailure& e) {
            return e.message().toStdString();
        }
        return "no failure";
    };
    EXPECT_EQ(l.list.Find(u"tItLe"_s), l.list.Find(u"Title"_s));
    EXPECT_EQ(l.list.Find(u"Nope"_s, true), nullptr);
    EXPECT_TRUE(
        message([&] { l.list.Find(u"Nope"_s); }).starts_with("Property \"Nope\" not found ("));
    EXPECT_TRUE(message([&] {
                    l.descrs.DescrByName(u"Nope"_s);
                }).starts_with("PropDescr \"Nope\" not found ("));
    EXPECT_TRUE(
        message([&] { l.descrs.DescrByName(u"title"_s); }).starts_with("Assertion failure ("));
    EXPECT_TRUE(message([&] { l.list.getInteger(u"Title"_s); }).starts_with("Assertion failure ("));
    EXPECT_TRUE(
        message([&] { l.list.value(u"Title"_s).ResetValue(); }).starts_with("Assertion failure ("));
    EXPECT_EQ(message([&] { l.list.value(u"Title"_s).ResetValue(true); }), "no failure");
    EXPECT_TRUE(message([&] {
                    l.list.value(u"InheritSize"_s).Materialize();
                }).starts_with("Assertion failure ("));
    TPropDescrList noDefault;
    noDefault.AddInteger(u"Version"_s, true);
    EXPECT_TRUE(message([&] {
                    (void)noDefault.Items(0).DefaultInteger();
                }).starts_with("Property description \"Version\". No default value set ("));
    EXPECT_TRUE(
        message([&] { noDefault.Items(0).setDefaultString(u"x"_s); }).starts_with("Version ("));
    // The location is a file of this repository and a line.
    EXPECT_NE(
        message([&] { l.list.Find(u"Nope"_s); }).find("src/core/props/PropValueList.cpp, line "),
        std::string::npos);
}

TEST(PropValueList, CopiesKeepDescriptorsAndCopyByName) {
    Lists l;
    l.list.setInteger(u"Width"_s, 1024);
    l.list.setString(u"Title"_s, u"t"_s);

    const TPropDescrList copiedDescrs(l.descrs);
    EXPECT_EQ(copiedDescrs.Items(1).Controller, &copiedDescrs.Items(0));

    const TPropValueList copy(l.list);
    EXPECT_TRUE(copy.Modified());
    EXPECT_EQ(copy.Parent(), &l.parent);
    EXPECT_EQ(const_cast<TPropValueList&>(copy).getInteger(u"Height"_s), 600);

    // Copy by name: NotAssigned targets keep their value, missing source
    // slots empty the target's.
    TPropDescrList other;
    other.AddString(u"TITLE"_s).NotAssigned = true;
    other.AddInteger(u"Count"_s);
    other.AddInteger(u"Width"_s);
    TPropValueList target;
    target.setDescrList(&other);
    target.setString(u"TITLE"_s, u"kept"_s);
    target.setInteger(u"Count"_s, 9);
    (void)l.list.value(u"Flag"_s);  // leaves the slot before it, Count, empty
    target.AssignValues(l.list);
    EXPECT_EQ(target.getString(u"TITLE"_s), u"kept"_s);
    EXPECT_EQ(target.getInteger(u"Width"_s), 1024);
    EXPECT_FALSE(target.value(u"Count"_s).IsSet);
}

}  // namespace
