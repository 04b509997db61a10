#include "booking/Bookings.h"

#include "app/Formats.h"
#include "app/KassolError.h"
#include "app/TextRules.h"
#include "store/DM_KS.h"

#include <algorithm>

namespace {

const QString BewegungenDerBuchung_Sql = QStringLiteral(
    "SELECT id, Konten_Nr, St_Betrag FROM t_kontenbewegungen WHERE Buchungen_id = :id AND mandant = :mandant");
const QString KreisDesMandanten_Sql = QStringLiteral("SELECT 1 FROM T_BKreis WHERE id = :bk AND mandant = :mandant");
const QString LeseBuchung_Sql = QStringLiteral(
    "SELECT Buchungsdatum, Belegnummer, Text, Betrag, Steuersatz, BK, IstEinnahme, IstEU, IstDrittland, IstKFZ, IstGebaeude "
    "FROM T_Buchungen WHERE ID = :id AND mandant = :mandant AND Wirtschaftsjahr = :zeitraum");
const QString InsertBuchung_Sql = QStringLiteral(
    "INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Belegnummer, Buchungsdatum, Text, Betrag, Steuersatz, BK, "
    "IstEinnahme, IstEU, IstDrittland, IstKFZ, IstGebaeude) VALUES (:mandant, :id, :zeitraum, :belegnummer, :datum, :text, "
    ":betrag, :steuersatz, :bk, :isteinnahme, :isteu, :istdrittland, :istkfz, :istgebaeude)");
// An empty voucher number keeps the booking's own.
const QString UpdateBuchung_Sql = QStringLiteral(
    "UPDATE T_Buchungen SET Belegnummer = coalesce(:belegnummer, Belegnummer), Buchungsdatum = :datum, Text = :text, "
    "Betrag = :betrag, Steuersatz = :steuersatz, BK = :bk, IstEinnahme = :isteinnahme, IstEU = :isteu, "
    "IstDrittland = :istdrittland, IstKFZ = :istkfz, IstGebaeude = :istgebaeude "
    "WHERE ID = :id AND mandant = :mandant AND Wirtschaftsjahr = :zeitraum");

// No small business books a single receipt near a billion euros; the limit keeps every sum of a
// year far from the end of the 64-bit range.
constexpr std::int64_t MaxBetragUnits = 999'999'999'99LL * 100;
const QString Kontenplan_Sql = QStringLiteral("SELECT Kontonummer, Steuersatz FROM T_Kontenplan");

template <class T>
QVariant wertOderNull(const std::optional<T>& v) {
    return v ? QVariant(*v) : QVariant();
}

// The parameters of the insert and the update: the row's key and the booking's values.
SqlParams parameter(const Buchungsdaten& d, int id, int mandant, int zeitraum, std::optional<int> belegnummer) {
    return {{QStringLiteral(":mandant"), mandant},
            {QStringLiteral(":id"), id},
            {QStringLiteral(":zeitraum"), zeitraum},
            {QStringLiteral(":belegnummer"), wertOderNull(belegnummer)},
            {QStringLiteral(":datum"), d.datum.isValid() ? QVariant(d.datum.toString(Qt::ISODate)) : QVariant()},
            {QStringLiteral(":text"), d.text},
            {QStringLiteral(":betrag"), d.betrag ? QVariant::fromValue<qlonglong>(d.betrag->units()) : QVariant()},
            {QStringLiteral(":steuersatz"), wertOderNull(d.steuersatz)},
            {QStringLiteral(":bk"), wertOderNull(d.bk)},
            {QStringLiteral(":isteinnahme"), gespeichert(d.art)},
            {QStringLiteral(":isteu"), gespeichert(d.istEU)},
            {QStringLiteral(":istdrittland"), gespeichert(d.istDrittland)},
            {QStringLiteral(":istkfz"), gespeichert(d.istKFZ)},
            {QStringLiteral(":istgebaeude"), gespeichert(d.istGebaeude)}};
}

BuchungFuerSteuer fuerSteuer(const Buchungsdaten& d) { return {d.art, d.istEU, d.istDrittland, *d.betrag, *d.steuersatz}; }

int aktiverMandantMitJahr(TDM_EinAus& dm) {
    const int mandant = dm.gibAktiverMandant();
    if (mandant == -1 || dm.gibZeitraum() == -1)
        throw KassolError(QStringLiteral("Es ist kein aktiver Mandant mit einem aktuellen Wirtschaftsjahr eingerichtet."));
    return mandant;
}

KassolError unbekannteBuchung(int id) {
    return KassolError(
        QStringLiteral("Es gibt keine Buchung mit der Nummer %1 im aktuellen Wirtschaftsjahr des aktiven Mandanten.").arg(id));
}

// The stored row of the client's booking in the current year; raises KassolError when there is none.
QSqlQuery leseZeile(TDM_EinAus& dm, int id, int mandant) {
    QSqlQuery q = dm.db().query(LeseBuchung_Sql,
                                {{QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), mandant}, {QStringLiteral(":zeitraum"), dm.gibZeitraum()}},
                                QStringLiteral("Buchung lesen"));
    if (!q.next())
        throw unbekannteBuchung(id);
    return q;
}

