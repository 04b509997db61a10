#include "support/TestSupport.h"

#include "store/DbError.h"
#include "store/SchemaScript.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>

namespace {

// Makes a file unwritable, for root too: read-only rights, else the immutable attribute. False
// when neither holds on this machine.
bool schreibschutz(const QString& file) {
    const auto unbeschreibbar = [&] {
        QFile f(file);
        return !f.open(QIODevice::ReadWrite);
    };
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    if (unbeschreibbar())
        return true;
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), file});
    return unbeschreibbar();
}

void schreibschutzAufheben(const QString& file) {
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), file});
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

// Overwrites the first page of a table's b-tree with zeros, as a torn write or a bad sector would.
void zerstoereTabelle(const QString& file, const char* table) {
    int seite = 0, groesse = 0;
    {
        Database db;
        db.open(file);
        seite = db.scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(QLatin1String(table)))->toInt();
        groesse = db.scalar(QStringLiteral("PRAGMA page_size"))->toInt();
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(qint64(seite - 1) * groesse));
    f.write(QByteArray(groesse, '\0'));
}

QByteArray inhalt(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

} // namespace

// Each situation the engine reports in English becomes a German message that says what to do;
// the statement and the engine's words stay in the details.
TEST(DatabaseErrors, EachKindOfFailureIsToldInGermanWithoutSql) {
    const struct {
        const char* name;
        DbError::Art art;
        const char* says;
        // Brings the books into the situation (false: not possible on this machine), then fails.
        std::function<bool(TestBooks&)> vorbereiten;
        std::function<void(TestBooks&)> scheitern;
    } faelle[] = {
        {"busy", DbError::Art::Belegt, "Ein anderes Kassol-Programm arbeitet gerade mit diesen Daten. Bitte versuchen Sie es gleich noch einmal.",
         [](TestBooks&) { return true; },
         [](TestBooks& b) {
             Database anderes;
             anderes.open(b.folder.databaseFile());
             auto sperre = anderes.transaction();
             b.dm->setzeAktiverMandant(5);
         }},
        {"read-only", DbError::Art::Schreibgeschuetzt, "schreibgeschützt",
         [](TestBooks& b) {
             b.dm->closeConnection();
             return schreibschutz(b.folder.databaseFile());
         },
         [](TestBooks& b) { b.dm->setzeAktiverMandant(5); }},
        {"full", DbError::Art::Voll, "kein Platz mehr frei",
         [](TestBooks& b) {
             const int seiten = b.db().scalar(QStringLiteral("PRAGMA page_count"))->toInt();
             b.db().query(QStringLiteral("PRAGMA max_page_count = %1").arg(seiten + 2));
             return true;
         },
         [](TestBooks& b) {
             b.db().exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                                        "INSERT INTO T_Mandant (id, aktiv, Bezeichnung) SELECT i, 0, printf('%.200c', 'x') FROM n"),
                         {}, QStringLiteral("Mandanten anlegen"));
         }},
        {"corrupt", DbError::Art::Beschaedigt, "beschädigt",
         [](TestBooks& b) {
             for (int id = 1; id <= 50; ++id)
                 b.addBooking(5, id, 1, QDate(2024, 1, 2), id, QStringLiteral("12"), 20, 1);
             b.dm->closeConnection();
             zerstoereTabelle(b.folder.databaseFile(), "T_Buchungen");
             return true;
         },
         // Read from the table itself: an index holds the amounts too.
         [](TestBooks& b) { (void)b.db().scalar(QStringLiteral("SELECT sum(Betrag) FROM T_Buchungen NOT INDEXED"), {}, QStringLiteral("Summen bilden")); }},
        {"missing table", DbError::Art::TabelleFehlt, "fehlt eine Tabelle",
         [](TestBooks& b) {
             b.db().exec(QStringLiteral("DROP TABLE T_Einstellungen"));
             return true;
         },
         [](TestBooks& b) { (void)b.dm->gibZeitraum(); }},
    };
    static const QRegularExpression sql(QStringLiteral("\\b(SELECT|INSERT|UPDATE|DELETE|BEGIN|PRAGMA|WITH|FROM)\\b|database|SQLite"),
                                        QRegularExpression::CaseInsensitiveOption);
    for (const auto& f : faelle) {
        TestBooks b;
        b.addClient(5, QStringLiteral("Muster"), true, 2024, 1);
        b.addCircle(5, 1, QStringLiteral("Waren"), QStringLiteral("WA"));
        if (!f.vorbereiten(b)) {
            schreibschutzAufheben(b.folder.databaseFile());
            std::printf("%s: cannot be set up on this machine\n", f.name);
            continue;
        }
        std::optional<DbError> fehler;
        try {
            f.scheitern(b);
        } catch (const DbError& e) {
            fehler = e;
        }
        schreibschutzAufheben(b.folder.databaseFile());
        ASSERT_TRUE(fehler.has_value()) << f.name;
        EXPECT_EQ(f.art, fehler->art()) << f.name << ": " << fehler->details().toStdString();
        EXPECT_TRUE(fehler->message().contains(QString::fromUtf8(f.says))) << f.name << ": " << fehler->message().toStdString();
        EXPECT_FALSE(sql.match(fehler->message()).hasMatch()) << f.name << ": " << fehler->message().toStdString();
        EXPECT_FALSE(fehler->message().contains(fehler->engineMessage())) << f.name;
        // The technical account keeps what the engine said.
        EXPECT_TRUE(fehler->details().contains(fehler->engineMessage())) << f.name;
        EXPECT_GT(fehler->engineCode(), 0) << f.name;
    }
}

