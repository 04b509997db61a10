#include "admin/BookingCircles.h"

#include "app/KassolError.h"
#include "store/DM_KS.h"

namespace {

const QString Gebucht_Sql = QStringLiteral("SELECT BK\nFROM T_Buchungen\nWHERE (((BK)=:BK) AND ((mandant)=:Mandant));");
const QString Loeschen_Sql = QStringLiteral("DELETE\nFROM T_BKreis\nWHERE (((T_BKreis.id)=:BK) AND ((T_BKreis.mandant)=:Mandant));");

void pruefeWerte(const QString& name, const QString& kurz) {
    if (name.size() > 50)
        throw KassolError(QStringLiteral("Die Bezeichnung des Buchungskreises darf höchstens 50 Zeichen lang sein."));
    if (kurz.size() > 2)
        throw KassolError(QStringLiteral("Das Kürzel des Buchungskreises darf höchstens 2 Zeichen lang sein (1 - 2 Zeichen)."));
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
    pruefeWerte(name, kurz);
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
    pruefeWerte(name, kurz);
    pruefeKreisDesMandanten(dm, id, mandant);
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
