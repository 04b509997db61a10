#include "admin/BookingCircles.h"
#include "admin/Clients.h"
#include "admin/FiscalYears.h"
#include "admin/MasterData.h"
#include "app/IniFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
template <typename F>
QString refusal(F&& action) {
    try {
        action();
    } catch (const KassolError& e) {
        return e.message();
    }
    return QStringLiteral("(nicht abgelehnt)");
}
} // namespace

TEST(Clients, CreateRenameChooseAndTheirRefusals) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    const int neu = Mandanten::anlegen(*b.dm, "Bezeichnung des neuen Mandanten");
    EXPECT_EQ(1, b.count("T_Mandant", QStringLiteral("id = %1 AND aktiv = 0").arg(neu)));
    EXPECT_EQ(1, b.count("T_Stammdaten", QStringLiteral("mandant = %1").arg(neu)));
    EXPECT_EQ(0, b.count("T_Einstellungen", QStringLiteral("mandant = %1").arg(neu)));
    const QString taken = "Es gibt bereits einen Mandanten mit dieser Bezeichnung!";
    EXPECT_EQ(taken, refusal([&] { (void)Mandanten::anlegen(*b.dm, "Muster"); }));
    EXPECT_EQ(taken, refusal([&] { (void)Mandanten::anlegen(*b.dm, "MUSTER"); })) << "case does not make another name";
    EXPECT_EQ(taken, refusal([&] { Mandanten::umbenennen(*b.dm, 5, "Muster"); })) << "its own unchanged name too";
    EXPECT_EQ("Geben sie bitte eine Mandantenbezeichnung an.", refusal([&] { (void)Mandanten::anlegen(*b.dm, ""); }));
    EXPECT_TRUE(refusal([&] { (void)Mandanten::anlegen(*b.dm, "Zeile\nzwei"); }).contains("Steuerzeichen"));
    Mandanten::umbenennen(*b.dm, 5, "Muster KG");
    EXPECT_EQ("Muster KG", b.dm->gibMandantBezeichnung(5).toStdString());

    Mandanten::auswaehlen(*b.dm, neu);
    EXPECT_EQ(neu, b.dm->gibAktiverMandant());
    EXPECT_TRUE(Mandanten::brauchtWirtschaftsjahr(*b.dm));
    EXPECT_TRUE(refusal([&] { (void)Mandanten::wirtschaftsjahrEinrichten(*b.dm, 12); }).contains("1900 bis 2100"));
    const int id = Mandanten::wirtschaftsjahrEinrichten(*b.dm, 2012);
    EXPECT_EQ(2, id);
    EXPECT_EQ(2012, b.dm->gibJahr());
    EXPECT_FALSE(Mandanten::brauchtWirtschaftsjahr(*b.dm));
    EXPECT_TRUE(refusal([&] { Mandanten::auswaehlen(*b.dm, 4711); }).contains("keinen Mandanten"));
    EXPECT_EQ(neu, b.dm->gibAktiverMandant()) << "an unknown number leaves the active client";
}

TEST(Clients, DeletingRefusesTheActiveClientAndErasesOnlyTheDeletedClientsSection) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addClient(6, "Weg", false, 2024, 2);
    {
        IniFile ini(b.helper.IniPath());
        ini.writeInteger("Buchen Mandant 5", "Buchungskreis", 1);
        ini.writeInteger("Buchen Mandant 6", "Buchungskreis", 2);
    }
    EXPECT_TRUE(refusal([&] { (void)Mandanten::loeschen(*b.dm, b.helper, 5); }).startsWith("Der aktive Mandant kann nicht gelöscht werden. \r"));
    EXPECT_EQ(1, b.count("T_Mandant", "id = 5"));
    EXPECT_EQ("Der Mandant: \rWeg\rwurde vollständig gelöscht!?", Mandanten::loeschen(*b.dm, b.helper, 6).toStdString());
    EXPECT_EQ(0, b.count("T_Mandant", "id = 6"));
    IniFile ini(b.helper.IniPath());
    EXPECT_TRUE(ini.valueExists("Buchen Mandant 5", "Buchungskreis"));
    EXPECT_FALSE(ini.valueExists("Buchen Mandant 6", "Buchungskreis"));
}

