#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace qm {

/// Base of the program's INI stores: string reads and writes are left to the
/// store, the typed reads and writes are built on them once here. Numbers,
/// dates and times use the user's regional settings (QLocale::system()
/// unless a locale is set).
class TCustomFastIniFile {
public:
    explicit TCustomFastIniFile(QString fileName) : fileName_(std::move(fileName)) {}
    virtual ~TCustomFastIniFile() = default;
    TCustomFastIniFile(const TCustomFastIniFile&) = delete;
    TCustomFastIniFile& operator=(const TCustomFastIniFile&) = delete;

    const QString& FileName() const { return fileName_; }
    void setLocale(const QLocale& locale) { locale_ = locale; }
    const QLocale& locale() const { return locale_; }

    virtual QString ReadString(const QString& section, const QString& key,
                               const QString& def) const = 0;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
    virtual bool ValueExists(const QString& section, const QString& key) const = 0;
    /// The stored text of a key, or nothing when the key is absent.
    virtual std::optional<QString> ReadValue(const QString& section, const QString& key) const {
        if (!ValueExists(section, key)) {
            return std::nullopt;
        }
        return ReadString(section, key, QString());
    }

    /// Decimal with optional sign, or hexadecimal after "$", "0x" or "0X";
    /// anything else, or a number outside 32 bits, gives the default.
    virtual int ReadInteger(const QString& section, const QString& key, int def) const;
    virtual void WriteInteger(const QString& section, const QString& key, int value);
    /// An integer read; any number but 0 is true.
    virtual bool ReadBool(const QString& section, const QString& key, bool def) const;
    virtual void WriteBool(const QString& section, const QString& key, bool value);
    virtual QDate ReadDate(const QString& section, const QString& key, const QDate& def) const;
    virtual QDateTime ReadDateTime(const QString& section, const QString& key,
                                   const QDateTime& def) const;
    virtual double ReadFloat(const QString& section, const QString& key, double def) const;
    virtual QTime ReadTime(const QString& section, const QString& key, const QTime& def) const;
    virtual void WriteDate(const QString& section, const QString& key, const QDate& value);
    virtual void WriteDateTime(const QString& section, const QString& key, const QDateTime& value);
    virtual void WriteFloat(const QString& section, const QString& key, double value);
    virtual void WriteTime(const QString& section, const QString& key, const QTime& value);

    /// Key names of one section, in entry order.
    virtual void ReadSection(const QString& section, QStringList& keys) const = 0;
    /// Section names, in store order.
    virtual void ReadSections(QStringList& sections) const = 0;
    /// "name=value" for every entry of one section.
    virtual void ReadSectionValues(const QString& section, QStringList& values) const = 0;
    virtual void UpdateFile() = 0;

    /// The integer rule of ReadInteger applied to a text.
    static bool parseInteger(const QString& text, int& value);

private:
    QString fileName_;
    QLocale locale_ = QLocale::system();
};

}  // namespace qm
