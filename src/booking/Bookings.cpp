#include "booking/Bookings.h"

#include "app/KassolError.h"
#include "store/DM_KS.h"

#include <algorithm>

namespace {

const QString BewegungenDerBuchung_Sql = QStringLiteral(
    "SELECT id, Konten_Nr, St_Betrag FROM t_kontenbewegungen WHERE Buchungen_id = :id AND mandant = :mandant");
const QString KreisDesMandanten_Sql = QStringLiteral("SELECT 1 FROM T_BKreis WHERE id = :bk AND mandant = :mandant");

constexpr std::int64_t MaxBetragUnits = 9223372036854775807LL;

void fillRow(DataSet& row, const Buchungsdaten& d) {
    row.setFieldDate(QStringLiteral("Buchungsdatum"), d.datum);
    row.setField(QStringLiteral("Text"), d.text);
    row.setField(QStringLiteral("Betrag"), d.betrag ? QVariant::fromValue<qlonglong>(d.betrag->units()) : QVariant());
    row.setField(QStringLiteral("Steuersatz"), d.steuersatz ? QVariant(*d.steuersatz) : QVariant());
    row.setField(QStringLiteral("BK"), d.bk ? QVariant(*d.bk) : QVariant());
    row.setField(QStringLiteral("IstEinnahme"), d.istEinnahme);
    row.setField(QStringLiteral("IstEU"), d.istEU);
    row.setField(QStringLiteral("IstDrittland"), d.istDrittland);
    row.setField(QStringLiteral("IstKFZ"), d.istKFZ);
    row.setField(QStringLiteral("IstGebaeude"), d.istGebaeude);
}

int aktiverMandantMitJahr(TDM_EinAus& dm) {
    const int mandant = dm.gibAktiverMandant();
    if (mandant == -1 || dm.gibZeitraum() == -1)
        throw KassolError(QStringLiteral("Es ist kein aktiver Mandant mit einem aktuellen Wirtschaftsjahr eingerichtet."));
    return mandant;
}

// Restricts ADO_Buchungen to the one booking of the client and stands on it.
void oeffneBuchung(TDM_EinAus& dm, int id, int mandant) {
    DataSet& b = dm.ADO_Buchungen;
    dm.db();
    b.close();
    b.setRestriction(QStringLiteral("ID = :id AND mandant = :mandant AND Wirtschaftsjahr = :zeitraum"),
                     {{QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), mandant}, {QStringLiteral(":zeitraum"), dm.gibZeitraum()}});
    b.open();
    if (b.isEmpty())
        throw KassolError(
            QStringLiteral("Es gibt keine Buchung mit der Nummer %1 im aktuellen Wirtschaftsjahr des aktiven Mandanten.").arg(id));
}

GebuchteBuchung ergebnis(TDM_EinAus& dm, int id) {
    GebuchteBuchung g;
    g.id = id;
    g.belegnummer = dm.ADO_Buchungen.fieldInt(QStringLiteral("Belegnummer"));
    g.bewegungen = Buchungen::bewegungen(dm, id);
    return g;
}

} // namespace