// An empty flag counts as no, as the lists and reports take it.
JaNein kennzeichen(const QVariant& v) { return v.isNull() ? JaNein::Nein : jaNeinAus(v.toInt()); }

} // namespace

namespace Buchungen {

void pruefeBetrag(Currency betrag) {
    if (betrag.units() > MaxBetragUnits || betrag.units() < -MaxBetragUnits)
        throw KassolError(QStringLiteral("Der Betrag %1 ist zu groß; eine Buchung darf höchstens 999.999.999,99 € betragen.")
                              .arg(Formats::amount(betrag)));
}

void Steuersaetze::pruefe(Buchungsart art, int satz) const {
    // The chart holds the accounts a rate posts to; a rate without one would drop out of the VAT
    // reconciliation while the totals count its tax.
    if (!(art == Buchungsart::Einnahme ? einnahmen : ausgaben).contains(satz))
        throw KassolError(QStringLiteral("Für den Steuersatz %1 % gibt es kein Steuerkonto. Erlaubt sind 0, 5, 10, 12, 13 "
                                         "und 20 %, mit \u201ESteuersätze DE\u201C in den Stammdaten auch 7 und 19 %.")
                              .arg(satz));
    if ((satz == 7 || satz == 19) && !steuerDE)
        throw KassolError(QStringLiteral("Die Steuersätze 7 % und 19 % gelten nur für Mandanten im Kleinwalsertal. Kreuzen "
                                         "Sie dafür in den Stammdaten \u201ESteuersätze DE\u201C an."));
}

Steuersaetze erlaubteSteuersaetze(TDM_EinAus& dm) {
    Steuersaetze s;
    s.steuerDE = dm.gibSteuerDE();
    QSqlQuery q = dm.db().query(Kontenplan_Sql, {}, QStringLiteral("Kontenplan lesen"));
    while (q.next()) {
        const int konto = q.value(0).toInt();
        const int satz = q.value(1).toInt();
        // 1021 and 2021 carry 20 % but belong to acquisitions; only 1000 + r and 2000 + r name a rate.
        if (konto == 1000 + satz)
            s.einnahmen.insert(satz);
        else if (konto == 2000 + satz)
            s.ausgaben.insert(satz);
    }
    return s;
}

void pruefeKennzeichen(const Buchungsdaten& d) {
    if (!gueltig(d.art) || !gueltig(d.istEU) || !gueltig(d.istDrittland) || !gueltig(d.istKFZ) || !gueltig(d.istGebaeude))
        throw ungueltigesKennzeichen();
    const bool eu = ja(d.istEU), dritt = ja(d.istDrittland), kfz = ja(d.istKFZ), geb = ja(d.istGebaeude);
    if (d.art == Buchungsart::Einnahme && (eu || dritt || kfz || geb))
        throw KassolError(QStringLiteral("Eine Einnahme kann nicht innergemeinschaftlich, Einfuhr aus Drittland, KFZ oder "
                                         "Gebäude sein; diese Kennzeichen gibt es nur bei Ausgaben."));
    if (eu && dritt)
        throw KassolError(QStringLiteral("Eine Buchung kann nicht zugleich innergemeinschaftlich und Einfuhr aus Drittland sein."));
    if ((eu || dritt) && (kfz || geb))
        throw KassolError(QStringLiteral("Innergemeinschaftlich und Einfuhr aus Drittland schließen KFZ und Gebäude aus."));
    if (kfz && geb)
        throw KassolError(QStringLiteral("Eine Ausgabe kann nicht zugleich KFZ und Gebäude sein."));
}

void pruefe(TDM_EinAus& dm, const Buchungsdaten& d) {
    const int mandant = aktiverMandantMitJahr(dm);
    pruefeKennzeichen(d);
    if (!d.betrag)
        throw KassolError(QStringLiteral("Sie müssen im Feld Betrag einen Wert angeben!"));
    pruefeBetrag(*d.betrag);
    if (!d.bk)
        throw KassolError(QStringLiteral("Sie müssen einen Buchungskreis angeben!\n\rBei Bedarf können sie einen neuen anlegen!"));
    if (!d.steuersatz)
        throw KassolError(QStringLiteral("Bitte geben Sie einen Steuersatz an."));
    // Account numbers are formed as 1000 + rate and 2000 + rate: a rate beyond 999 would post into
    // another range of the chart, and a negative one is no VAT rate.
    if (*d.steuersatz < 0 || *d.steuersatz > 999)
        throw KassolError(QStringLiteral("Der Steuersatz %1 ist ungültig; erlaubt sind ganze Zahlen von 0 bis 999.").arg(*d.steuersatz));
    erlaubteSteuersaetze(dm).pruefe(d.art, *d.steuersatz);
    Textregeln::pruefe(QStringLiteral("Buchungstext"), d.text, 100);
    if (!d.datum.isValid())
        throw KassolError(QStringLiteral("Bitte geben Sie ein gültiges Belegdatum an."));
    const int jahr = dm.gibJahr();
    if (d.datum.year() != jahr)
        throw KassolError(QStringLiteral("Das Belegdatum %1 liegt nicht im Wirtschaftsjahr %2.")
                              .arg(d.datum.toString(QStringLiteral("dd.MM.yyyy")))
                              .arg(jahr));
    if (d.belegnummer && *d.belegnummer < 0)
        throw KassolError(QStringLiteral("Die Belegnummer darf nicht negativ sein."));
    if (!dm.db().scalar(KreisDesMandanten_Sql, {{QStringLiteral(":bk"), *d.bk}, {QStringLiteral(":mandant"), mandant}}))
        throw KassolError(QStringLiteral("Der Buchungskreis %1 gehört nicht zum aktiven Mandanten.").arg(*d.bk));
}

GebuchteBuchung buchen(TDM_EinAus& dm, const Buchungsdaten& d) {
    pruefe(dm, d);
    const int mandant = dm.gibAktiverMandant();
    const int zeitraum = dm.gibZeitraum();
    auto tx = dm.db().transaction();
    GebuchteBuchung g;
    g.id = dm.neueID(QStringLiteral("T_Buchungen"));
    g.belegnummer = d.belegnummer ? *d.belegnummer : dm.neueBelegnummer();
    dm.db().exec(InsertBuchung_Sql, parameter(d, g.id, mandant, zeitraum, g.belegnummer), QStringLiteral("Buchung speichern"));
    g.bewegungen = SteuerBuchen(dm, g.id, fuerSteuer(d), mandant);
    tx.markiere(Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    return g;
}

GebuchteBuchung aendern(TDM_EinAus& dm, int id, const Buchungsdaten& d) {
    pruefe(dm, d);
    const int mandant = dm.gibAktiverMandant();
    const int zeitraum = dm.gibZeitraum();
    GebuchteBuchung g;
    g.id = id;
    g.belegnummer = d.belegnummer ? *d.belegnummer : leseZeile(dm, id, mandant).value(1).toInt();
    auto tx = dm.db().transaction();
    if (dm.db().exec(UpdateBuchung_Sql, parameter(d, id, mandant, zeitraum, d.belegnummer), QStringLiteral("Buchung speichern")) == 0)
        throw unbekannteBuchung(id);
    LoeschenKontenbewegungen(dm, id, false, mandant);
    g.bewegungen = SteuerBuchen(dm, id, fuerSteuer(d), mandant);
    tx.markiere(Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    return g;
}

void loeschen(TDM_EinAus& dm, int id) {
    const int mandant = aktiverMandantMitJahr(dm);
    leseZeile(dm, id, mandant);  // refuses a booking of another client or year
    auto tx = dm.db().transaction();
    LoeschenKontenbewegungen(dm, id, true, mandant);
    tx.markiere(Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
}

Buchungsdaten lesen(TDM_EinAus& dm, int id) {
    const int mandant = aktiverMandantMitJahr(dm);
    const QSqlQuery q = leseZeile(dm, id, mandant);
    const auto optionalInt = [&](int column) { return q.value(column).isNull() ? std::nullopt : std::optional<int>(q.value(column).toInt()); };
    Buchungsdaten d;
    d.datum = QDate::fromString(q.value(0).toString().left(10), Qt::ISODate);
    d.belegnummer = optionalInt(1);
    d.text = q.value(2).toString();
    if (!q.value(3).isNull())
        d.betrag = Currency::fromUnits(q.value(3).toLongLong());
    d.steuersatz = optionalInt(4);
    d.bk = optionalInt(5);
    // An empty kind is no income to the lists and reports.
    d.art = q.value(6).isNull() ? Buchungsart::Ausgabe : buchungsartAus(q.value(6).toInt());
    d.istEU = kennzeichen(q.value(7));
    d.istDrittland = kennzeichen(q.value(8));
    d.istKFZ = kennzeichen(q.value(9));
    d.istGebaeude = kennzeichen(q.value(10));
    return d;
}

std::vector<GespeicherteBewegung> bewegungen(TDM_EinAus& dm, int id) {
    std::vector<GespeicherteBewegung> result;
    QSqlQuery q = dm.db().query(BewegungenDerBuchung_Sql, {{QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), dm.gibAktiverMandant()}});
    while (q.next())
        result.push_back({q.value(0).toInt(), {q.value(1).toInt(), Currency::fromUnits(q.value(2).toLongLong())}});
    // Sorted here: an ORDER BY in the statement would lead SQLite to walk all of the client's
    // movements along the primary key instead of seeking the booking's few.
    std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return result;
}

} // namespace Buchungen
