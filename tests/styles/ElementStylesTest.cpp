// Element style lists: lookups with fallback, copying, the style file.

#include "common/Errors.h"
#include "common/ProgramFolder.h"
#include "common/ScopeGuards.h"
#include "ini/FastMemIniFile.h"
#include "report/KzError.h"
#include "report/MessageBoxes.h"
#include "styles/ElementStyles.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// "kind:font:colour:size:style:wipe" for each own style, kinds in order.
QString summary(const TElementStyles& list) {
    QStringList parts;
    for (int kind = 1; kind <= 3; ++kind) {
        if (const TElementStyle* s = list.FindStyle(kind)) {
            parts << u"%1:%2:%3:%4:%5:%6"_s.arg(kind)
                         .arg(s->FontName)
                         .arg(s->FontColor)
                         .arg(s->FontSize)
                         .arg(s->FontStyle)
                         .arg(s->WipeIdx);
        }
    }
    return parts.join(u' ');
}

std::unique_ptr<TElementStyle> style(int kind, const QString& font, int size = 10) {
    return std::make_unique<TElementStyle>(kind, font, 0, size, 0, 0);
}

/// Makes TkzError's reports continue (or stop) and records their texts.
class PromptRecorder : public MessageBoxes {
public:
    explicit PromptRecorder(bool answer) : answer_(answer) { MessageBoxes::install(this); }
    ~PromptRecorder() override { MessageBoxes::install(nullptr); }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;
    BoxAnswer show(const BoxRequest& request) override {
        texts << request.text;
        return {answer_ ? BoxButton::Yes : BoxButton::No, false};
    }
    QStringList texts;

private:
    bool answer_;
};