namespace Buchungen {

void pruefeKennzeichen(const Buchungsdaten& d) {
    const auto isFlag = [](int v) { return v == 1 || v == 2; };
    if ((d.istEinnahme != 1 && d.istEinnahme != 2) || !isFlag(d.istEU) || !isFlag(d.istDrittland) || !isFlag(d.istKFZ) ||
        !isFlag(d.istGebaeude))
        throw KassolError(QStringLiteral("Die Kennzeichen der Buchung müssen 1 (ja) oder 2 (nein) sein."));
    const bool eu = d.istEU == 1, dritt = d.istDrittland == 1, kfz = d.istKFZ == 1, geb = d.istGebaeude == 1;
    if (d.istEinnahme == 1 && (eu || dritt || kfz || geb))
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
    if (d.betrag->units() >= MaxBetragUnits || d.betrag->units() <= -MaxBetragUnits)
        throw KassolError(QStringLiteral("Der Betrag ist zu groß."));
    if (!d.bk)
        throw KassolError(QStringLiteral("Sie müssen einen Buchungskreis angeben!\n\rBei Bedarf können sie einen neuen anlegen!"));
    if (!d.steuersatz)
        throw KassolError(QStringLiteral("Bitte geben Sie einen Steuersatz an."));
    // Account numbers are formed as 1000 + rate and 2000 + rate: a rate beyond 999 would post into
    // another range of the chart, and a negative one is no VAT rate.
    if (*d.steuersatz < 0 || *d.steuersatz > 999)
        throw KassolError(QStringLiteral("Der Steuersatz %1 ist ungültig; erlaubt sind ganze Zahlen von 0 bis 999.").arg(*d.steuersatz));
    if (d.text.size() > 100)
        throw KassolError(QStringLiteral("Der Buchungstext darf höchstens 100 Zeichen lang sein (eingegeben: %1).").arg(d.text.size()));
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

void speichereAktuelleBuchung(TDM_EinAus& dm) {
    DataSet& row = dm.ADO_Buchungen;
    const bool neu = row.state() == DataSet::State::Insert;
    if (!neu && row.state() != DataSet::State::Edit)
        return;
    try {
        auto tx = dm.db().transaction();
        row.post();
        if (!neu)
            LoeschenKontenbewegungen(dm, row.fieldInt(QStringLiteral("ID")), false, dm.gibAktiverMandant());
        SteuerBuchen(dm, row);
        tx.commit();
    } catch (...) {
        // The data set may already hold the row that the rollback took back; read it afresh.
        row.cancel();
        row.requery();
        throw;
    }
}

GebuchteBuchung buchen(TDM_EinAus& dm, const Buchungsdaten& d) {
    pruefe(dm, d);
    const int mandant = dm.gibAktiverMandant();
    DataSet& row = dm.ADO_Buchungen;
    dm.db();
    row.close();
    row.setRestriction(QStringLiteral("0"));
    row.open();
    const int id = dm.neueID(QStringLiteral("T_Buchungen"));
    const int belegnummer = d.belegnummer ? *d.belegnummer : dm.neueBelegnummer();
    const int zeitraum = dm.gibZeitraum();
    row.insert();
    row.setField(QStringLiteral("mandant"), mandant);
    row.setField(QStringLiteral("ID"), id);
    row.setField(QStringLiteral("Wirtschaftsjahr"), zeitraum);
    row.setField(QStringLiteral("Belegnummer"), belegnummer);
    fillRow(row, d);
    speichereAktuelleBuchung(dm);
    return ergebnis(dm, id);
}

GebuchteBuchung aendern(TDM_EinAus& dm, int id, const Buchungsdaten& d) {
    pruefe(dm, d);
    const int mandant = dm.gibAktiverMandant();
    oeffneBuchung(dm, id, mandant);
    DataSet& row = dm.ADO_Buchungen;
    row.edit();
    if (d.belegnummer)
        row.setField(QStringLiteral("Belegnummer"), *d.belegnummer);
    fillRow(row, d);
    speichereAktuelleBuchung(dm);
    return ergebnis(dm, id);
}

void loeschen(TDM_EinAus& dm, int id) {
    const int mandant = aktiverMandantMitJahr(dm);
    oeffneBuchung(dm, id, mandant);
    auto tx = dm.db().transaction();
    LoeschenKontenbewegungen(dm, id, true, mandant);
    tx.commit();
    dm.ADO_Buchungen.requery();
}

Buchungsdaten lesen(TDM_EinAus& dm, int id) {
    const int mandant = aktiverMandantMitJahr(dm);
    oeffneBuchung(dm, id, mandant);
    const DataSet& row = dm.ADO_Buchungen;
    Buchungsdaten d;
    d.datum = row.fieldDate(QStringLiteral("Buchungsdatum"));
    if (!row.isNull(QStringLiteral("Belegnummer")))
        d.belegnummer = row.fieldInt(QStringLiteral("Belegnummer"));
    d.text = row.fieldText(QStringLiteral("Text"));
    d.betrag = row.fieldCurrency(QStringLiteral("Betrag"));
    if (!row.isNull(QStringLiteral("Steuersatz")))
        d.steuersatz = row.fieldInt(QStringLiteral("Steuersatz"));
    if (!row.isNull(QStringLiteral("BK")))
        d.bk = row.fieldInt(QStringLiteral("BK"));
    d.istEinnahme = row.fieldInt(QStringLiteral("IstEinnahme"), 2);
    d.istEU = row.fieldInt(QStringLiteral("IstEU"), 2);
    d.istDrittland = row.fieldInt(QStringLiteral("IstDrittland"), 2);
    d.istKFZ = row.fieldInt(QStringLiteral("IstKFZ"), 2);
    d.istGebaeude = row.fieldInt(QStringLiteral("IstGebaeude"), 2);
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
