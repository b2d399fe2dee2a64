#include "list/LooseKeys.h"

#include "list/KeyIndex.h"
#include "list/MemData.h"
#include "list/TaggedValue.h"

#include <cmath>
#include <cstring>
#include <string>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

void appendRaw(std::string& out, const void* data, std::size_t size) {
    out.append(static_cast<const char*>(data), size);
}

// The text as the collation sees it: two texts are equal under the
// collation exactly when these forms are equal byte by byte.
void appendText(std::string& out, std::string_view text, LooseKeys::Collation collation) {
    switch (collation) {
        case LooseKeys::Collation::NoCase: {
            // NOCASE folds ASCII letters only and stops comparing at the
            // first NUL of the shorter text, but texts of different
            // lengths never compare equal.
            const std::size_t nul = text.find('\0');
            const std::string_view compared =
                nul == std::string_view::npos ? text : text.substr(0, nul + 1);
            for (const char c : compared) {
                out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
            }
            const std::uint64_t size = text.size();
            appendRaw(out, &size, sizeof size);
            return;
        }
        case LooseKeys::Collation::RTrim: {
            // Only blanks (U+0020) at the end are ignored, not tabs.
            std::size_t end = text.size();
            while (end > 0 && text[end - 1] == ' ') {
                --end;
            }
            out.append(text.substr(0, end));
            return;
        }
        case LooseKeys::Collation::FoldCase: {
            const QByteArray folded =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                    .toCaseFolded()
                    .toUtf8();
            out.append(folded.constData(), static_cast<std::size_t>(folded.size()));
            return;
        }
        case LooseKeys::Collation::Binary:
            out.append(text);
            return;
    }
}

// A Variant value as SQLite's `=` sees it. An integer and a real compare by
// their exact numbers (SQLite does not round the integer to a double), so a
// real with a whole value in the 64-bit range takes the integer's form;
// -0.0 becomes 0 on the way. Values of different classes otherwise never
// meet as equal: the script writes each value as a literal of its own class,
// and a column's affinity turns such a literal into no other class than the
// stored value has (affinity gave the stored value its class already). Text
// compares under the column's collation, blobs byte by byte.
void appendVariant(std::string& out, std::string_view bytes, const LooseKeys::Rule& rule) {
    using TaggedValue::Tag;
    const Tag tag = TaggedValue::tagOf(bytes);
    if (rule.numbersAsText && (tag == Tag::Integer || tag == Tag::Real)) {
        ValueRef v;
        v.storage = StorageClass::Bytes;
        v.null = false;
        v.bytes = bytes;
        out.push_back('t');
        appendText(out, *TaggedValue::numberAsText(v), rule.collation);
        return;
    }
    switch (tag) {
        case Tag::Integer: {
            if (!rule.numbers) {
                break;
            }
            const std::int64_t i = TaggedValue::intOf(bytes);
            out.push_back('n');
            appendRaw(out, &i, sizeof i);
            return;
        }
        case Tag::Real: {
            if (!rule.numbers) {
                break;
            }
            const double d = TaggedValue::realOf(bytes);
            if (std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
                const auto i = static_cast<std::int64_t>(d);
                out.push_back('n');
                appendRaw(out, &i, sizeof i);
            } else {
                out.push_back('r');
                appendRaw(out, &d, sizeof d);
            }
            return;
        }
        case Tag::Text:
            out.push_back('t');
            appendText(out, TaggedValue::payload(bytes), rule.collation);
            return;
        case Tag::Blob:
            break;
    }
    out.append(bytes);
}

bool isTextType(FieldType type) {
    return storageClassOf(type) == StorageClass::Bytes && !isBinaryType(type) &&
           type != FieldType::BCD && type != FieldType::Variant;
}

class Finder {
public:
    Finder(const MemData& list, const std::vector<int>& fields,
           const std::vector<LooseKeys::Rule>& rules)
        : list_(list), fields_(fields), rules_(rules) {
        for (const int f : fields_) {
            types_.push_back(list_.field(f).type);
        }
    }

