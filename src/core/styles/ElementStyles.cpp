#include "styles/ElementStyles.h"

#include "common/ProgramFolder.h"
#include "report/KzError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

bool isKnownKind(int kind) {
    return kind >= ekHeadline && kind <= ekFooter;
}

// The indexes below count whose style sections the store holds. Reading a
// missing section gives kind -1, which loading skips anyway, so only these
// indexes need to be read: a Count of two thousand million in a damaged file
// then costs nothing. Section names are compared without regard to case, as
// the store looks them up.
std::set<int> storedIndexes(const TCustomFastIniFile& ini, const QString& prefix, int count) {
    std::set<int> found;
    QStringList sections;
    ini.ReadSections(sections);
    const QString head = prefix + u".ElemStyle"_s;
    for (const QString& name : sections) {
        if (name.size() <= head.size() || !name.startsWith(head, Qt::CaseInsensitive)) {
            continue;
        }
        const QString digits = name.mid(head.size());
        bool ok = false;
        const int i = digits.toInt(&ok);
        // Only the text the style would ask for: "7", not "07" or "+7".
        if (ok && i >= 0 && i < count && QString::number(i) == digits) {
            found.insert(i);
        }
    }
    return found;
}

}  // namespace

TElementStyles::~TElementStyles() = default;

TElementStyles::TElementStyles(const TElementStyles& other)
    : TMemIniFilePersistent(), fallback_(other.fallback_) {
    for (const auto& s : other.styles_) {
        styles_.push_back(std::make_unique<TElementStyle>(*s));
    }
}

TElementStyles& TElementStyles::operator=(const TElementStyles& other) {
    if (this != &other) {
        TElementStyles copy(other);
        styles_ = std::move(copy.styles_);
        fallback_ = other.fallback_;
    }
    return *this;
}

TElementStyles::TElementStyles(TElementStyles&& other) noexcept
    : TMemIniFilePersistent(),
      styles_(std::move(other.styles_)),
      fallback_(std::exchange(other.fallback_, nullptr)) {}

TElementStyles& TElementStyles::operator=(TElementStyles&& other) noexcept {
    if (this != &other) {
        styles_ = std::move(other.styles_);
        fallback_ = std::exchange(other.fallback_, nullptr);
    }
    return *this;
}

TElementStyle* TElementStyles::FindStyle(int kind) {
    const auto it = std::find_if(styles_.begin(), styles_.end(),
                                 [kind](const auto& s) { return s->ElementKind == kind; });
    return it == styles_.end() ? nullptr : it->get();
}

const TElementStyle* TElementStyles::FindStyle(int kind) const {
    return const_cast<TElementStyles*>(this)->FindStyle(kind);
}

const TElementStyle* TElementStyles::GetElementStyle(int kind) const {
    // Walked as a loop: a list that is its own fallback, directly or through
    // others, must not recurse without end.
    std::set<const TElementStyles*> seen;
    const TElementStyle* style = nullptr;
    for (const TElementStyles* list = this; list && !style && seen.insert(list).second;
         list = list->fallback_) {
        style = list->FindStyle(kind);
    }
    TkzError::instance().Precondition(style != nullptr, u"No element style of kind %1"_s.arg(kind),
                                      u"TElementStyles.GetElementStyle"_s);
    return style;
}

void TElementStyles::SetElementStyle(int kind, std::unique_ptr<TElementStyle> style) {
    if (!isKnownKind(kind)) {
        TkzError::instance().Precondition(false, u"Unknown element kind %1"_s.arg(kind),
                                          u"TElementStyles.SetElementStyle"_s);
        return;
    }
    std::erase_if(styles_, [kind](const auto& s) { return s->ElementKind == kind; });
    if (style) {
        style->ElementKind = kind;
        styles_.push_back(std::move(style));
    }
}

QString TElementStyles::SectionName(int index) const {
    return TMemIniFilePersistent::SectionName(index) + u".styles"_s;
}

void TElementStyles::LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index) {
    TMemIniFilePersistent::LoadFromIni(ini, prefix, index);
    const QString section = SectionName(index);
    const int count = ReadInteger(index, u"Count"_s);
    for (const int i : storedIndexes(ini, section, count)) {
        auto style = std::make_unique<TElementStyle>();
        style->LoadFromIni(ini, section, i);
        // A kind outside 1..3 belongs to no element: such a style (from a
        // damaged or foreign file) is skipped rather than kept under a kind
        // nothing asks for.
        if (isKnownKind(style->ElementKind)) {
            const int kind = style->ElementKind;
            SetElementStyle(kind, std::move(style));
        }
    }
}

void TElementStyles::SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index) {
    TMemIniFilePersistent::SaveToIni(ini, prefix, index);
    const QString section = SectionName(index);
    int saved = 0;
    for (const int kind : {ekHeadline, ekMainText, ekFooter}) {
        if (TElementStyle* style = FindStyle(kind)) {
            style->SaveToIni(ini, section, saved);
            ++saved;
        }
    }
    WriteInteger(index, u"Count"_s, saved);
}

TElementStyles DefaultElementStyles() {
    TElementStyles defaults;
    defaults.SetElementStyle(ekHeadline, std::make_unique<TElementStyle>(
                                             ekHeadline, u"Courier New"_s, 0, 40, fsBold, 1));
    defaults.SetElementStyle(
        ekMainText, std::make_unique<TElementStyle>(ekMainText, u"Times New Roman"_s, 0, 20, 0, 0));
    defaults.SetElementStyle(
        ekFooter, std::make_unique<TElementStyle>(ekFooter, u"Arial"_s, 0, 30, fsItalic, 0));
    return defaults;
}

namespace {

// Whether a file can be made in `folder`, found by making one: as root,
// permission bits say yes to folders where nothing can be created (/proc, a
// read-only mount seen through some file systems).
bool canCreateIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(u".quillmere-probe-XXXXXX"_s));
    return probe.open();
}

}  // namespace

QString ElementStylesFileName() {
    const QString inProgram = programFile(u"Data/PrefsElementStyles.DAT"_s);
    const QFileInfo data(QFileInfo(inProgram).path());
    // The Data folder is made on the first save; until then the program's
    // folder decides. (A file in the Data folder's place in a writable
    // program folder keeps the path, so that saving reports it.)
    if (data.isDir() ? canCreateIn(data.filePath()) : canCreateIn(programFolder())) {
        return inProgram;
    }
    // An installed program's folder belongs to the system: the styles are
    // the user's own and go to the user's data folder.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir::toNativeSeparators(QDir(perUser).filePath(u"PrefsElementStyles.DAT"_s));
}

}  // namespace qm
