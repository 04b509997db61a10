#include "admin/BookingCircles.h"

#include "app/KassolError.h"
#include "app/TextRules.h"
#include "store/DM_KS.h"

namespace {

const QString Gebucht_Sql = QStringLiteral("SELECT BK\nFROM T_Buchungen\nWHERE (((BK)=:BK) AND ((mandant)=:Mandant));");
const QString Loeschen_Sql = QStringLiteral("DELETE\nFROM T_BKreis\nWHERE (((T_BKreis.id)=:BK) AND ((T_BKreis.mandant)=:Mandant));");

const QString KurzVergeben_Sql = QStringLiteral(
    "SELECT 1 FROM T_BKreis WHERE mandant = :mandant AND BKKurz = :kurz COLLATE DE AND id <> :id");

// Circles are told apart in lists and reports by their short name, so it is required and unique.
void pruefeWerte(TDM_EinAus& dm, int mandant, int id, const QString& name, const QString& kurz) {
    Textregeln::pruefe(QStringLiteral("Bezeichnung"), name, 50);
    if (name.trimmed().isEmpty())
        throw KassolError(QStringLiteral("Geben Sie bitte eine Bezeichnung für den Buchungskreis an."));
    Textregeln::pruefe(QStringLiteral("Kürzel"), kurz, 2);
    if (kurz.trimmed().isEmpty())
        throw KassolError(QStringLiteral("Geben Sie bitte ein Kürzel für den Buchungskreis an (1 - 2 Zeichen)."));
    if (dm.db().scalar(KurzVergeben_Sql, {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":kurz"), kurz}, {QStringLiteral(":id"), id}}))
        throw KassolError(QStringLiteral("Das Kürzel \u201E%1\u201C hat bereits ein anderer Buchungskreis dieses Mandanten.").arg(kurz));
}

void pruefeKreisDesMandanten(TDM_EinAus& dm, int id, int mandant) {
    if (!dm.db().scalar(QStringLiteral("SELECT 1 FROM T_BKreis WHERE id = :id AND mandant = :mandant"),
                        {{QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), mandant}}))
        throw KassolError(QStringLiteral("Der aktive Mandant hat keinen Buchungskreis mit der Nummer %1.").arg(id));
}

} // namespace

namespace Buchungskreise {

std::vector<BuchungskreisEintrag> liste(TDM_EinAus& dm) {
    const int mandant = dm.benoetigeAktivenMandanten();
    dm.BuchungskreisFiltern(mandant);
    std::vector<BuchungskreisEintrag> result;
    DataSet& bk = dm.ADO_BK;
    for (bk.first(); !bk.eof(); bk.next())
        result.push_back({bk.fieldInt(QStringLiteral("id")), bk.fieldText(QStringLiteral("BKName")), bk.fieldText(QStringLiteral("BKKurz"))});
    return result;
}

int anlegen(TDM_EinAus& dm, const QString& name, const QString& kurz) {
    const int mandant = dm.benoetigeAktivenMandanten();
    pruefeWerte(dm, mandant, -1, name, kurz);
    auto tx = dm.db().transaction();
    const int id = dm.neueID(QStringLiteral("t_bkreis"));
    dm.db().exec(QStringLiteral("INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (:mandant, :id, :name, :kurz)"),
                 {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":id"), id}, {QStringLiteral(":name"), name}, {QStringLiteral(":kurz"), kurz}},
                 QStringLiteral("Buchungskreis anlegen"));
    tx.markiere(Aenderungsmelder::Bereich::Buchungskreise);
    tx.commit();
    dm.BuchungskreisFiltern(mandant);
    return id;
}

void aendern(TDM_EinAus& dm, int id, const QString& name, const QString& kurz) {
    const int mandant = dm.benoetigeAktivenMandanten();
    pruefeKreisDesMandanten(dm, id, mandant);
    pruefeWerte(dm, mandant, id, name, kurz);
    auto tx = dm.db().transaction();
    dm.db().exec(QStringLiteral("UPDATE T_BKreis SET BKName = :name, BKKurz = :kurz WHERE id = :id AND mandant = :mandant"),
                 {{QStringLiteral(":name"), name}, {QStringLiteral(":kurz"), kurz}, {QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), mandant}},
                 QStringLiteral("Buchungskreis ändern"));
    tx.markiere(Aenderungsmelder::Bereich::Buchungskreise);
    tx.commit();
    dm.BuchungskreisFiltern(mandant);
}

void loeschen(TDM_EinAus& dm, int id) {
    const int mandant = dm.benoetigeAktivenMandanten();
    pruefeKreisDesMandanten(dm, id, mandant);
    const SqlParams params{{QStringLiteral(":BK"), id}, {QStringLiteral(":Mandant"), mandant}};
    if (dm.db().scalar(Gebucht_Sql, params))
        throw KassolError(QStringLiteral("Auf diesen Buchungskreis wurde bereits gebucht und kann deshalb nicht mehr gelöscht werden."));
    auto tx = dm.db().transaction();
    dm.db().exec(Loeschen_Sql, params, QStringLiteral("Buchungskreis löschen"));
    tx.markiere(Aenderungsmelder::Bereich::Buchungskreise);
    tx.commit();
    dm.BuchungskreisFiltern(mandant);
}

} // namespace Buchungskreise
