#include "CliTestSupport.h"

#include "store/Database.h"

#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

void legeBuecherAn(CliFixture& cli) {
    cli.ok({"init", "--client", "Muster", "--year", "2024"});
    cli.ok({"circle", "add", "Waren", "WA"});
}

const QStringList Buchen{"book", "--income", "--date", "02.01.2024", "--amount", "120", "--rate", "20", "--circle", "1"};

// Makes a file unwritable, for root too: read-only rights, else the immutable attribute.
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

} // namespace

// What the database engine reports reaches the user as a German message that says what to do;
// --verbose adds the engine's message and the statement.
TEST(CliErrors, DatabaseFailuresAreToldInGermanAndInDetailOnlyWhenAsked) {
    const struct {
        const char* name;
        const char* says;
        QStringList args;
        std::function<bool(const QString& file)> vorbereiten;
    } faelle[] = {
        {"read-only", "Die Datenbank ist schreibgeschützt", Buchen, schreibschutz},
        {"corrupt", "Die Datenbank ist beschädigt", {"list", "income"},
         [](const QString& file) {
             zerstoereTabelle(file, "T_Buchungen");
             return true;
         }},
        {"missing table", "Der Datenbank fehlt eine Tabelle", Buchen,
         [](const QString& file) {
             Database db;
             db.open(file);
             db.exec(QStringLiteral("DROP TABLE t_kontenbewegungen"));
             return true;
         }},
    };
    static const QRegularExpression sql(QStringLiteral("\\b(SELECT|INSERT|UPDATE|DELETE|BEGIN|PRAGMA|FROM)\\b|database|SQLite"),
                                        QRegularExpression::CaseInsensitiveOption);
    for (const auto& f : faelle) {
        CliFixture cli;
        legeBuecherAn(cli);
        for (int i = 0; i < 60; ++i)
            cli.ok(Buchen);
        const QString file = cli.dataDir() + "/KS_tab.mdb";
        if (!f.vorbereiten(file)) {
            schreibschutzAufheben(file);
            std::printf("%s: cannot be set up on this machine\n", f.name);
            continue;
        }
        const CliRun r = cli.run(f.args);
        const CliRun ausfuehrlich = cli.run(QStringList{"--verbose"} + f.args);
        schreibschutzAufheben(file);
        EXPECT_EQ(1, r.status) << f.name;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(f.says))) << f.name << ": " << r.err.toStdString();
        EXPECT_FALSE(sql.match(r.err).hasMatch()) << f.name << ": " << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("Einzelheiten")) << f.name;
        EXPECT_EQ(1, ausfuehrlich.status) << f.name;
        EXPECT_TRUE(ausfuehrlich.err.startsWith(r.err)) << f.name << ": " << ausfuehrlich.err.toStdString();
        EXPECT_TRUE(ausfuehrlich.err.contains("Einzelheiten:\n")) << f.name;
        EXPECT_TRUE(ausfuehrlich.err.contains("SQLite: ")) << f.name << ": " << ausfuehrlich.err.toStdString();
    }
}

TEST(CliErrors, BooksHeldByAnotherProgramAreWaitedForThenToldInGerman) {
    CliFixture cli;
    legeBuecherAn(cli);
    Database anderes;
    anderes.open(cli.dataDir() + "/KS_tab.mdb");
    std::optional<Transaction> sperre;
    sperre.emplace(anderes.transaction());
    const CliRun r = cli.run(Buchen);
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.startsWith("Ein anderes Kassol-Programm arbeitet gerade mit diesen Daten. Bitte versuchen Sie es "
                                 "gleich noch einmal."))
        << r.err.toStdString();
    sperre.reset();
    cli.ok(Buchen);
    EXPECT_EQ(1, cli.ok({"info", "--json"}).json().object()["buchungen"].toInt());
}

TEST(CliErrors, ANewerReleaseOfTheBooksIsRefused) {
    CliFixture cli;
    legeBuecherAn(cli);
    {
        Database db;
        db.open(cli.dataDir() + "/KS_tab.mdb");
        db.exec(QStringLiteral("UPDATE Release SET Release = Release + 1"));
    }
    for (const QStringList& args : {Buchen, QStringList{"info"}, QStringList{"init"}}) {
        const CliRun r = cli.run(args);
        EXPECT_EQ(1, r.status) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("stammt von einer neueren Kassol-Version")) << r.err.toStdString();
    }
}
