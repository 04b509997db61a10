#include "migration/JetReader.h"

#include "app/KassolError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <gtest/gtest.h>

namespace {

// Unpacks a gzipped Jet test file into the folder; empty when the shared fixtures are missing.
QString entpacke(const QTemporaryDir& dir, const QString& name) {
    const QString quelle = QDir(QStringLiteral(KASSOL_JET_FIXTURES)).filePath(name + QStringLiteral(".mdb.gz"));
    if (!QFile::exists(quelle))
        return QString();
    const QString ziel = dir.filePath(name + QStringLiteral(".mdb"));
    QProcess zcat;
    zcat.setStandardOutputFile(ziel);
    zcat.start(QStringLiteral("zcat"), {quelle});
    if (!zcat.waitForFinished() || zcat.exitCode() != 0)
        return QString();
    return ziel;
}

QByteArray hash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Runs the test under a German locale, whose decimal comma would spoil any number read from text.
class JetReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (!std::setlocale(LC_ALL, "de_AT.UTF-8") && !std::setlocale(LC_ALL, "de_DE.UTF-8"))
            GTEST_SKIP() << "Kein deutsches Locale installiert (locale-gen de_AT.UTF-8); die Zahlen der "
                            "Access-Dateien werden sonst nicht unter einem Dezimalkomma geprüft.";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    QString datei(const QString& name) {
        const QString pfad = entpacke(dir, name);
        return pfad;
    }
    QTemporaryDir dir;
};

#define JET_DATEI(var, name)                                                                                  \
    const QString var = datei(QStringLiteral(name));                                                          \
    if (var.isEmpty())                                                                                        \
        GTEST_SKIP() << "Die Access-Testdateien fehlen (" KASSOL_JET_FIXTURES "); der Leser wird nicht an "   \
                        "echten Dateien geprüft.";

TEST_F(JetReaderTest, ReadsEveryTypeFromItsStoredBytes) {
    JET_DATEI(pfad, "testV2000");
    const QByteArray vorher = hash(pfad);
    {
        JetReader leser(pfad);
        EXPECT_TRUE(leser.tabellen().contains(QStringLiteral("Table1")));
        const JetTabelle t = leser.lies(QStringLiteral("Table1"));
        ASSERT_EQ(t.spalten, (QStringList{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
        ASSERT_EQ(t.typen, (std::vector<JetTyp>{JetTyp::Text, JetTyp::Text, JetTyp::Ganzzahl, JetTyp::Ganzzahl, JetTyp::Ganzzahl,
                                                JetTyp::Gleitkomma, JetTyp::Datum, JetTyp::Waehrung, JetTyp::JaNein}));
        ASSERT_EQ(t.zeilen.size(), 2u);
        const std::vector<JetWert> erste{QStringLiteral("abcdefg"), QStringLiteral("hijklmnop"), std::int64_t{2},
                                         std::int64_t{222}, std::int64_t{333333333}, 444.555,
                                         JetDatum{27293.0} /* 1974-09-21 */, JetWaehrung{35000}, true};
        const std::vector<JetWert> zweite{QStringLiteral("a"), QStringLiteral("b"), std::int64_t{0}, std::int64_t{0},
                                          std::int64_t{0}, 0.0, JetDatum{29932.0} /* 1981-12-12 */, JetWaehrung{0}, false};
        EXPECT_EQ(t.zeilen[0], erste);
        EXPECT_EQ(t.zeilen[1], zweite);
    }
    EXPECT_EQ(hash(pfad), vorher) << "Die Access-Datei wurde beim Lesen verändert.";
}

TEST_F(JetReaderTest, ReadsCompressedUnicodeText) {
    JET_DATEI(pfad, "testUnicodeCompV2003");
    JetReader leser(pfad);
    const JetTabelle t = leser.lies(QStringLiteral("Table"));
    const int spalte = t.spalte(QStringLiteral("unicode"));
    ASSERT_GE(spalte, 0);
    ASSERT_GE(t.zeilen.size(), 2u);
    EXPECT_EQ(t.zeilen[1][spalte], JetWert(QStringLiteral("ääkkösiä")));
}

TEST_F(JetReaderTest, ReadsEveryTableOfAFileWithManyDates) {
    JET_DATEI(pfad, "test2V2000");
    JetReader leser(pfad);
    const JetTabelle t = leser.lies(QStringLiteral("MSP_PROJECTS"));
    ASSERT_FALSE(t.zeilen.empty());
    int daten = 0;
    for (const auto& zeile : t.zeilen)
        for (const JetWert& w : zeile)
            if (const auto* d = std::get_if<JetDatum>(&w)) {
                ++daten;
                // Every date of a project file lies in the working lifetime of the format.
                EXPECT_GT(d->tage, 30000.0);  // after 1982
                EXPECT_LT(d->tage, 80000.0);  // before 2119
            }
    EXPECT_GT(daten, 5);
}

TEST_F(JetReaderTest, RefusesWhatIsNoJetFile) {
    const QString pfad = dir.filePath(QStringLiteral("kaputt.mdb"));
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    try {
        JetReader leser(pfad);
        FAIL() << "Eine Datei ohne Access-Format wurde gelesen.";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("kann nicht gelesen werden"))) << e.message().toStdString();
    }
    JET_DATEI(jet, "testV2000");
    JetReader leser(jet);
    EXPECT_THROW(leser.lies(QStringLiteral("T_Buchungen")), KassolError);
}

} // namespace
