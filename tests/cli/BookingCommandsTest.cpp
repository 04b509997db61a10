#include "CliTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
struct Books : CliFixture {
    Books() {
        ok({"init", "--client", "Muster GmbH", "--year", "2024"});
        ok({"circle", "add", "Waren", "WA"});
    }
    QJsonObject book(const QStringList& args) { return ok(QStringList{"--json", "book"} + args).json().object(); }
};
} // namespace

TEST(CliBooking, BooksTheExamplesAndTotalsMatchToTheCent) {
    Books cli;
    const QJsonObject first = cli.book({"--income", "--date", "15.01.2024", "--amount", "120", "--rate", "20", "--circle", "1"});
    EXPECT_EQ(1, first["belegnummer"].toInt());
    EXPECT_EQ(QJsonArray({QJsonObject{{"id", 1}, {"konto", 1020}, {"betrag", "20.00"}}}), first["bewegungen"].toArray());
    cli.book({"--income", "--date", "2024-01-16", "--amount", "55,00", "--rate", "10", "--circle", "1"});
    const QJsonObject tie = cli.book({"--income", "--date", "17.01.2024", "--amount", "3.75", "--rate", "20", "--circle", "1"});
    EXPECT_EQ("0.62", tie["bewegungen"].toArray()[0].toObject()["betrag"].toString().toStdString());
    const QJsonObject eu = cli.book({"--expense", "--eu", "--date", "18.01.2024", "--amount", "1000", "--rate", "20", "--circle", "1"});
    EXPECT_EQ(2, eu["bewegungen"].toArray().size());
    cli.book({"--expense", "--import", "--date", "19.01.2024", "--amount", "230", "--rate", "0", "--circle", "1"});

    const QJsonObject totals = cli.ok({"--json", "totals"}).json().object();
    EXPECT_EQ(QJsonObject({{"mandant", "Muster GmbH"}, {"jahr", 2024}, {"einnahmen", "178.75"}, {"ausgaben", "1000.00"},
                           {"ust", "25.62"}, {"vst", "630.00"}}),
              totals);
    const QString people = cli.ok({"totals"}).out;
    EXPECT_TRUE(people.contains("178,75 \u20AC")) << people.toStdString();
    EXPECT_TRUE(people.contains("1.000,00 \u20AC"));

    const QJsonArray income = cli.ok({"--json", "list", "income"}).json().array();
    ASSERT_EQ(3, income.size());
    EXPECT_EQ("2024-01-17", income[0].toObject()["Buchungsdatum"].toString().toStdString());
    EXPECT_EQ("3.75", income[0].toObject()["Betrag"].toString().toStdString());
    EXPECT_EQ("WA", income[0].toObject()["BKKurz"].toString().toStdString());
}

TEST(CliBooking, ChangeAndDelete) {
    Books cli;
    cli.book({"--expense", "--vehicle", "--date", "20.01.2024", "--amount", "240", "--rate", "20", "--circle", "1"});
    const QJsonObject changed = cli.ok({"--json", "change", "1", "--income"}).json().object();
    EXPECT_EQ(1020, changed["bewegungen"].toArray()[0].toObject()["konto"].toInt()) << "--income clears the vehicle flag";
    cli.ok({"delete", "1"});
    EXPECT_EQ("0.00", cli.ok({"--json", "totals"}).json().object()["ust"].toString().toStdString());
    EXPECT_EQ(1, cli.run({"delete", "1"}).status);
}

TEST(CliBooking, BadInputGetsAGermanMessageAndWritesNothing) {
    const QStringList base{"--date", "01.02.2024", "--rate", "20", "--circle", "1"};
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {QStringList{"book", "--expense", "--amount", "abc"} + base, "kein gültiger Betrag"},
        {QStringList{"book", "--expense", "--amount", ""} + base, "kein gültiger Betrag"},
        {QStringList{"book", "--expense", "--amount", "99999999999999999"} + base, "kein gültiger Betrag"},
        {{"book", "--expense", "--amount", "1", "--date", "01.02.2024", "--rate", "7,5", "--circle", "1"}, "keine ganze Zahl"},
        {{"book", "--expense", "--amount", "1", "--date", "31.02.2024", "--rate", "20", "--circle", "1"}, "kein gültiges Datum"},
        {{"book", "--expense", "--amount", "1", "--date", "01.02.2024", "--rate", "20", "--circle", "9"}, "gehört nicht zum aktiven Mandanten"},
        {QStringList{"book", "--expense", "--amount", "1", "--text", QString(101, 'x')} + base, "höchstens 100 Zeichen"},
        {QStringList{"book", "--income", "--eu", "--amount", "1"} + base, "nur bei Ausgaben"},
        {QStringList{"book", "--expense", "--eu", "--import", "--amount", "1"} + base, "zugleich innergemeinschaftlich"},
        {QStringList{"book", "--expense", "--vehicle", "--building", "--amount", "1"} + base, "zugleich KFZ und Gebäude"},
        {QStringList{"book", "--amount", "1"} + base, "--income oder --expense"},
        {{"change", "77", "--amount", "1"}, "keine Buchung mit der Nummer 77"},
        {{"year", "add", "zwanzig"}, "Es dürfen nur Zahlen angegeben werden"},
        {{"client", "add", ""}, "Mandantenbezeichnung"},
    };
    for (const auto& c : cases) {
        Books cli;
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << c.says << ": " << r.err.toStdString();
        EXPECT_EQ(0, cli.ok({"--json", "info"}).json().object()["buchungen"].toInt());
    }
}

TEST(CliAdmin, UsingAClientWithoutYearSaysWhatComesNext) {
    Books cli;
    const int nummer = cli.ok({"--json", "client", "add", "Zweiter"}).json().object()["nummer"].toInt();
    const CliRun use = cli.ok({"client", "use", QString::number(nummer)});
    EXPECT_TRUE(use.out.contains("year add")) << use.out.toStdString();
    cli.ok({"year", "add", "2025"});
    cli.ok({"year", "use", "2025"});
    const QJsonArray years = cli.ok({"--json", "year", "list"}).json().array();
    EXPECT_EQ(QJsonArray({QJsonObject{{"id", 2}, {"jahr", 2025}, {"aktuell", true}}}), years);
    const QJsonArray clients = cli.ok({"--json", "client", "list"}).json().array();
    ASSERT_EQ(2, clients.size());
    EXPECT_FALSE(clients[0].toObject()["aktiv"].toBool());
    EXPECT_TRUE(clients[1].toObject()["aktiv"].toBool());
}

TEST(CliImport, ImportsAllOrNothing) {
    Books cli;
    const QString file = cli.dataDir() + "/buchungen.csv";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n"
            "01.02.2024;;Verkauf;120;20;WA;E;;;;\n"
            "02.02.2024;;Einkauf;110;10;WA;A;;;;\n");
    f.close();
    EXPECT_EQ(QJsonObject({{"buchungen", 2}, {"bewegungen", 2}}), cli.ok({"--json", "import", file}).json().object());
    EXPECT_EQ("10.00", cli.ok({"--json", "totals"}).json().object()["vst"].toString().toStdString());
    const CliRun missing = cli.run({"import", cli.dataDir() + "/fehlt.csv"});
    EXPECT_EQ(1, missing.status);
    EXPECT_TRUE(missing.err.contains("kann nicht gelesen werden"));
}
