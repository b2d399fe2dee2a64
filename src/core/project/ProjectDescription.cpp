#include "project/ProjectDescription.h"

#include "project/FrameNodeData.h"
#include "project/PrjData.h"
#include "project/QMObject.h"
#include "project/TableSetup.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// "   Source query: " is the widest label; values start in one column.
constexpr int kValueColumn = 17;

// One labelled value; further lines of the value are indented to its column.
QString field(const QString& label, const QString& value) {
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    const QString head = (u"   "_s + label + u':').leftJustified(kValueColumn);
    if (value.isEmpty()) {
        return head + u"(empty)\n"_s;
    }
    const QStringList lines = value.split(lineBreak);
    QString text = head + lines.first() + u'\n';
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // Empty lines of a query stay empty rather than end in blanks.
        text += lines[i].isEmpty() ? u"\n"_s : QString(kValueColumn, u' ') + lines[i] + u'\n';
    }
    return text;
}

QString setting(TPrjData& project, const QString& name) {
    const TPropValue& v = project.settings().value(name);
    if (!v.readable()) {
        return u"(not set)"_s;
    }
    const QString text = v.GetString();
    return text.isEmpty() ? u"(empty)"_s : text;
}

QString lookup(TQMObject& object) {
    TPropValueList& p = object.props();
    QString text = u"%1 (field %2, table %3, key %4, display %5"_s.arg(
        p.getString(u"LookupName"_s), p.getString(u"FieldName"_s),
        p.getString(u"LookupTableName"_s), p.getString(u"LookupKeyFieldName"_s),
        p.getString(u"LookupDisplayFieldName"_s));
    const QString custom = p.getString(u"CustomLookupSQLQuery"_s);
    if (!custom.isEmpty()) {
        text += u", custom query: "_s + custom;
    }
    if (object.TypeCode() != 1) {
        text += u", object type %1"_s.arg(object.TypeCode());
    }
    return text + u')';
}

}  // namespace

QString describeProject(TPrjData& project) {
    QString text = u"Source alias: %1\nTarget alias: %2\n"_s.arg(
        setting(project, u"SourceDBAlias"_s), setting(project, u"DestDBAlias"_s));
    // Only a project that sets it has the line, so other descriptions read
    // as before.
    if (project.settings().getBoolean(u"CompareInDatabase"_s)) {
        text += u"Compare inside the databases: yes\n"_s;
    }
    text += u"Table setups: %1\n"_s.arg(project.NodeCount());
    for (int i = 0; i < project.NodeCount(); ++i) {
        TQMNodeData& node = *project.GetItem(i);
        TPropValueList& p = node.props();
        const QString name = node.Name();
        text += u"\n%1. %2"_s.arg(QString::number(i + 1), name.isEmpty() ? u"(no name)"_s : name);
        auto* frame = dynamic_cast<TFrameNodeData*>(&node);
        if (!frame) {
            text += u" (kind %1, not a table setup)"_s.arg(TQMNodeData::NodeKindOf(node));
        }
        text += u'\n';
        text += field(u"Key"_s, p.getString(u"PrimaryKeySpec"_s));
        text += field(u"Target table"_s, p.getString(u"DestTableName"_s));
        text += field(u"Script"_s, p.getBoolean(u"ScriptOn"_s) ? u"on"_s : u"off"_s);
        // Only a table setup with rules has the line, so descriptions of
        // projects without rules read as before.
        if (const QString rules = p.getString(TableSetup::rulesProperty()); !rules.isEmpty()) {
            text += field(u"Rules"_s, rules);
        }
        text += field(u"Source query"_s, p.getString(u"SourceQuerySQL"_s));
        text += field(u"Target query"_s, p.getString(u"DestQuerySQL"_s));
        if (!frame || frame->ObjectCount() == 0) {
            text += field(u"Lookups"_s, u"none"_s);
            continue;
        }
        for (int m = 0; m < frame->ObjectCount(); ++m) {
            text += field(u"Lookup"_s, lookup(frame->Objects(m)));
        }
    }
    return text;
}

}  // namespace qm
