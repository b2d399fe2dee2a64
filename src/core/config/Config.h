#pragma once

#include <QString>
#include <cstdint>

namespace qm {

/// Read-only program configuration: an INI file that an administrator
/// edits by hand. Every read opens the file, reads one value and closes it;
/// a missing file, section or key, or a value of the wrong form, gives the
/// default.
class TConfig {
public:
    virtual ~TConfig() = default;
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    /// The file read; "-" here.
    virtual QString GetFileName() const { return QStringLiteral("-"); }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    /// Decimal, "$" hexadecimal, or "0x" hexadecimal; else the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    /// An integer read (default 1 or 0); true when not 0.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

protected:
    TConfig() = default;
    /// Reads the values a subclass keeps; the subclass's construction calls it.
    virtual void LoadValues() {}
};

/// The program's configuration "Config.dat" in the program's folder:
/// job-log level, help file, web and mail addresses and splash window.
class TPrjConfig : public TConfig {
public:
    static TPrjConfig& instance();
    TPrjConfig();

    QString GetFileName() const override;

    std::uint8_t LogLevel = 0;  ///< the low 8 bits of Settings/LogLevel
    QString HelpFilename;       ///< Files/HelpFilename, "Quillmere Help.chm" by default
    /// Web/ProductAddress, Web/MakerAddress and Web/MakerMail: where the
    /// Help menu's commands lead. Addresses are kept without their scheme.
    QString ProductWebAddress;
    QString MakerWebAddress;
    QString MakerMail;
    /// Div/ShowSplash (default true), read at each call.
    bool ShowSplash() const;

protected:
    void LoadValues() override;
};

}  // namespace qm