class ElementStylesTest : public testing::Test {
protected:
    QString file() const { return dir.filePath(u"PrefsElementStyles.DAT"_s); }
    QByteArray bytes() const {
        QFile f(file());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void write(const QByteArray& content) const {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QString loaded(const QByteArray& content) const {
        write(content);
        TElementStyles list;
        list.LoadFromFile(file());
        return summary(list);
    }
    QTemporaryDir dir;
};

TEST_F(ElementStylesTest, DefaultsAndFallback) {
    const TElementStyles defaults = DefaultElementStyles();
    EXPECT_EQ(summary(defaults),
              u"1:Courier New:0:40:1:1 2:Times New Roman:0:20:0:0 3:Arial:0:30:2:0"_s);

    TElementStyles user;
    user.setFallback(&defaults);
    ASSERT_NE(user.GetElementStyle(ekMainText), nullptr);
    EXPECT_EQ(user.GetElementStyle(ekMainText)->FontName, u"Times New Roman"_s);
    EXPECT_EQ(user.FindStyle(ekMainText), nullptr);

    user.SetElementStyle(ekMainText, style(ekMainText, u"Mine"_s));
    EXPECT_EQ(user.GetElementStyle(ekMainText)->FontName, u"Mine"_s);
    user.SetElementStyle(ekMainText, style(ekMainText, u"Other"_s));
    EXPECT_EQ(user.count(), 1) << "a kind holds one style";
    EXPECT_EQ(user.GetElementStyle(ekMainText)->FontName, u"Other"_s);
    user.SetElementStyle(ekMainText, nullptr);
    EXPECT_EQ(user.count(), 0);
    EXPECT_EQ(user.GetElementStyle(ekMainText)->FontName, u"Times New Roman"_s);

    user.SetElementStyle(ekFooter, style(ekHeadline, u"Given as headline"_s));
    EXPECT_EQ(user.FindStyle(ekFooter)->ElementKind, ekFooter) << "stored under the kind given";
    EXPECT_EQ(user.FindStyle(ekHeadline), nullptr);
}

TEST_F(ElementStylesTest, AMissingStyleIsAPreconditionViolation) {
    TElementStyles lonely;
    try {
        lonely.GetElementStyle(ekHeadline);
        FAIL() << "expected the report to stop the operation";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(u"TElementStyles.GetElementStyle"_s))
            << e.message().toStdString();
    }

    PromptRecorder goOn(true);
    lonely.setFallback(&lonely);  // a cycle ends the search too
    EXPECT_EQ(lonely.GetElementStyle(ekHeadline), nullptr);
    ASSERT_EQ(goOn.texts.size(), 1);
    EXPECT_TRUE(goOn.texts[0].contains(u"Precondition violated"_s));
    EXPECT_TRUE(goOn.texts[0].contains(u"(It happened at TElementStyles.GetElementStyle)"_s));

    lonely.SetElementStyle(4, style(4, u"x"_s));
    lonely.SetElementStyle(0, style(0, u"x"_s));
    EXPECT_EQ(lonely.count(), 0);
    EXPECT_EQ(goOn.texts.size(), 3);
}

TEST_F(ElementStylesTest, CopyingReplacesTheStylesAndTakesTheFallback) {
    const TElementStyles defaults = DefaultElementStyles();
    TElementStyles source;
    source.setFallback(&defaults);
    source.SetElementStyle(
        ekFooter, std::make_unique<TElementStyle>(ekFooter, u"Footer"_s, 0x00FF8000, 9, fsBold, 7));
    TElementStyles target;
    target.SetElementStyle(ekHeadline, style(ekHeadline, u"Gone"_s));

    target = source;
    EXPECT_EQ(summary(target), u"3:Footer:16744448:9:1:7"_s);
    EXPECT_EQ(target.Fallback(), &defaults);
    target.FindStyle(ekFooter)->FontName = u"Changed"_s;
    EXPECT_EQ(source.FindStyle(ekFooter)->FontName, u"Footer"_s) << "the copy owns its styles";

    const TElementStyles copied(source);
    EXPECT_EQ(summary(copied), summary(source));
    EXPECT_EQ(copied.Fallback(), &defaults);
}

TEST_F(ElementStylesTest, AFooterOnlyListSavesOneStyle) {
    TElementStyles user;
    user.SetElementStyle(ekFooter,
                         std::make_unique<TElementStyle>(ekFooter, u"Arial"_s, 0, 30, fsItalic, 0));
    user.SaveToFile(file());
    EXPECT_EQ(bytes(), QByteArray("[.styles]\r\nCount=1\r\n\r\n"
                                  "[.styles.ElemStyle0]\r\nElementKind=3\r\nFont.Name=Arial\r\n"
                                  "Font.Color=0\r\nFont.Size=30\r\nFont.Style.Bold=0\r\n"
                                  "Font.Style.Italic=1\r\nFont.Style.Underline=0\r\n"
                                  "Font.Style.Strikeout=0\r\nWipeIdx=0\r\n\r\n"));
}

TEST_F(ElementStylesTest, SavedListsLoadBackAndKeepTheRestOfTheFile) {
    write("[Other]\r\nkeep=1\r\n");
    TElementStyles all = DefaultElementStyles();
    all.SetElementStyle(ekMainText, std::make_unique<TElementStyle>(ekMainText, u"Zapf = Ümlaut"_s,
                                                                    -1, 2147483647, 0x0F, 8));
    all.SaveToFile(file());
    TElementStyles back;
    back.LoadFromFile(file());
    EXPECT_EQ(summary(back), summary(all));
    EXPECT_TRUE(back.FindStyle(ekMainText)->sameSettings(*all.FindStyle(ekMainText)));

    // A shorter list leaves the sections of the longer one behind Count.
    TElementStyles one;
    one.SetElementStyle(ekMainText, style(ekMainText, u"Only"_s, 12));
    one.SaveToFile(file());
    TFastMemIniFile store(file());
    QStringList sections;
    store.ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{u".styles"_s, u".styles.ElemStyle0"_s, u".styles.ElemStyle1"_s,
                                     u".styles.ElemStyle2"_s, u"Other"_s}));
    EXPECT_EQ(store.ReadString(u".styles"_s, u"Count"_s, QString()), u"1"_s);
    TElementStyles reread;
    reread.LoadFromFile(file());
    EXPECT_EQ(summary(reread), u"2:Only:0:12:0:0"_s);
}