TEST(FiscalYears, CreateChooseDeleteAndTheirRefusals) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addClient(6, "Andere", false, 2023, 2);
    EXPECT_EQ("Es dürfen nur Zahlen angegeben werden", refusal([&] { (void)Wirtschaftsjahre::anlegen(*b.dm, "abc"); }));
    EXPECT_EQ("Das Jahr 2024 existiert bereits", refusal([&] { (void)Wirtschaftsjahre::anlegen(*b.dm, "2024"); }));
    const int y2023 = Wirtschaftsjahre::anlegen(*b.dm, "2023");
    EXPECT_EQ(3, y2023) << "the same year of another client does not count";
    EXPECT_EQ(1, b.dm->gibZeitraum()) << "a new year does not become current";
    for (const char* falsch : {"12", "0", "-5", "1899", "2101", "10000"})
        EXPECT_TRUE(refusal([&] { (void)Wirtschaftsjahre::anlegen(*b.dm, falsch); }).contains("1900 bis 2100")) << falsch;
    EXPECT_EQ(4, Wirtschaftsjahre::anlegen(*b.dm, "1912"));
    const auto list = Wirtschaftsjahre::liste(*b.dm);
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(2024, list[0].jahr);
    EXPECT_TRUE(list[0].aktuell);
    EXPECT_EQ(1912, list[2].jahr);

    EXPECT_TRUE(refusal([&] { (void)Wirtschaftsjahre::loeschen(*b.dm, 1); }).startsWith("Das aktive Wirtschaftsjahr kann nicht gelöscht werden."));
    Wirtschaftsjahre::auswaehlen(*b.dm, y2023);
    EXPECT_EQ(2023, b.dm->gibJahr());
    EXPECT_EQ(1, b.count("T_Einstellungen", "mandant = 5"));
    EXPECT_EQ("Das Wirtschaftsjahrwurde vollständig gelöscht!?", Wirtschaftsjahre::loeschen(*b.dm, 1).toStdString());
    EXPECT_EQ(0, b.count("T_Zeitraum", "id = 1"));
    EXPECT_TRUE(refusal([&] { (void)Wirtschaftsjahre::loeschen(*b.dm, 2); }).contains("kein Wirtschaftsjahr")) << "another client's year";
}

TEST(FiscalYears, ChoosingForAClientWithoutSettingsRowCreatesIt) {
    TestBooks b;
    b.addClient(5, "Muster", true, 0, 0);
    const int id = Wirtschaftsjahre::anlegen(*b.dm, "2024");
    EXPECT_EQ(-1, b.dm->gibZeitraum());
    Wirtschaftsjahre::auswaehlen(*b.dm, id);
    EXPECT_EQ(id, b.dm->gibZeitraum());
    EXPECT_EQ(1, b.count("T_Einstellungen", "mandant = 5"));
}

TEST(BookingCircles, CreateChangeDeleteAndTheirRefusals) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addClient(6, "Andere", false, 2024, 2);
    b.addCircle(6, 40, "Fremd", "FR");
    const int waren = Buchungskreise::anlegen(*b.dm, "Waren", "WA");
    const int miete = Buchungskreise::anlegen(*b.dm, "Miete", "MI");
    EXPECT_EQ(41, waren);
    const auto list = Buchungskreise::liste(*b.dm);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("Miete", list[0].name.toStdString()) << "by name";
    const struct {
        const char* name;
        const char* kurz;
        const char* says;
    } refused[] = {{"X", "ABC", "höchstens 2 Zeichen"}, {"X", "", "Kürzel"},         {"X", "WA", "bereits ein anderer"},
                   {"X", "wa", "bereits ein anderer"},  {"", "XY", "Bezeichnung"},   {"Tab\tKreis", "TK", "Steuerzeichen"}};
    for (const auto& c : refused)
        EXPECT_TRUE(refusal([&] { (void)Buchungskreise::anlegen(*b.dm, c.name, c.kurz); }).contains(QString::fromUtf8(c.says))) << c.says;
    EXPECT_NO_THROW((void)Buchungskreise::anlegen(*b.dm, "Fremd", "FR")) << "another client's short name does not count";
    Buchungskreise::aendern(*b.dm, miete, "Miete und Pacht", "MP");
    Buchungskreise::aendern(*b.dm, miete, "Miete und Pacht", "MP");  // its own short name is no clash
    EXPECT_EQ(1, b.count("T_BKreis", "BKName = 'Miete und Pacht' AND BKKurz = 'MP'"));
    EXPECT_TRUE(refusal([&] { Buchungskreise::aendern(*b.dm, 40, "X", "X"); }).contains("keinen Buchungskreis"));

    b.addBooking(5, 1, 1, QDate(2024, 1, 1), 1, "1", 0, waren);
    EXPECT_EQ("Auf diesen Buchungskreis wurde bereits gebucht und kann deshalb nicht mehr gelöscht werden.",
              refusal([&] { Buchungskreise::loeschen(*b.dm, waren); }));
    Buchungskreise::loeschen(*b.dm, miete);
    EXPECT_EQ(0, b.count("T_BKreis", QStringLiteral("id = %1").arg(miete)));
}

TEST(MasterData, WritesTheActiveClientsRowAndRefusesTooLongValues) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addClient(6, "Andere", false, 2024, 2);
    Stammdaten s = StammdatenVerwaltung::lesen(*b.dm);
    EXPECT_FALSE(s.steuerDE.has_value());
    s.ganzerName = "Muster GmbH";
    s.referat = "12";
    s.steuerDE = true;
    StammdatenVerwaltung::schreiben(*b.dm, s);
    EXPECT_TRUE(b.dm->gibSteuerDE());
    EXPECT_EQ(1, b.count("T_Stammdaten", "mandant = 5 AND GanzerName = 'Muster GmbH' AND SteuerDE = 1"));
    EXPECT_EQ(1, b.count("T_Stammdaten", "mandant = 6 AND GanzerName IS NULL"));
    s.referat = QString(21, 'x');
    EXPECT_TRUE(refusal([&] { StammdatenVerwaltung::schreiben(*b.dm, s); }).contains("Referat"));
}
