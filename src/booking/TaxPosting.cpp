#include "booking/TaxPosting.h"

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
    if (b.art == Buchungsart::Einnahme)
        return {{1000 + r, Currency::fromDouble(round2(steueranteil(betrag, r)))}};
    if (ja(b.istDrittland))
        return {{3000, b.betrag}};
    if (ja(b.istEU)) {
        const double hundertstel = betrag / 100.0;
        const Currency steuer = Currency::fromDouble(round2(hundertstel * r));
        return {{1021, steuer}, {2021, steuer}};
    }
    return {{2000 + r, Currency::fromDouble(round2(steueranteil(betrag, r)))}};
}

std::vector<GespeicherteBewegung> SteuerBuchen(TDM_EinAus& dm, int buchungsId, const BuchungFuerSteuer& buchung, int mandant) {
    std::vector<GespeicherteBewegung> geschrieben;
    for (const Steuerbewegung& s : berechneSteuerbewegungen(buchung)) {
        const int id = dm.neueID(QStringLiteral("t_Kontenbewegungen"));
        dm.db().exec(InsertBewegung_Sql,
                     {{QStringLiteral(":mandant"), mandant},
                      {QStringLiteral(":id"), id},
                      {QStringLiteral(":Buchungen_id"), buchungsId},
                      {QStringLiteral(":Konten_nr"), s.konto},
                      {QStringLiteral(":St_Betrag"), QVariant::fromValue<qlonglong>(s.betrag.units())}},
                     QStringLiteral("Steuer buchen"));
        geschrieben.push_back({id, s});
    }
    return geschrieben;
}

void LoeschenKontenbewegungen(TDM_EinAus& dm, int buchungsId, bool buchungLoeschen, int mandant) {
    const SqlParams params{{QStringLiteral(":id"), buchungsId}, {QStringLiteral(":mandant"), mandant}};
    dm.db().exec(LoescheBewegungen_Sql, params, QStringLiteral("Steuerbuchungen löschen"));
    if (buchungLoeschen)
        dm.db().exec(LoescheBuchung_Sql, params, QStringLiteral("Buchung löschen"));
}
