#include "CliTestSupport.h"

#include <QFile>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
const QStringList Buchen{"book", "--income", "--date", "02.01.2024", "--amount", "120", "--rate", "20", "--circle", "1"};
} // namespace

TEST(CliVoucherNumbers, NoAutomaticNumberBeyondTheLargestOne) {
    CliFixture cli;
    cli.ok({"init", "--client", "Muster", "--year", "2024"});
    cli.ok({"circle", "add", "Waren", "WA"});
    cli.ok(Buchen + QStringList{"--number", "2147483647"});
    const CliRun r = cli.run(Buchen);
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("Bitte geben Sie die Belegnummer selbst an.")) << r.err.toStdString();

    QFile csv(cli.dataDir() + "/buchungen.csv");
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n"
              "03.01.2024;5;mit Nummer;10;20;WA;E;;;;\n"
              "03.01.2024;;ohne Nummer;10;20;WA;E;;;;\n");
    csv.close();
    const CliRun import = cli.run({"import", csv.fileName()});
    EXPECT_EQ(1, import.status);
    EXPECT_TRUE(import.err.contains("Belegnummer selbst an")) << import.err.toStdString();
    const QJsonObject info = cli.ok({"info", "--json"}).json().object();
    EXPECT_EQ(1, info["buchungen"].toInt()) << "nothing of the import was kept";
}
