#pragma once

#include <QDate>
#include <QString>
#include <memory>

class IniData;

// The settings file Kassol.ini. Sections and keys are matched without regard to case. Every
// write reaches the file at once, through a temporary file renamed into place, so a crash never
// leaves a half-written file. A missing or unreadable file reads as empty; a broken line is
// passed over.
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

    // Each returns false when the file could not be written; the value is then not kept.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool writeDate(const QString& section, const QString& key, const QDate& value);
    bool deleteKey(const QString& section, const QString& key);
    bool eraseSection(const QString& section);

private:
    bool save();

    QString m_path;
    std::unique_ptr<IniData> m_ini;
};
