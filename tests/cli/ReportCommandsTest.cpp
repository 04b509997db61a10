#include "CliTestSupport.h"

#include <QFile>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
struct Books : CliFixture {
    Books() {
        ok({"init", "--client", "Muster", "--year", "2024"});
        ok({"master", "set", "--name", "Muster GmbH"});
        ok({"circle", "add", "Büro", "BU"});
        ok({"book", "--expense", "--date", "05.02.2024", "--amount", "60", "--rate", "20", "--circle", "1"});
    }
};
} // namespace

TEST(CliReport, VatWithoutIncomeSaysSoAndWritesNothing) {
    Books cli;
    const CliRun r = cli.run({"report", "vat", "--period", "2", "--pdf", cli.dataDir() + "/vat.pdf"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("Es gibt für diesen Zeitraum (noch) keine Einnahmen!\n", r.err.toStdString());
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(cli.dataDir() + "/vat.pdf"));
}

TEST(CliReport, TextPdfAndCsv) {
    Books cli;
    cli.ok({"book", "--income", "--date", "05.03.2024", "--amount", "120", "--rate", "20", "--circle", "1", "--text", "Verkauf"});
    const QString vat = cli.ok({"report", "vat", "--period", "13"}).out;
    EXPECT_TRUE(vat.startsWith("Umsatzsteuerverprobung\tMuster GmbH\n1. Quartal 2024\n")) << vat.toStdString();
    EXPECT_TRUE(vat.endsWith("Zahllast\t10,00\n")) << vat.toStdString();

    const QJsonObject pdf = cli.ok({"--json", "report", "journal", "--pdf", cli.dataDir() + "/journal.pdf"}).json().object();
    EXPECT_EQ(1, pdf["seiten"].toInt());
    QFile f(cli.dataDir() + "/journal.pdf");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    cli.ok({"report", "details", "--export-csv", cli.dataDir() + "/details.csv"});
    QFile csv(cli.dataDir() + "/details.csv");
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString("Belegnummer;Buchungsdatum;Text;Netto;Brutto;BKName\r\n"
                      "1;05.02.2024;;-50,00;-60,00;Büro\r\n"
                      "2;05.03.2024;Verkauf;100,00;120,00;Büro\r\n"),
              QString::fromUtf8(csv.readAll()));

    const QString plus = cli.ok({"report", "plusminus"}).out;
    EXPECT_TRUE(plus.endsWith("Ergebnis\t120,00\t60,00\t60,00\t100,00\t50,00\t50,00\n")) << plus.toStdString();
    EXPECT_TRUE(cli.ok({"report", "circles", "--circle", "1"}).out.endsWith("Ergebnis\t50,00\t60,00\n"));
}

TEST(CliReport, BadCallsAreRefused) {
    Books cli;
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"report", "vat", "--period", "18"}, "Der Zeitraum 18 ist ungültig"},
        {{"report", "circles", "--circle", "99"}, "keinen Buchungskreis mit der Nummer 99"},
        {{"report", "plusminus", "--period", "3"}, "gilt nicht"},
        {{"report", "bilanz"}, "Unbekannte Auswertung"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
}
