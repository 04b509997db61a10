#include "app/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(IniFile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    IniFile ini(path);
    EXPECT_EQ("false", ini.readString("Einstellungen", "DesktopIcon", "false").toStdString());
    EXPECT_FALSE(ini.readBool("Datensicherung", "nichtzippen", false));
    EXPECT_EQ(0, ini.readInteger("Buchen Mandant 7", "Buchungskreis", 0));
    EXPECT_EQ(QDate(2024, 3, 15), ini.readDate("Buchen Mandant 7", "Belegdatum", QDate(2024, 3, 15)));
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(ini.writeInteger("Buchen Mandant 7", "Buchungskreis", 12));
    EXPECT_TRUE(QFile::exists(path));
    IniFile again(path);
    EXPECT_EQ(12, again.readInteger("buchen mandant 7", "BUCHUNGSKREIS", 0)) << "names are matched without case";
}

TEST(IniFile, RoundTripsEveryKindOfValueAndDeletes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    {
        IniFile ini(path);
        ini.writeString("Datensicherung", "Ziel", QStringLiteral("/home/büro/Sicherung"));
        ini.writeBool("Datensicherung", "nichtzippen", true);
        ini.writeDate("Buchen Mandant 1", "Belegdatum", QDate(2024, 12, 31));
        ini.writeString("Buchen Mandant 1", "Buchungstext", "Miete");
        ini.writeString("Buchen Mandant 2", "Steuersatz", "20");
    }
    IniFile ini(path);
    EXPECT_EQ(QStringLiteral("/home/büro/Sicherung"), ini.readString("Datensicherung", "Ziel", ""));
    EXPECT_TRUE(ini.readBool("Datensicherung", "nichtzippen", false));
    EXPECT_EQ(QDate(2024, 12, 31), ini.readDate("Buchen Mandant 1", "Belegdatum", {}));
    ini.deleteKey("Buchen Mandant 1", "Buchungstext");
    ini.eraseSection("Buchen Mandant 2");
    IniFile after(path);
    EXPECT_FALSE(after.valueExists("Buchen Mandant 1", "Buchungstext"));
    EXPECT_TRUE(after.valueExists("Buchen Mandant 1", "Belegdatum"));
    EXPECT_FALSE(after.valueExists("Buchen Mandant 2", "Steuersatz"));
}

TEST(IniFile, BrokenLinesAndValuesFallBackToDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage without equals\n[Datensicherung\nZiel=/x\n[Buchen Mandant 1]\nBuchungskreis=abc\n"
            "Belegdatum=31.02.2024\nIstEinnahme=2\n\x01\x02\xff\n");
    f.close();
    IniFile ini(path);
    EXPECT_EQ(0, ini.readInteger("Buchen Mandant 1", "Buchungskreis", 0));
    EXPECT_EQ(QDate(2024, 1, 1), ini.readDate("Buchen Mandant 1", "Belegdatum", QDate(2024, 1, 1)));
    EXPECT_EQ(2, ini.readInteger("Buchen Mandant 1", "IstEinnahme", 1));
    EXPECT_TRUE(ini.writeString("Einstellungen", "DesktopIcon", "true"));
}

TEST(IniFile, IsWrittenAsKeyEqualsValueLinesWithAFinalLineEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    IniFile ini(path);
    ASSERT_TRUE(ini.writeString("Datensicherung", "Ziel", "/media/stick/"));
    ASSERT_TRUE(ini.writeBool("Datensicherung", "nichtzippen", true));
    ASSERT_TRUE(ini.writeString("Einstellungen", "DesktopIcon", "true"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
    const QByteArray nl = "\r\n";
#else
    const QByteArray nl = "\n";
#endif
    EXPECT_EQ("[Datensicherung]" + nl + "Ziel=/media/stick/" + nl + "nichtzippen=1" + nl + nl + "[Einstellungen]" + nl +
                  "DesktopIcon=true" + nl,
              f.readAll());
}

TEST(IniFile, AWriteThatFailsSaysWhyAndKeepsTheFileAndTheValuesAsTheyWere) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.writeString("Datensicherung", "Ziel", "/alt/"));
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    IniFile ini(path);
    EXPECT_FALSE(ini.writeString("Datensicherung", "Ziel", "/neu/"));
    EXPECT_TRUE(ini.lastError().contains(QStringLiteral("schreibgeschützt"))) << ini.lastError().toStdString();
    EXPECT_EQ("/alt/", ini.readString("Datensicherung", "Ziel", "").toStdString()) << "the value that was not stored is not kept";
    EXPECT_FALSE(ini.deleteKey("Datensicherung", "Ziel"));
    EXPECT_TRUE(ini.valueExists("Datensicherung", "Ziel"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(before, f.readAll());
}

// Collected writes reach the file together at the end, and a value written as it already stands
// leaves the file untouched (a line added behind the program's back shows it was not rewritten).
TEST(IniFile, CollectedWritesLandTogetherAndUnchangedValuesDoNotRewrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
    const auto content = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.writeInteger("Buchen Mandant 7", "Buchungskreis", 3));
        ini.sammeln();
        ini.writeInteger("Buchen Mandant 7", "Buchungskreis", 4);
        ini.writeString("Buchen Mandant 7", "Steuersatz", "20");
        EXPECT_FALSE(content().contains("Steuersatz")) << "nothing written before the end";
        EXPECT_EQ(4, ini.readInteger("Buchen Mandant 7", "Buchungskreis", 0));
        ASSERT_TRUE(ini.schreibeGesammelt());
    }
    IniFile again(path);
    EXPECT_EQ(4, again.readInteger("Buchen Mandant 7", "Buchungskreis", 0));
    EXPECT_EQ("20", again.readString("Buchen Mandant 7", "Steuersatz", "").toStdString());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("; von Hand\n");
    }
    IniFile third(path);
    ASSERT_TRUE(third.writeInteger("Buchen Mandant 7", "Buchungskreis", 4));
    EXPECT_TRUE(content().contains("; von Hand")) << "the same value again is no write";
    ASSERT_TRUE(third.writeInteger("Buchen Mandant 7", "Buchungskreis", 5));
    EXPECT_EQ(5, IniFile(path).readInteger("Buchen Mandant 7", "Buchungskreis", 0));
}

TEST(IniFile, ANameBeginningWithAByteOrderMarkKeepsItWhenTheFileIsWrittenAgain) {
    // Only the mark at the very start of a file is a signature; one inside the file belongs to
    // the name behind it, also when that name comes first in the file as written.
    for (const QByteArray& inhalt : {QByteArray("kein Eintrag\n\xEF\xBB\xBF" "b=ohne\n"),
                                     QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "b=ohne\n"),
                                     QByteArray("kein Eintrag\n\xEF\xBB\xBF[a]\nb=ohne\n")}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kassol.ini"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
        f.close();
        bool vorher = false;
        {
            IniFile ini(path);
            vorher = ini.valueExists("", "b") || ini.valueExists("a", "b");
            ASSERT_TRUE(ini.writeString("Datensicherung", "Ziel", "/media/stick/"));
        }
        IniFile again(path);
        EXPECT_EQ(vorher, again.valueExists("", "b") || again.valueExists("a", "b")) << inhalt.toStdString();
        EXPECT_EQ("/media/stick/", again.readString("Datensicherung", "Ziel", "").toStdString());
    }
}