TEST(DatabaseErrors, TheStatementAndContextStayInTheDetails) {
    TestBooks b;
    try {
        b.db().exec(QStringLiteral("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (1, 0, 'a'), (1, 0, 'b')"), {},
                    QStringLiteral("Mandanten anlegen"));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(DbError::Art::Regel, e.art());
        EXPECT_TRUE(e.message().contains(QStringLiteral("(Vorgang: Mandanten anlegen)"))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QStringLiteral("UNIQUE"))) << e.message().toStdString();
        EXPECT_TRUE(e.details().contains(QStringLiteral("Anweisung: INSERT INTO T_Mandant"))) << e.details().toStdString();
        EXPECT_TRUE(e.details().contains(QStringLiteral("UNIQUE constraint failed"))) << e.details().toStdString();
    }
}

// A file written by a newer release may hold what this one does not know; it is refused before
// the connection changes anything (here: before its journal mode is set back from WAL).
TEST(DatabaseRelease, ANewerReleaseIsRefusedBeforeAnythingIsWritten) {
    TestBooks b;
    b.addClient(5, QStringLiteral("Muster"), true, 2024, 1);
    b.db().exec(QStringLiteral("INSERT INTO Release (Release, ReleaseDatum, MSAVersion) VALUES (:r, '2030-01-01', '2000')"),
                {{QStringLiteral(":r"), SchemaRelease + 1}});
    b.dm->closeConnection();
    const QString file = b.folder.databaseFile();
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(file.toUtf8().constData(), &raw));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(raw, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr));
        sqlite3_close(raw);
    }
    const QByteArray vorher = inhalt(file);

    for (const auto& oeffnen : std::initializer_list<std::function<void()>>{
             [&] { (void)b.dm->gibAktiverMandant(); },
             [&] {
                 Database db;
                 db.open(file);
             }}) {
        try {
            oeffnen();
            FAIL() << "the newer database was opened";
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("neueren Kassol-Version"))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::number(SchemaRelease + 1))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("installieren Sie die neueste"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(vorher, inhalt(file)) << "the file was changed";
    EXPECT_FALSE(b.dm->isConnected());
}

TEST(DatabaseRelease, NewBooksCarryThisRelease) {
    TestBooks b;
    EXPECT_EQ(SchemaRelease, b.db().scalar(QStringLiteral("SELECT max(Release) FROM Release"))->toInt());
}
