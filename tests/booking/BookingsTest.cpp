#include "booking/Bookings.h"
#include "store/DbError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Books : TestBooks {
    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        addClient(6, "Andere", false, 2024, 2);
        addCircle(6, 2, "Fremd", "FR");
    }
    static Buchungsdaten daten(const char* betrag, int satz, int einnahme = 1) {
        return testBuchung(QDate(2024, 2, 1), betrag, satz, einnahme);
    }
};

std::vector<std::pair<int, qint64>> movements(TestBooks& b) {
    std::vector<std::pair<int, qint64>> rows;
    QSqlQuery q = b.db().query("SELECT Konten_Nr, St_Betrag FROM t_kontenbewegungen ORDER BY id");
    while (q.next())
        rows.push_back({q.value(0).toInt(), q.value(1).toLongLong()});
    return rows;
}

} // namespace

TEST(Bookings, NewBookingGetsNextIdsAndItsMovementsInOrder) {
    Books b;
    b.addBooking(6, 41, 2, QDate(2024, 1, 1), 1, "1", 0, 2);
    b.addMovement(6, 77, 41, 1000, "0");
    Buchungsdaten eu = Books::daten("1000", 20, 2);
    eu.istEU = JaNein::Ja;
    const GebuchteBuchung g = Buchungen::buchen(*b.dm, eu);
    EXPECT_EQ(42, g.id) << "ids count across clients";
    EXPECT_EQ(1, g.belegnummer);
    ASSERT_EQ(2u, g.bewegungen.size());
    EXPECT_EQ(78, g.bewegungen[0].id);
    EXPECT_EQ(1021, g.bewegungen[0].bewegung.konto);
    EXPECT_EQ(79, g.bewegungen[1].id) << "the second movement takes the next id";
    EXPECT_EQ(2021, g.bewegungen[1].bewegung.konto);
    EXPECT_EQ(2000000, g.bewegungen[1].bewegung.betrag.units());
    EXPECT_EQ(1, b.count("T_Buchungen", "mandant = 5 AND Wirtschaftsjahr = 1 AND IstEU = 1 AND IstKFZ = 2 AND Betrag = 10000000"));
}

TEST(Bookings, ChangeRepostsExactlyTheNewStateAndDeleteLeavesNothing) {
    Books b;
    Buchungsdaten d = Books::daten("1000", 20, 2);
    d.istEU = JaNein::Ja;
    const int id = Buchungen::buchen(*b.dm, d).id;
    b.buche(Books::daten("55", 10));
    d.istEU = JaNein::Nein;
    d.betrag = Currency::parse("240");
    d.istKFZ = JaNein::Ja;
    const GebuchteBuchung g = Buchungen::aendern(*b.dm, id, d);
    ASSERT_EQ(1u, g.bewegungen.size());
    EXPECT_EQ((std::vector<std::pair<int, qint64>>{{1010, 50000}, {2020, 400000}}), movements(b));
    EXPECT_EQ(1, b.count("T_Buchungen", "ID = " + QString::number(id) + " AND IstKFZ = 1 AND IstEU = 2"));

    Buchungen::loeschen(*b.dm, id);
    EXPECT_EQ(0, b.count("T_Buchungen", "ID = " + QString::number(id)));
    EXPECT_EQ((std::vector<std::pair<int, qint64>>{{1010, 50000}}), movements(b));
    EXPECT_THROW(Buchungen::loeschen(*b.dm, id), KassolError) << "an unknown id";
}

TEST(Bookings, AFailureWhilePostingLeavesTheBooksAsTheyWere) {
    Books b;
    b.buche(Books::daten("120", 20));
    b.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON t_kontenbewegungen WHEN NEW.Konten_Nr = 2021 "
                "BEGIN SELECT RAISE(ABORT, 'Platte voll'); END");
    Buchungsdaten eu = Books::daten("1000", 20, 2);
    eu.istEU = JaNein::Ja;
    EXPECT_THROW((void)Buchungen::buchen(*b.dm, eu), DbError);
    EXPECT_EQ(1, b.count("T_Buchungen"));
    EXPECT_EQ(1, b.count("t_kontenbewegungen"));

    Buchungsdaten changed = Books::daten("1000", 20, 2);
    changed.istEU = JaNein::Ja;
    EXPECT_THROW((void)Buchungen::aendern(*b.dm, 1, changed), DbError);
    EXPECT_EQ(1, b.count("T_Buchungen", "IstEinnahme = 1 AND IstEU = 2 AND Betrag = 1200000"));
    EXPECT_EQ(1, b.count("t_kontenbewegungen", "Konten_Nr = 1020 AND St_Betrag = 200000"));
    const Buchungsdaten kept = Buchungen::lesen(*b.dm, 1);
    EXPECT_EQ(Buchungsart::Einnahme, kept.art) << "the booking reads as it was kept";
    EXPECT_EQ(Currency::parse("120"), kept.betrag);
}

