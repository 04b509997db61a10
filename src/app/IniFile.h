#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <string>

class IniData;

// The settings file Kassol.ini. Sections and keys are matched without regard to case. Every
// write reaches the file at once, through SafeFileWriter, so a crash or a full disk never leaves a
// half-written file. It is written as "Key=value" lines, each ending in the platform's line end.
// A missing or unreadable file reads as empty; a broken line is passed over.
class IniFile {
public:
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    int readInteger(const QString& section, const QString& key, int fallback) const;
    bool readBool(const QString& section, const QString& key, bool fallback) const;
    QDate readDate(const QString& section, const QString& key, const QDate& fallback) const;
    bool valueExists(const QString& section, const QString& key) const;

    // Each returns false when the file could not be written (lastError() says why); the settings
    // then stay as they were, in the file and here.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool writeDate(const QString& section, const QString& key, const QDate& value);
    bool deleteKey(const QString& section, const QString& key);
    bool eraseSection(const QString& section);
    // The writes after sammeln() are kept here until schreibeGesammelt() puts them into the file
    // together, in one write; its result is theirs.
    void sammeln();
    bool schreibeGesammelt();
    // The German message of the last failed write; empty after a successful one.
    const QString& lastError() const { return m_lastError; }

private:
    bool save();

    QString m_path;
    std::unique_ptr<IniData> m_ini;
    std::string m_saved;  // the content as last read or written, to go back to when a write fails
    QString m_lastError;
    bool m_sammeln = false;
};
