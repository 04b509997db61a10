#include "app/IniFile.h"

#include "app/KassolError.h"
#include "app/SafeFileWriter.h"

#include <QFile>
#include <SimpleIni.h>
#include <cstring>
#include <string>

class IniData {
public:
    IniData() { ini.SetSpaces(false); }
    CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
};

namespace {
std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }

// The text of the file as it is written; false when SimpleIni cannot put it together.
bool aufbereiten(CSimpleIniA& ini, std::string& data) {
    data.clear();
    if (ini.Save(data) < 0)
        return false;
    // SimpleIni puts two empty lines between sections; one is what INI files usually have.
    const std::string zwei = std::string(SI_NEWLINE_A) + SI_NEWLINE_A;
    for (std::size_t at; (at = data.find(zwei + SI_NEWLINE_A)) != std::string::npos;)
        data.erase(at, std::strlen(SI_NEWLINE_A));
    // A name may begin with a byte order mark; first in the file, it would read as the file's
    // signature and be lost. A signature of its own in front of it keeps it part of the name.
    if (data.compare(0, std::strlen(SI_UTF8_SIGNATURE), SI_UTF8_SIGNATURE) == 0)
        data.insert(0, SI_UTF8_SIGNATURE);
    return true;
}
} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)), m_ini(std::make_unique<IniData>()) {
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.readAll();
        // A file SimpleIni cannot parse at all reads as empty: the defaults then hold.
        if (m_ini->ini.LoadData(data.constData(), static_cast<size_t>(data.size())) < 0)
            m_ini->ini.Reset();
    }
    (void)aufbereiten(m_ini->ini, m_saved);
}

IniFile::~IniFile() = default;

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const {
    const char* value = m_ini->ini.GetValue(utf8(section).c_str(), utf8(key).c_str(), nullptr);
    return value ? QString::fromUtf8(value) : fallback;
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const QString text = readString(section, key, QString()).trimmed();
    bool ok = false;
    const int value = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                               : text.toInt(&ok);
    return ok ? value : fallback;
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const {
    // As Windows programs read them: "0" is false, any other number true; words are understood too.
    const QString text = readString(section, key, QString()).trimmed().toLower();
    if (text.isEmpty())
        return fallback;
    if (text == QStringLiteral("true") || text == QStringLiteral("yes") || text == QStringLiteral("ja"))
        return true;
    if (text == QStringLiteral("false") || text == QStringLiteral("no") || text == QStringLiteral("nein"))
        return false;
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? number != 0 : fallback;
}

QDate IniFile::readDate(const QString& section, const QString& key, const QDate& fallback) const {
    const QString text = readString(section, key, QString()).trimmed();
    for (const QString& format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")}) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date;
    }
    return fallback;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    return m_ini->ini.GetValue(utf8(section).c_str(), utf8(key).c_str(), nullptr) != nullptr;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    // Line breaks would split the value into a broken line on the next read.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_ini->ini.SetValue(utf8(section).c_str(), utf8(key).c_str(), utf8(clean).c_str());
    return save();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::writeDate(const QString& section, const QString& key, const QDate& value) {
    return writeString(section, key, value.toString(QStringLiteral("yyyy-MM-dd")));
}

bool IniFile::deleteKey(const QString& section, const QString& key) {
    if (!m_ini->ini.Delete(utf8(section).c_str(), utf8(key).c_str(), true))
        return true;
    return save();
}

bool IniFile::eraseSection(const QString& section) {
    if (!m_ini->ini.Delete(utf8(section).c_str(), nullptr))
        return true;
    return save();
}

void IniFile::sammeln() { m_sammeln = true; }

bool IniFile::schreibeGesammelt() {
    m_sammeln = false;
    return save();
}

bool IniFile::save() {
    if (m_sammeln)
        return true;
    std::string data;
    try {
        if (!aufbereiten(m_ini->ini, data))
            throw KassolError(QStringLiteral("Die Einstellungen konnten nicht aufbereitet werden."));
        // Each write syncs the file to the disk; a value written as it already stands costs nothing.
        if (data == m_saved && QFile::exists(m_path)) {
            m_lastError.clear();
            return true;
        }
        SafeFileWriter::writeAll(m_path, QByteArray::fromStdString(data), QStringLiteral("Die Einstellungsdatei"));
    } catch (const KassolError& e) {
        m_lastError = e.message();
        // What the file still holds is what holds here too.
        m_ini->ini.Reset();
        (void)m_ini->ini.LoadData(m_saved.data(), m_saved.size());
        return false;
    }
    m_saved = std::move(data);
    m_lastError.clear();
    return true;
}