TEST_F(ElementStylesTest, LoadingAddsToTheStylesAlreadyHeld) {
    write("[.styles]\r\nCount=1\r\n[.styles.ElemStyle0]\r\nElementKind=3\r\nFont.Name=New\r\n");
    TElementStyles list;
    list.SetElementStyle(ekHeadline, style(ekHeadline, u"Kept"_s));
    list.SetElementStyle(ekFooter, style(ekFooter, u"Replaced"_s));
    list.LoadFromFile(file());
    EXPECT_EQ(summary(list), u"1:Kept:0:10:0:0 3:New:-1:-1:0:-1"_s);
}

TEST_F(ElementStylesTest, DamagedFilesLoadWhatIsUsable) {
    const QByteArray kind1 = "[.styles.ElemStyle0]\r\nElementKind=1\r\nFont.Name=A\r\n";
    const struct {
        const char* what;
        QByteArray content;
        QString expected;
    } cases[] = {
        {"two styles of one kind: the later wins",
         "[.styles]\r\nCount=2\r\n"
         "[.styles.ElemStyle0]\r\nElementKind=2\r\nFont.Name=First\r\n"
         "[.styles.ElemStyle1]\r\nElementKind=2\r\nFont.Name=Second\r\n",
         u"2:Second:-1:-1:0:-1"_s},
        {"empty file", "", QString()},
        {"no Count", kind1, QString()},
        {"Count 0", "[.styles]\r\nCount=0\r\n" + kind1, QString()},
        {"negative Count", "[.styles]\r\nCount=-5\r\n" + kind1, QString()},
        {"Count too large for 32 bits", "[.styles]\r\nCount=99999999999\r\n" + kind1, QString()},
        {"huge Count", "[.styles]\r\nCount=2147483647\r\n" + kind1, u"1:A:-1:-1:0:-1"_s},
        {"gap in the indexes",
         "[.styles]\r\nCount=3\r\n[.styles.ElemStyle2]\r\nElementKind=3\r\nFont.Name=C\r\n" + kind1,
         u"1:A:-1:-1:0:-1 3:C:-1:-1:0:-1"_s},
        {"style beyond Count", "[.styles]\r\nCount=1\r\n[.styles.ElemStyle1]\r\nElementKind=3\r\n",
         QString()},
        {"index not written the way the list writes it",
         "[.styles]\r\nCount=9\r\n[.styles.ElemStyle01]\r\nElementKind=3\r\n"
         "[.styles.ElemStyle+2]\r\nElementKind=3\r\n",
         QString()},
        {"other letter case",
         "[.STYLES]\r\ncount=1\r\n[.Styles.elemstyle0]\r\nelementkind=3\r\nfont.name=Lower\r\n",
         u"3:Lower:-1:-1:0:-1"_s},
        {"kinds outside 1 to 3 are skipped",
         "[.styles]\r\nCount=5\r\n"
         "[.styles.ElemStyle0]\r\nElementKind=0\r\n[.styles.ElemStyle1]\r\nElementKind=4\r\n"
         "[.styles.ElemStyle2]\r\nElementKind=259\r\n[.styles.ElemStyle3]\r\nElementKind=-1\r\n"
         "[.styles.ElemStyle4]\r\nElementKind=two\r\n",
         QString()},
        {"bad numbers read as -1, flags as integers",
         "[.styles]\r\nCount=1\r\n[.styles.ElemStyle0]\r\nElementKind=0x2\r\nFont.Name=N\r\n"
         "Font.Size=1e99\r\nFont.Color=$FF\r\nFont.Style.Bold=2\r\nFont.Style.Underline=yes\r\n"
         "WipeIdx=99999999999999999999\r\n",
         u"2:N:255:-1:1:-1"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loaded(c.content), c.expected) << c.what;
    }
}

TEST_F(ElementStylesTest, BinaryGarbageAndMissingFilesGiveAnEmptyList) {
    TElementStyles missing;
    missing.LoadFromFile(dir.filePath(u"none.DAT"_s));
    EXPECT_EQ(missing.count(), 0);

    QByteArray garbage;
    quint32 x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        garbage.append(static_cast<char>(x >> 24));
    }
    garbage.insert(100, "\n[.styles]\nCount=2147483647\n");
    EXPECT_EQ(loaded(garbage), QString());
}

