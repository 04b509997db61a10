#include "ReportBooks.h"

#include <QRegularExpression>
#include "reports/CircleDetails.h"
#include "reports/CircleEvaluation.h"
#include "reports/CsvExport.h"
#include "reports/Journal.h"
#include "reports/PlusMinus.h"
#include "reports/VatReconciliation.h"
#include "reports/engine/PdfRenderer.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QStringList vat(ReportBooks& b, int code) {
    const auto report = TRep_Verprobung::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm, code));
    return report ? lines(*report) : QStringList{"(keine Einnahmen)"};
}

QStringList vatFigures(ReportBooks& b, int code) {
    // The summary band: everything from its first line on.
    const QStringList l = vat(b, code);
    const qsizetype start = l.indexOf(QRegularExpression("^Umsatzsteuer aus innergem.*"));
    return start < 0 ? l : l.mid(start);
}

} // namespace

TEST(VatReconciliation, IncomesOfTwoRatesGiveAPayableBalance) {
    ReportBooks b;
    b.book(5, 3, "120", 20, 1);
    b.book(31, 3, "110", 10, 1);
    b.book(1, 4, "500", 20, 1);
    EXPECT_EQ(QStringList({"Umsatzsteuerverprobung\tMuster GmbH", "M\u00e4rz 2024", "Bemessungsgrundlage (netto)\tUmsatzsteuer",
                           "Erl\u00f6se 10%\t100,00\t10,00", "Erl\u00f6se 20%\t100,00\t20,00",
                           "Umsatzsteuer aus innergem. Erwerb 20%\t0,00\t0,00", "Gesamtsumme\t200,00\t30,00", "Vorsteuer\t0,00",
                           "Davon Vorsteuer KFZ (KZ 027)", "0,00", "Davon Vorsteuer Geb\u00e4ude (KZ 028)\t0,00",
                           "Einfuhrumsatzsteuer\t0,00", "Vorsteuer aus innergem. Erwerb 20%\t0,00", "Zahllast\t30,00"}),
              vat(b, 3))
        << "the booking of 31 March counts, that of 1 April, of another client and of another year not";
}

TEST(VatReconciliation, VehicleIntraCommunityAndImport) {
    ReportBooks b;
    b.book(5, 3, "120", 20, 1);
    b.book(6, 3, "110", 10, 1);
    b.book(7, 3, "240", 20, 2, 2, 2, 2, 1);
    EXPECT_EQ("Gutschrift\t10,00", vatFigures(b, 3).last().toStdString());
    EXPECT_TRUE(vatFigures(b, 3).contains("Vorsteuer\t40,00"));
    const QStringList kfz = vatFigures(b, 3);
    const qsizetype at = kfz.indexOf("Davon Vorsteuer KFZ (KZ 027)");
    ASSERT_GE(at, 0);
    EXPECT_EQ("40,00", kfz[at + 1].toStdString()) << "the vehicle share stands a little lower than its caption";

    b.book(8, 3, "1000", 20, 2, 1, 1);
    const QStringList eu = vatFigures(b, 3);
    EXPECT_EQ("Umsatzsteuer aus innergem. Erwerb 20%\t1.000,00\t200,00", eu[0].toStdString());
    EXPECT_EQ("Gesamtsumme\t1.200,00\t230,00", eu[1].toStdString());
    EXPECT_TRUE(eu.contains("Vorsteuer aus innergem. Erwerb 20%\t200,00"));
    EXPECT_EQ("Gutschrift\t10,00", eu.last().toStdString()) << "the acquisition leaves the balance";

    b.book(9, 3, "230", 0, 2, 1, 2, 1);
    EXPECT_TRUE(vatFigures(b, 3).contains("Einfuhrumsatzsteuer\t230,00"));
    EXPECT_EQ("Gutschrift\t240,00", vatFigures(b, 3).last().toStdString());
}

TEST(VatReconciliation, ZeroBalanceAndPeriodsWithoutIncome) {
    ReportBooks b;
    b.book(5, 3, "120", 20, 1);
    b.book(6, 3, "120", 20, 2);
    EXPECT_EQ("Gutschrift\t0,00", vatFigures(b, 3).last().toStdString());
    b.book(6, 5, "120", 20, 2);
    EXPECT_EQ(QStringList{"(keine Einnahmen)"}, vat(b, 5)) << "expenses alone make no report";
    EXPECT_EQ(QStringList{"(keine Einnahmen)"}, vat(b, 4));
}

