#include "admin/Clients.h"

#include "app/KassolError.h"
#include "app/TextRules.h"
#include "admin/FiscalYears.h"
#include "app/THelperData.h"
#include "store/DM_KS.h"

namespace {

const QString NameVergeben_Sql = QStringLiteral("select Bezeichnung from T_Mandant\nwhere Bezeichnung = :bezeichnung COLLATE DE");
const QString Liste_Sql = QStringLiteral("SELECT id, Bezeichnung, aktiv FROM T_Mandant ORDER BY Bezeichnung COLLATE DE, id");
const QString Vorhanden_Sql = QStringLiteral("SELECT 1 FROM T_Mandant WHERE id = :id");

void pruefeName(TDM_EinAus& dm, const QString& bezeichnung) {
    if (bezeichnung.trimmed().isEmpty())
        throw KassolError(QStringLiteral("Geben sie bitte eine Mandantenbezeichnung an."));
    Textregeln::pruefe(QStringLiteral("Bezeichnung des Mandanten"), bezeichnung, 255);
    if (dm.db().scalar(NameVergeben_Sql, {{QStringLiteral(":bezeichnung"), bezeichnung}}))
        throw KassolError(QStringLiteral("Es gibt bereits einen Mandanten mit dieser Bezeichnung!"));
}

void pruefeVorhanden(TDM_EinAus& dm, int nummer) {
    if (!dm.db().scalar(Vorhanden_Sql, {{QStringLiteral(":id"), nummer}}))
        throw KassolError(QStringLiteral("Es gibt keinen Mandanten mit der Nummer %1.").arg(nummer));
}

} // namespace

namespace Mandanten {

std::vector<MandantEintrag> liste(TDM_EinAus& dm) {
    std::vector<MandantEintrag> result;
    QSqlQuery q = dm.db().query(Liste_Sql);
    while (q.next())
        result.push_back({q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt() == 1});
    return result;
}

int anlegen(TDM_EinAus& dm, const QString& bezeichnung) {
    pruefeName(dm, bezeichnung);
    auto tx = dm.db().transaction();
    const int nummer = dm.neueMandantNummer();
    dm.db().exec(QStringLiteral("INSERT INTO T_Mandant (id, Bezeichnung, aktiv) VALUES (:id, :bezeichnung, 0)"),
                 {{QStringLiteral(":id"), nummer}, {QStringLiteral(":bezeichnung"), bezeichnung}}, QStringLiteral("Mandant anlegen"));
    dm.db().exec(QStringLiteral("INSERT INTO T_Stammdaten (mandant) VALUES (:id)"), {{QStringLiteral(":id"), nummer}},
                 QStringLiteral("Mandant anlegen"));
    tx.markiere(Aenderungsmelder::Bereich::Mandanten | Aenderungsmelder::Bereich::Stammdaten);
    tx.commit();
    dm.Table_Mandant.requery();
    return nummer;
}

void umbenennen(TDM_EinAus& dm, int nummer, const QString& bezeichnung) {
    pruefeVorhanden(dm, nummer);
    pruefeName(dm, bezeichnung);
    auto tx = dm.db().transaction();
    dm.db().exec(QStringLiteral("UPDATE T_Mandant SET Bezeichnung = :bezeichnung WHERE id = :id"),
                 {{QStringLiteral(":bezeichnung"), bezeichnung}, {QStringLiteral(":id"), nummer}}, QStringLiteral("Mandant umbenennen"));
    tx.markiere(Aenderungsmelder::Bereich::Mandanten);
    tx.commit();
    dm.Table_Mandant.requery();
}

void auswaehlen(TDM_EinAus& dm, int nummer) {
    // An unknown number would leave no client active at all.
    pruefeVorhanden(dm, nummer);
    dm.setzeAktiverMandant(nummer);
    dm.StammdatenFilterSetzen(nummer);
}

QString loeschen(TDM_EinAus& dm, const THelperData& helper, int nummer) {
    pruefeVorhanden(dm, nummer);
    const QString name = dm.gibMandantBezeichnung(nummer);
    if (nummer == dm.gibAktiverMandant())
        throw KassolError(QStringLiteral("Der aktive Mandant kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick den "
                                         "Mandanten wechseln. \rDanach den zu löschenden Mandanten markieren."));
    dm.loescheMandant(nummer);
    dm.Table_Mandant.requery();
    helper.GetIniInstance()->eraseSection(QStringLiteral("Buchen Mandant %1").arg(nummer));
    return QStringLiteral("Der Mandant: \r") + name + QStringLiteral("\r") + QStringLiteral("wurde vollständig gelöscht!?");
}

bool brauchtWirtschaftsjahr(TDM_EinAus& dm) { return dm.gibZeitraum() == -1; }

int wirtschaftsjahrEinrichten(TDM_EinAus& dm, int jahr) {
    const int mandant = dm.benoetigeAktivenMandanten();
    Wirtschaftsjahre::pruefeJahr(jahr);
    auto tx = dm.db().transaction();
    const int id = dm.neueID(QStringLiteral("t_zeitraum"));
    dm.db().exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (:mandant, :id, :jahr)"),
                 {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":id"), id}, {QStringLiteral(":jahr"), jahr}},
                 QStringLiteral("Wirtschaftsjahr anlegen"));
    dm.db().exec(QStringLiteral("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (:mandant, :id)"),
                 {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":id"), id}}, QStringLiteral("Wirtschaftsjahr anlegen"));
    // The bookings shown are those of the current year.
    tx.markiere(Aenderungsmelder::Bereich::Wirtschaftsjahre | Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    dm.Table_Einstellungen.requery();
    dm.QueryZeitraum.setParam(QStringLiteral("mandant"), mandant);
    dm.QueryZeitraum.requery();
    return id;
}

} // namespace Mandanten