TEST(Bookings, BadValuesAreRefusedAndNothingIsWritten) {
    Books b;
    const auto with = [](auto change) {
        Buchungsdaten d = Books::daten("10", 20, 2);
        change(d);
        return d;
    };
    const struct {
        Buchungsdaten daten;
        const char* says;
    } cases[] = {
        {with([](Buchungsdaten& d) { d.betrag.reset(); }), "Betrag"},
        {with([](Buchungsdaten& d) { d.bk.reset(); }), "Buchungskreis angeben"},
        {with([](Buchungsdaten& d) { d.bk = 2; }), "gehört nicht zum aktiven Mandanten"},
        {with([](Buchungsdaten& d) { d.bk = 99; }), "gehört nicht zum aktiven Mandanten"},
        {with([](Buchungsdaten& d) { d.text = QString(101, 'x'); }), "höchstens 100 Zeichen"},
        {with([](Buchungsdaten& d) { d.text = QStringLiteral("Miete\tJänner"); }), "Steuerzeichen"},
        {with([](Buchungsdaten& d) { d.text = QStringLiteral("Miete\r\nJänner"); }), "Steuerzeichen"},
        {with([](Buchungsdaten& d) { d.text = QString(QChar(0)); }), "Steuerzeichen"},
        {with([](Buchungsdaten& d) { d.steuersatz = 25; }), "kein Steuerkonto"},
        {with([](Buchungsdaten& d) { d.steuersatz = 21; }), "kein Steuerkonto"},
        {with([](Buchungsdaten& d) { d.steuersatz = 7; }), "Kleinwalsertal"},
        {with([](Buchungsdaten& d) { d.betrag = Currency::parse("1000000000"); }), "höchstens 999.999.999,99"},
        {with([](Buchungsdaten& d) { d.betrag = Currency::parse("-1000000000"); }), "höchstens 999.999.999,99"},
        {with([](Buchungsdaten& d) { d.datum = QDate(2023, 12, 31); }), "nicht im Wirtschaftsjahr 2024"},
        {with([](Buchungsdaten& d) { d.steuersatz = -100; }), "Steuersatz"},
        {with([](Buchungsdaten& d) { d.art = Buchungsart::Einnahme; d.istKFZ = JaNein::Ja; }), "nur bei Ausgaben"},
        {with([](Buchungsdaten& d) { d.istEU = JaNein::Ja; d.istDrittland = JaNein::Ja; }), "zugleich innergemeinschaftlich"},
        {with([](Buchungsdaten& d) { d.istDrittland = JaNein::Ja; d.istGebaeude = JaNein::Ja; }), "schließen KFZ und Gebäude aus"},
        {with([](Buchungsdaten& d) { d.istKFZ = JaNein::Ja; d.istGebaeude = JaNein::Ja; }), "zugleich KFZ und Gebäude"},
        {with([](Buchungsdaten& d) { d.istEU = static_cast<JaNein>(3); }), "1 (ja) oder 2 (nein)"},
    };
    for (const auto& c : cases) {
        try {
            b.buche(c.daten);
            ADD_FAILURE() << c.says;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(0, b.count("T_Buchungen"));
    // A text is measured in characters: a hundred emoji are a hundred, not two hundred.
    Buchungsdaten lang = Books::daten("999999999,99", 20);
    lang.text = QString::fromUtf8("😀").repeated(100);
    EXPECT_NO_THROW(b.buche(lang));
    b.db().exec("UPDATE T_Stammdaten SET SteuerDE = 1");
    EXPECT_NO_THROW(b.buche(Books::daten("107", 7))) << "the German rates with \"Steuersätze DE\"";
    EXPECT_EQ(1, b.count("t_kontenbewegungen", "Konten_Nr = 1007 AND St_Betrag = 70000"));
}

TEST(Bookings, VoucherNumbersCountOnFromTheHighestGivenByHand) {
    Books b;
    Buchungsdaten d = Books::daten("1", 0);
    d.belegnummer = 7;
    b.buche(d);
    EXPECT_EQ(8, Buchungen::buchen(*b.dm, Books::daten("1", 0, 2)).belegnummer);
}

TEST(Bookings, StoredFlagsReadAsTheirKindsAndOtherNumbersAreRefused) {
    Books b;
    b.addBooking(5, 1, 1, QDate(2024, 2, 1), 3, "120", 20, 1, 2, 1);
    Buchungsdaten d = Buchungen::lesen(*b.dm, 1);
    EXPECT_EQ(Buchungsart::Ausgabe, d.art);
    EXPECT_EQ(JaNein::Ja, d.istEU);
    EXPECT_EQ(JaNein::Nein, d.istKFZ);
    EXPECT_EQ(3, d.belegnummer);
    d.belegnummer.reset();
    EXPECT_EQ(3, Buchungen::aendern(*b.dm, 1, d).belegnummer) << "an empty voucher number keeps the booking's own";

    b.db().exec("UPDATE T_Buchungen SET IstEinnahme = NULL, IstKFZ = NULL");
    d = Buchungen::lesen(*b.dm, 1);
    EXPECT_EQ(Buchungsart::Ausgabe, d.art) << "as the lists take an empty kind";
    EXPECT_EQ(JaNein::Nein, d.istKFZ);

    for (const char* column : {"IstEinnahme", "IstGebaeude"}) {
        b.db().exec("UPDATE T_Buchungen SET IstEinnahme = 2, IstGebaeude = 2");
        b.db().exec(QStringLiteral("UPDATE T_Buchungen SET %1 = 0").arg(QLatin1String(column)));
        try {
            (void)Buchungen::lesen(*b.dm, 1);
            ADD_FAILURE() << column;
        } catch (const KassolError& e) {
            EXPECT_EQ("Die Kennzeichen der Buchung müssen 1 (ja) oder 2 (nein) sein.", e.message().toStdString()) << column;
        }
    }
}
