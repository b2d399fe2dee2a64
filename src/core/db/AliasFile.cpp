#include "db/AliasFile.h"

#include "common/Errors.h"
#include "ini/FastMemIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QStringList candidatePaths() {
    QStringList paths;
    const QString env = qEnvironmentVariable("QUILLMERE_ALIASES");
    if (!env.isEmpty()) {
        paths << env;
    }
    paths << QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                 .filePath(u"Quillmere/Aliases.ini"_s);
    if (QCoreApplication::instance()) {
        paths << QDir(QCoreApplication::applicationDirPath()).filePath(u"Aliases.ini"_s);
    }
    return paths;
}

}  // namespace

QString AliasFile::locate() {
    // A file the user named is the one meant: falling back to another one
    // would connect to other databases than the ones asked for.
    if (const QString env = qEnvironmentVariable("QUILLMERE_ALIASES"); !env.isEmpty()) {
        if (!QFileInfo::exists(env)) {
            throw Error(
                u"Cannot read alias file \"%1\" (named by QUILLMERE_ALIASES): the file does "
                "not exist"_s.arg(env));
        }
        return env;
    }
    for (const QString& p : candidatePaths()) {
        if (QFileInfo::exists(p)) {
            return p;
        }
    }
    return {};
}

QString AliasFile::searchDescription() {
    return u"Aliases are defined in an alias file: the file named by QUILLMERE_ALIASES, "
           "else %1"_s.arg(candidatePaths()
                               .mid(qEnvironmentVariableIsEmpty("QUILLMERE_ALIASES") ? 0 : 1)
                               .join(u", else "_s));
}

AliasFile AliasFile::load(const QString& path) {
    if (!QFileInfo::exists(path)) {
        throw Error(u"Cannot read alias file \"%1\": the file does not exist"_s.arg(path));
    }
    AliasFile result;
    result.path_ = path;
    const QDir folder = QFileInfo(path).absoluteDir();
    const TFastMemIniFile ini(path);
    QStringList sections;
    ini.ReadSections(sections);
    for (const QString& section : sections) {
        AliasDefinition def;
        def.name = section.trimmed();
        if (def.name.isEmpty() || result.find(def.name)) {
            continue;  // of two sections with one name, the first one counts
        }
        // Hand-written files often have blanks around "=": take keys and
        // values trimmed.
        QStringList entries;
        ini.ReadSectionValues(section, entries);
        for (const QString& entry : entries) {
            const qsizetype eq = entry.indexOf(u'=');
            const QString key = entry.left(eq).trimmed();
            const QString value = entry.mid(eq + 1).trimmed();
            if (key.isEmpty()) {
                if (!value.isEmpty() && !value.startsWith(u'#')) {
                    throw Error(
                        u"Alias file \"%1\", alias \"%2\": expected \"Key=Value\", "
                        "found \"%3\""_s.arg(path, def.name, value));
                }
                continue;
            }
            if (key.compare(u"Driver"_s, Qt::CaseInsensitive) == 0) {
                def.driver = value.toUpper();
            } else if (key.compare(u"Database"_s, Qt::CaseInsensitive) == 0) {
                def.database = value;
            } else if (key.compare(u"Host"_s, Qt::CaseInsensitive) == 0) {
                def.host = value;
            } else if (key.compare(u"Port"_s, Qt::CaseInsensitive) == 0) {
                bool ok = false;
                def.port = value.toInt(&ok);
                if (!ok && !value.isEmpty()) {
                    throw Error(
                        u"Alias file \"%1\", alias \"%2\": port \"%3\" is not a number"_s.arg(
                            path, def.name, value));
                }
                if (!ok) {
                    def.port = -1;
                }
            } else if (key.compare(u"User"_s, Qt::CaseInsensitive) == 0) {
                def.user = value;
            } else if (key.compare(u"Password"_s, Qt::CaseInsensitive) == 0) {
                def.password = value;
            } else if (key.compare(u"Options"_s, Qt::CaseInsensitive) == 0) {
                def.options = value;
            }
        }
        result.aliases_.append(def);
    }
    for (AliasDefinition& def : result.aliases_) {
        if (def.driver.isEmpty()) {
            def.driver = u"SQLITE"_s;
        }
        if (def.driver == u"SQLITE"_s && !def.database.isEmpty() && def.database != u":memory:"_s &&
            QDir::isRelativePath(def.database)) {
            def.database = QDir::cleanPath(folder.absoluteFilePath(def.database));
        }
    }
    return result;
}

const AliasDefinition* AliasFile::find(const QString& name) const {
    for (const AliasDefinition& def : aliases_) {
        if (def.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &def;
        }
    }
    return nullptr;
}

}  // namespace qm
