#include "list/DefaultFile.h"

#include "common/Errors.h"
#include "common/TextFile.h"
#include "list/MemData.h"
#include "list/ValueText.h"

using namespace Qt::StringLiterals;

namespace qm::DefaultFile {
namespace {

bool needsEscape(const QString& s) {
    return s.contains(u'\t') || s.contains(u'\r') || s.contains(u'\n') || s.contains(u'\\');
}

QString escape(const QString& s) {
    QString r;
    r.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
            case u'\t':
                r += u"\\t"_s;
                break;
            case u'\r':
                r += u"\\r"_s;
                break;
            case u'\n':
                r += u"\\n"_s;
                break;
            case u'\\':
                r += u"\\\\"_s;
                break;
            default:
                r += c;
        }
    }
    return r;
}

QString unescape(const QString& s) {
    QString r;
    r.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            r += s[i];
            continue;
        }
        const QChar n = s[++i];
        switch (n.unicode()) {
            case u't':
                r += u'\t';
                break;
            case u'r':
                r += u'\r';
                break;
            case u'n':
                r += u'\n';
                break;
            default:
                r += n;  // "\\" and any other escaped character stand for themselves
        }
    }
    return r;
}

bool isFileColumn(const FieldDef& f) {
    return f.kind == FieldKind::Data && !isBinaryType(f.type) && f.name != u"RecId"_s;
}

// Whether no row holds a value other than null or the empty text.
bool isEmptyColumn(const MemData& list, int f) {
    for (int p = 0; p < list.recordCount(); ++p) {
        const ValueRef v = list.refAt(p, f);
        if (!v.null && (v.storage != StorageClass::Bytes || !v.bytes.empty())) {
            return false;
        }
    }
    return true;
}

}  // namespace

void save(MemData& list, const QString& path, const QStringList& omittedWhileEmpty) {
    const int n = list.recordCount();
    std::vector<int> cols;
    QStringList names;
    for (int f = 0; f < list.fieldCount(); ++f) {
        const FieldDef& def = list.field(f);
        if (!isFileColumn(def) ||
            (omittedWhileEmpty.contains(def.name, Qt::CaseInsensitive) && isEmptyColumn(list, f))) {
            continue;
        }
        cols.push_back(f);
        names << def.name;
    }
    bool escaped = false;
    for (int p = 0; p < n && !escaped; ++p) {
        for (int f : cols) {
            const FieldDef& def = list.field(f);
            if (storageClassOf(def.type) == StorageClass::Bytes &&
                needsEscape(ValueText::toText(list.valueAt(p, f), def.type))) {
                escaped = true;
                break;
            }
        }
    }
    if (escaped) {
        names << QString::fromUtf16(kEscapedMarker);
    }
    QString out = names.join(u'\t') + u"\r\n"_s;
    list.disableControls();
    for (int p = 0; p < n; ++p) {
        QStringList values;
        for (int f : cols) {
            const QString t = ValueText::toText(list.valueAt(p, f), list.field(f).type);
            values << (escaped ? escape(t) : t);
        }
        out += values.join(u'\t') + u"\r\n"_s;
    }
    list.enableControls();
    TextFile::writeAtomically(path, out.toUtf8());
}

void load(MemData& list, const QString& path) {
    const QString text = TextFile::read(path);
    QStringList lines = text.split(u'\n');
    for (QString& l : lines) {
        if (l.endsWith(u'\r')) {
            l.chop(1);
        }
    }
    // The piece after the last line end is not a line.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    if (lines.isEmpty() || lines.first().isEmpty()) {
        return;
    }
    const QStringList header = lines.first().split(u'\t');
    // An empty line is a row of nulls only in a file of one column; with more
    // columns such a row is written as TABs, so an empty line is just blank.
    const bool emptyLineIsRow = header.size() == 1;
    const bool escaped = header.contains(QString::fromUtf16(kEscapedMarker));
    std::vector<int> cols;
    for (const QString& name : header) {
        const int f = list.findField(name);
        cols.push_back(f >= 0 && isFileColumn(list.field(f)) ? f : -1);
    }
    for (qsizetype l = 1; l < lines.size(); ++l) {
        if (lines[l].isEmpty() && !emptyLineIsRow) {
            continue;
        }
        const QStringList pieces = lines[l].split(u'\t');
        if (pieces.size() > header.size()) {
            throw Error(u"File \"%1\", line %2: more values (%3) than column names (%4)"_s.arg(path)
                            .arg(l + 1)
                            .arg(pieces.size())
                            .arg(header.size()));
        }
        list.append();
        try {
            for (qsizetype i = 0; i < pieces.size(); ++i) {
                const int f = cols[static_cast<std::size_t>(i)];
                if (f < 0 || pieces[i].isEmpty()) {
                    continue;
                }
                list.setAsText(f, escaped ? unescape(pieces[i]) : pieces[i]);
            }
            list.post();
        } catch (...) {
            list.cancel();
            throw;
        }
    }
}

}  // namespace qm::DefaultFile
