// Kassol.ini as a user or another program may have left it, read and then written to.
#include "FuzzSupport.h"
#include "app/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <array>

namespace {

QTemporaryDir* dir = nullptr;

struct Key {
    const char* section;
    const char* key;
};
// Keys the program reads, and a few short ones the mutations reach easily.
constexpr std::array<Key, 8> Keys{{{"Datensicherung", "Ziel"},
                                   {"Datensicherung", "nichtzippen"},
                                   {"Einstellungen", "DesktopIcon"},
                                   {"Belegeingabe1", "Belegdatum"},
                                   {"Belegeingabe1", "Buchungskreis"},
                                   {"a", "b"},
                                   {"a", "c"},
                                   {"", "b"}}};

struct Values {
    QString text;
    int integer;
    bool flag;
    QDate date;
    bool exists;
    bool operator==(const Values&) const = default;
};

Values read(const IniFile& ini, const Key& k) {
    const QString s = QString::fromLatin1(k.section), key = QString::fromLatin1(k.key);
    return {ini.readString(s, key, QStringLiteral("\x01")), ini.readInteger(s, key, -1), ini.readBool(s, key, false),
            ini.readDate(s, key, QDate()), ini.valueExists(s, key)};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    dir = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = dir->filePath(QStringLiteral("Kassol.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(reinterpret_cast<const char*>(data), size) != qint64(size))
            fuzz::fail("cannot write the input file");
    }
    std::array<Values, Keys.size()> before;
    {
        IniFile ini(path);
        for (size_t i = 0; i < Keys.size(); ++i)
            before[i] = read(ini, Keys[i]);
        // Writing one setting keeps the others as they were read.
        if (!ini.writeString(QStringLiteral("Datensicherung"), QStringLiteral("Ziel"), QStringLiteral("/media/stick/")))
            fuzz::fail("cannot write a setting");
    }
    IniFile again(path);
    for (size_t i = 0; i < Keys.size(); ++i) {
        const Values now = read(again, Keys[i]);
        if (i == 0) {
            if (now.text != QStringLiteral("/media/stick/"))
                fuzz::fail("written setting does not read back");
        } else if (now != before[i]) {
            fuzz::fail("writing one setting changed another");
        }
    }
    return 0;
}
