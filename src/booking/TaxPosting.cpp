#include "booking/TaxPosting.h"

#include "app/KassolError.h"
#include "store/DM_KS.h"

#include <cfenv>
#include <cmath>

namespace {

const QString InsertBewegung_Sql = QStringLiteral(
    "INSERT INTO t_kontenbewegungen ( mandant, id, Buchungen_id, Konten_Nr, St_Betrag ) values (:mandant, :id, "
    ":Buchungen_id, :Konten_nr, :St_Betrag);");
const QString LoescheBewegungen_Sql = QStringLiteral("delete from t_Kontenbewegungen\nwhere buchungen_id = :id\nand mandant = :mandant");
const QString LoescheBuchung_Sql = QStringLiteral("delete from t_buchungen\nwhere id = :id\nand mandant = :mandant");

// The tax share contained in a gross amount, in the documented order of double operations.
double steueranteil(double brutto, int satz) {
    const double divisor = (static_cast<double>(satz) + 100.0) / 100.0;
    const double netto = brutto / divisor;
    return brutto - netto;
}

} // namespace

double round2(double value) {
    std::fesetround(FE_TONEAREST);
    const long double scaled = static_cast<long double>(value) * 100.0L;
    return static_cast<double>(std::nearbyintl(scaled) * 0.01L);
}

std::vector<Steuerbewegung> berechneSteuerbewegungen(const BuchungFuerSteuer& b) {
    const double betrag = b.betrag.toDouble();
    const int r = b.steuersatz;
    if (b.istEinnahme == 1)
        return {{1000 + r, Currency::fromDouble(round2(steueranteil(betrag, r)))}};
    if (b.istDrittland == 1)
        return {{3000, b.betrag}};
    if (b.istEU == 1) {
        const double hundertstel = betrag / 100.0;
        const Currency steuer = Currency::fromDouble(round2(hundertstel * r));
        return {{1021, steuer}, {2021, steuer}};
    }
    return {{2000 + r, Currency::fromDouble(round2(steueranteil(betrag, r)))}};
}

void SteuerBuchen(TDM_EinAus& dm, const DataSet& buchung) {
    const int mandant = dm.gibAktiverMandant();
    const auto betrag = buchung.fieldCurrency(QStringLiteral("Betrag"));
    const QVariant satz = buchung.field(QStringLiteral("Steuersatz"));
    if (satz.isNull())
        throw KassolError(QStringLiteral("Die Buchung hat keinen Steuersatz; die Steuer kann nicht gebucht werden."));
    if (!betrag)
        throw KassolError(QStringLiteral("Sie müssen im Feld Betrag einen Wert angeben!"));
    BuchungFuerSteuer b;
    b.istEinnahme = buchung.fieldInt(QStringLiteral("IstEinnahme"), 0);
    b.istEU = buchung.fieldInt(QStringLiteral("IstEU"), 0);
    b.istDrittland = buchung.fieldInt(QStringLiteral("IstDrittland"), 0);
    b.betrag = *betrag;
    b.steuersatz = satz.toInt();
    const int buchungsId = buchung.fieldInt(QStringLiteral("ID"));
    for (const Steuerbewegung& s : berechneSteuerbewegungen(b)) {
        const int id = dm.neueID(QStringLiteral("t_Kontenbewegungen"));
        dm.db().exec(InsertBewegung_Sql,
                     {{QStringLiteral(":mandant"), mandant},
                      {QStringLiteral(":id"), id},
                      {QStringLiteral(":Buchungen_id"), buchungsId},
                      {QStringLiteral(":Konten_nr"), s.konto},
                      {QStringLiteral(":St_Betrag"), QVariant::fromValue<qlonglong>(s.betrag.units())}},
                     QStringLiteral("Steuer buchen"));
    }
}

void LoeschenKontenbewegungen(TDM_EinAus& dm, int buchungsId, bool buchungLoeschen, int mandant) {
    const SqlParams params{{QStringLiteral(":id"), buchungsId}, {QStringLiteral(":mandant"), mandant}};
    dm.db().exec(LoescheBewegungen_Sql, params, QStringLiteral("Steuerbuchungen löschen"));
    if (buchungLoeschen)
        dm.db().exec(LoescheBuchung_Sql, params, QStringLiteral("Buchung löschen"));
}