TEST(Journal, LinesOfEveryKindOfBooking) {
    ReportBooks b;
    b.book(5, 3, "120", 20, 1, 1, 2, 2, 2, "Verkauf");
    b.book(5, 3, "110", 10, 2, 1, 2, 2, 2, "Einkauf");
    b.book(6, 3, "1000", 20, 2, 1, 1, 2, 2, "EU");
    b.book(7, 3, "230", 0, 2, 1, 2, 1, 2, "Zoll");
    b.book(8, 3, "50", 0, 1, 1, 2, 2, 2, "Nullsatz");
    const QStringList l = lines(TRep_Journal::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm, 3)));
    EXPECT_EQ(QStringList({"Buchungsjournal\tMuster GmbH\tSeite\t1", "M\u00e4rz 2024",
                           "Datum\tBelegnummer\tBuchungstext\tBetrag\tSteuersatz\tVST\tUST",
                           "05.03.2024\t1\tVerkauf\t120,00\t20\t20,00", "05.03.2024\t2\tEinkauf\t-110,00\t10\t10,00",
                           "06.03.2024\t3\tEU\t-1.000,00\t20\t200,00\t200,00", "07.03.2024\t4\tZoll\t230,00",
                           "08.03.2024\t5\tNullsatz\t50,00\t0"}),
              l);
}

TEST(Journal, PageBreaksRepeatTheHeaderAndAnEmptyPeriodIsTheHeaderAlone) {
    ReportBooks b;
    for (int i = 0; i < 120; ++i)
        b.book(1 + i % 28, 6, "10", 20, 1);
    const auto report = TRep_Journal::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm, 6));
    ASSERT_EQ(3u, report.pages.size());
    const QStringList pages = ReportEngine::renderText(report).split('\f');
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(pages[i].startsWith(QStringLiteral("Buchungsjournal\tMuster GmbH\tSeite\t%1\nJuni 2024\n").arg(i + 1)));
    EXPECT_EQ(3, lines(TRep_Journal::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm, 7))).size());
}

TEST(CircleEvaluation, AllCirclesOneCircleAndEmpty) {
    ReportBooks b;
    EXPECT_EQ(QStringList({"Einnahmen - Ausgaben Rechnung\tMuster GmbH", "Jahr 2024", "Netto\tBrutto", "Ergebnis\t0,00\t0,00"}),
              lines(TRep_EinAus::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm))));
    b.circleExample();
    T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm);
    EXPECT_EQ(QStringList({"Einnahmen - Ausgaben Rechnung\tMuster GmbH", "Jahr 2024", "Netto\tBrutto", "Einnahmen",
                           "B\u00fcro\t100,00\t120,00", "Summe Einnahmen\t100,00\t120,00", "Ausgaben", "Auto\t100,00\t110,00",
                           "B\u00fcro\t50,00\t60,00", "Summe Ausgaben\t150,00\t170,00", "Ergebnis\t-50,00\t-50,00"}),
              lines(TRep_EinAus::erstelle(*b.dm, d)));
    d.BK = 1;
    const QStringList buero = lines(TRep_EinAus::erstelle(*b.dm, d));
    EXPECT_EQ("Jahr 2024", buero[1].toStdString());
    EXPECT_FALSE(buero.contains("Auto\t100,00\t110,00"));
    EXPECT_TRUE(buero.contains("Summe Ausgaben\t50,00\t60,00"));
    EXPECT_EQ("Ergebnis\t50,00\t60,00", buero.last().toStdString());
    b.book(9, 3, "1000", 20, 2, 2, 1);
    b.book(9, 3, "230", 0, 2, 2, 2, 1);
    d.BK = 2;
    EXPECT_TRUE(lines(TRep_EinAus::erstelle(*b.dm, d)).contains("Auto\t1.100,00\t1.340,00"))
        << "intra-community once with its net amount, import with 0 net";
    EXPECT_EQ("Summe Ausgaben\t1.100,00\t1.340,00", lines(TRep_EinAus::erstelle(*b.dm, d))[5].toStdString()) << "expenses only";
}