/// A store that counts the values asked of it, and refuses to answer once
/// far more were asked than any sound loader of its content needs.
class CountingStore : public TCustomFastIniFile {
public:
    explicit CountingStore(const QString& text)
        : TCustomFastIniFile(QString()), inner_(TFastMemIniFile::fromText(text)) {}
    QString ReadString(const QString& section, const QString& key,
                       const QString& def) const override {
        count();
        return inner_->ReadString(section, key, def);
    }
    std::optional<QString> ReadValue(const QString& section, const QString& key) const override {
        count();
        return inner_->ReadValue(section, key);
    }
    bool ValueExists(const QString& section, const QString& key) const override {
        count();
        return inner_->ValueExists(section, key);
    }
    void ReadSection(const QString& section, QStringList& keys) const override {
        count();
        inner_->ReadSection(section, keys);
    }
    void ReadSections(QStringList& sections) const override {
        count();
        inner_->ReadSections(sections);
    }
    void ReadSectionValues(const QString& section, QStringList& values) const override {
        count();
        inner_->ReadSectionValues(section, values);
    }
    void WriteString(const QString& section, const QString& key, const QString& value) override {
        inner_->WriteString(section, key, value);
    }
    void UpdateFile() override {}
    int asked() const { return asked_; }

private:
    void count() const {
        if (++asked_ > kLimit) {
            throw std::runtime_error("the loader asks for values of sections that do not exist");
        }
    }
    static constexpr int kLimit = 10000;
    std::unique_ptr<TFastMemIniFile> inner_;
    mutable int asked_ = 0;
};

// A damaged Count (two thousand million) must not make loading visit every
// index up to it: only the style sections the file holds are read, however
// far apart their numbers are.
TEST_F(ElementStylesTest, AHugeCountReadsOnlyTheStylesTheFileHolds) {
    CountingStore store(
        u"[.styles]\r\nCount=2147483647\r\n"
        "[.styles.ElemStyle0]\r\nElementKind=1\r\nFont.Name=First\r\n"
        "[.styles.ElemStyle2147483646]\r\nElementKind=3\r\nFont.Name=Last\r\n"_s);
    TElementStyles list;
    ASSERT_NO_THROW(list.LoadFromIni(store, QString(), -1));
    ASSERT_NE(list.FindStyle(ekHeadline), nullptr);
    ASSERT_NE(list.FindStyle(ekFooter), nullptr);
    EXPECT_EQ(list.FindStyle(ekHeadline)->FontName, u"First"_s);
    EXPECT_EQ(list.FindStyle(ekFooter)->FontName, u"Last"_s);
    EXPECT_EQ(list.count(), 2);
    EXPECT_LT(store.asked(), 100);
}

TEST_F(ElementStylesTest, SavingIntoAMissingFolderRaisesAnErrorNamingTheFile) {
    const QString target = dir.filePath(u"Data/PrefsElementStyles.DAT"_s);
    try {
        DefaultElementStyles().SaveToFile(target);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(target)) << e.message().toStdString();
    }
}

TEST_F(ElementStylesTest, TheStyleFileIsInTheDataFolderOfTheProgramFolder) {
    const QByteArray saved = qgetenv("QUILLMERE_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("QUILLMERE_HOME");
    const Finally restore([&] {
        if (wasSet) {
            qputenv("QUILLMERE_HOME", saved);
        } else {
            qunsetenv("QUILLMERE_HOME");
        }
    });
    qputenv("QUILLMERE_HOME", QFile::encodeName(dir.path()));
    EXPECT_EQ(ElementStylesFileName(),
              QDir::toNativeSeparators(dir.path() + u"/Data/PrefsElementStyles.DAT"_s));
    qunsetenv("QUILLMERE_HOME");
    EXPECT_TRUE(ElementStylesFileName().endsWith(
        QDir::toNativeSeparators(u"/Data/PrefsElementStyles.DAT"_s)));
    EXPECT_FALSE(programFolder().isEmpty());
}

}  // namespace
}  // namespace qm::test