    std::optional<std::pair<int, int>> run() {
        const int n = list_.recordCount();
        std::size_t cap = 16;
        while (cap < static_cast<std::size_t>(n) * 2 + 2) {
            cap *= 2;
        }
        constexpr std::uint32_t kEmpty = ~0U;
        std::vector<std::uint32_t> table(cap, kEmpty);
        std::vector<std::uint64_t> hashes(static_cast<std::size_t>(n));
        const std::size_t mask = cap - 1;
        for (int p = 0; p < n; ++p) {
            if (hasNull(p)) {
                continue;
            }
            const std::uint64_t h = hashRow(p);
            hashes[static_cast<std::size_t>(p)] = h;
            std::size_t i = h & mask;
            for (; table[i] != kEmpty; i = (i + 1) & mask) {
                const auto q = static_cast<int>(table[i]);
                if (hashes[static_cast<std::size_t>(q)] == h && rowsEqual(q, p)) {
                    return std::make_pair(q, p);
                }
            }
            table[i] = static_cast<std::uint32_t>(p);
        }
        return std::nullopt;
    }

private:
    bool hasNull(int pos) const {
        for (const int f : fields_) {
            if (list_.refAt(pos, f).null) {
                return true;
            }
        }
        return false;
    }

    // Only loose columns build a form; the others hash and compare as the
    // comparison's own index does (fixed-point values by number).
    bool formOf(int pos, std::size_t k, std::string& out) const {
        const LooseKeys::Rule& rule = rules_[k];
        if (!rule.loose()) {
            return false;
        }
        const ValueRef v = list_.refAt(pos, fields_[k]);
        out.clear();
        if (types_[k] == FieldType::Variant) {
            appendVariant(out, v.bytes, rule);
        } else if (isTextType(types_[k])) {
            appendText(out, v.bytes, rule.collation);
        } else {
            return false;
        }
        return true;
    }

    std::uint64_t hashRow(int pos) const {
        std::uint64_t h = 0;
        std::string form;
        for (std::size_t k = 0; k < fields_.size(); ++k) {
            std::uint64_t fh = 0;
            if (formOf(pos, k, form)) {
                ValueRef r;
                r.storage = StorageClass::Bytes;
                r.null = false;
                r.bytes = form;
                fh = KeyIndex::hashRef(r);
            } else {
                fh = KeyIndex::keyHash(list_.refAt(pos, fields_[k]), types_[k] == FieldType::BCD);
            }
            h = (h ^ fh) * 0x100000001b3ULL + 0x9e3779b97f4a7c15ULL;
        }
        return h;
    }

    bool rowsEqual(int a, int b) const {
        std::string fa, fb;
        for (std::size_t k = 0; k < fields_.size(); ++k) {
            if (formOf(a, k, fa)) {
                formOf(b, k, fb);
                if (fa != fb) {
                    return false;
                }
            } else if (!KeyIndex::sameKey(list_.refAt(a, fields_[k]), list_.refAt(b, fields_[k]),
                                          types_[k] == FieldType::BCD)) {
                return false;
            }
        }
        return true;
    }

    const MemData& list_;
    const std::vector<int>& fields_;
    const std::vector<LooseKeys::Rule>& rules_;
    std::vector<FieldType> types_;
};

}  // namespace

QString LooseKeys::foldCaseName() {
    return u"(letter case ignored)"_s;
}

LooseKeys::Collation LooseKeys::collationNamed(const QString& name) {
    if (name == foldCaseName()) {
        return Collation::FoldCase;
    }
    if (name.compare(u"NOCASE"_s, Qt::CaseInsensitive) == 0) {
        return Collation::NoCase;
    }
    if (name.compare(u"RTRIM"_s, Qt::CaseInsensitive) == 0) {
        return Collation::RTrim;
    }
    return Collation::Binary;
}

LooseKeys::Rule LooseKeys::ruleFor(FieldType type, const QString& collation, bool textAffinity) {
    Rule rule;
    rule.numbers = type == FieldType::Variant;
    rule.numbersAsText = rule.numbers && textAffinity;
    if (type == FieldType::Variant || isTextType(type)) {
        rule.collation = collationNamed(collation);
    }
    return rule;
}

std::optional<std::pair<int, int>> LooseKeys::findEqualRows(const MemData& list,
                                                            const std::vector<int>& fields,
                                                            const std::vector<Rule>& rules) {
    if (fields.empty() || fields.size() != rules.size()) {
        return std::nullopt;
    }
    return Finder(list, fields, rules).run();
}

}  // namespace qm