TEST(CircleDetails, NestedGroupsWithTheirSums) {
    ReportBooks b;
    b.circleExample();
    b.book(2, 3, "12", 20, 2, 1, 2, 2, 2, "vorher");
    T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm);
    EXPECT_EQ(QStringList({"Einnahmen - Ausgaben Rechnung\tMuster GmbH", "Jahr 2024 alle Buchungskreise",
                           "Beleg-Nr.\tBelegdatum\tBelegtext\tNetto\tBrutto", "Einnahmen", "B\u00fcro", "1\t05.03.2024\t100,00\t120,00",
                           "Summe\tB\u00fcro\t100,00\t120,00", "Summe\tEinnahmen\t100,00\t120,00", "Ausgaben", "Auto",
                           "3\t07.03.2024\t100,00\t110,00", "Summe\tAuto\t100,00\t110,00", "B\u00fcro",
                           "4\t02.03.2024\tvorher\t10,00\t12,00", "2\t06.03.2024\t50,00\t60,00", "Summe\tB\u00fcro\t60,00\t72,00",
                           "Summe\tAusgaben\t160,00\t182,00", "Ergebnis\t-60,00\t-62,00"}),
              lines(TRep_EinAusDetail::erstelle(*b.dm, d)));
    d.BK = 1;
    const QStringList buero = lines(TRep_EinAusDetail::erstelle(*b.dm, d));
    EXPECT_EQ("Jahr 2024 - B\u00fcro", buero[1].toStdString());
    EXPECT_FALSE(buero.contains("Auto"));
    EXPECT_EQ("Ergebnis\t40,00\t48,00", buero.last().toStdString());
}

TEST(PlusMinus, LinesPerCircleNameAndTheResult) {
    ReportBooks b;
    b.circleExample();
    EXPECT_EQ(QStringList({"Plus - Minus Rechnung\tMuster GmbH", "Jahr 2024",
                           "Buchungskreis\tBruttoeinnahmen\tBruttoausgaben\tBrutto +/-\tNettoeinnahmen\tNettoausgaben\tNetto +/-",
                           "Auto\t0,00\t110,00\t-110,00\t0,00\t100,00\t-100,00", "B\u00fcro\t120,00\t60,00\t60,00\t100,00\t50,00\t50,00",
                           "Ergebnis\t120,00\t170,00\t-50,00\t100,00\t150,00\t-50,00"}),
              lines(TRep_PlusMinus::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm))));
    b.addCircle(5, 4, "Auto", "A2");
    b.book(9, 3, "230", 0, 2, 4, 2, 1);
    b.book(9, 3, "1000", 20, 2, 4, 1);
    EXPECT_TRUE(lines(TRep_PlusMinus::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm)))
                    .contains("Auto\t0,00\t1.340,00\t-1.340,00\t0,00\t1.330,00\t-1.330,00"))
        << "circles of one name share a line; import and acquisition count whole as net";
}

TEST(ReportOutput, APdfReadsBackAndTheExportIsACsvFile) {
    ReportBooks b;
    b.circleExample();
    const QString pdf = b.folder.file("journal.pdf");
    ReportEngine::writePdf(TRep_Journal::erstelle(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm)), pdf);
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString content = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* expected : {"Buchungsjournal", "Muster GmbH", "Seite", "Jahr 2024", "05.03.2024", "-110,00", "120,00"})
        EXPECT_TRUE(content.contains(QString::fromUtf8(expected))) << expected << "\n" << content.toStdString();

    const QString csv = b.folder.file("journal.csv");
    CsvExport::schreibe(TRep_Journal::exportDaten(*b.dm, Zeitraumwahl::fuerAktuellesJahr(*b.dm)), {"Betrag", "VST", "UST"}, {"Datum"}, csv);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString("Datum;Belegnummer;Text;Steuersatz;Betrag;VST;UST;Buchungskreis\r\n"
                      "05.03.2024;1;;20;120,00;;20,00;B\u00fcro\r\n"
                      "06.03.2024;2;;20;-60,00;10,00;;B\u00fcro\r\n"
                      "07.03.2024;3;;10;-110,00;10,00;;Auto\r\n"),
              QString::fromUtf8(f.readAll()));
}

// The details written page by page while laid out read back as the same PDF text as when the
// whole report is written at once.
TEST(ReportOutput, APdfWrittenPageByPageReadsLikeOneWrittenWhole) {
    ReportBooks b;
    b.circleExample();
    const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm);
    const auto text = [](const QString& pdf) {
        QProcess p;
        p.start("pdftotext", {"-layout", pdf, "-"});
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    ReportEngine::writePdf(TRep_EinAusDetail::erstelle(*b.dm, d), b.folder.file("ganz.pdf"));
    ReportEngine::PdfSeiten seitenweise(b.folder.file("seitenweise.pdf"));
    EXPECT_EQ(1, TRep_EinAusDetail::erstelle(*b.dm, d, seitenweise));
    EXPECT_FALSE(QFile::exists(b.folder.file("seitenweise.pdf"))) << "the file appears only when complete";
    seitenweise.abschliessen();
    const QString ganz = text(b.folder.file("ganz.pdf"));
    EXPECT_TRUE(ganz.contains("Ergebnis")) << ganz.toStdString();
    EXPECT_EQ(ganz.toStdString(), text(b.folder.file("seitenweise.pdf")).toStdString());
}
