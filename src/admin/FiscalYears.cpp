#include "admin/FiscalYears.h"

#include "app/KassolError.h"
#include "store/DM_KS.h"

namespace {

const QString JahrVorhanden_Sql = QStringLiteral("select * from t_zeitraum\nwhere jahr = :jahr \nand mandant = :mandant;");
const QString Liste_Sql = QStringLiteral("select * from t_zeitraum\nwhere mandant = :mandant\norder by jahr desc;");
const QString Einstellungen_Sql = QStringLiteral("select * from t_einstellungen where mandant = :mandant;");

void pruefeJahrDesMandanten(TDM_EinAus& dm, int zeitraum, int mandant) {
    if (!dm.db().scalar(QStringLiteral("SELECT 1 FROM T_Zeitraum WHERE id = :id AND mandant = :mandant"),
                        {{QStringLiteral(":id"), zeitraum}, {QStringLiteral(":mandant"), mandant}}))
        throw KassolError(QStringLiteral("Der aktive Mandant hat kein Wirtschaftsjahr mit der Nummer %1.").arg(zeitraum));
}

void auffrischen(TDM_EinAus& dm, int mandant) {
    dm.Table_Zeitraum.requery();
    dm.Table_Einstellungen.requery();
    dm.QueryZeitraum.setParam(QStringLiteral("mandant"), mandant);
    dm.QueryZeitraum.requery();
}

} // namespace

namespace Wirtschaftsjahre {

std::vector<WirtschaftsjahrEintrag> liste(TDM_EinAus& dm) {
    const int mandant = dm.gibAktiverMandant();
    const int aktuell = dm.gibZeitraum();
    std::vector<WirtschaftsjahrEintrag> result;
    QSqlQuery q = dm.db().query(Liste_Sql, {{QStringLiteral(":mandant"), mandant}});
    while (q.next()) {
        const int id = q.value(QStringLiteral("id")).toInt();
        result.push_back({id, q.value(QStringLiteral("Jahr")).toInt(), id == aktuell});
    }
    return result;
}

void pruefeJahr(int jahr) {
    if (jahr < FruehestesJahr || jahr > SpaetestesJahr)
        throw KassolError(QStringLiteral("Das Jahr %1 ist kein gültiges Wirtschaftsjahr; erlaubt sind die Jahre %2 bis %3.")
                              .arg(jahr)
                              .arg(FruehestesJahr)
                              .arg(SpaetestesJahr));
}

int anlegen(TDM_EinAus& dm, const QString& eingabe) {
    const int mandant = dm.benoetigeAktivenMandanten();
    bool ok = false;
    const int jahr = eingabe.trimmed().toInt(&ok);
    if (!ok)
        throw KassolError(QStringLiteral("Es dürfen nur Zahlen angegeben werden"));
    pruefeJahr(jahr);
    if (dm.db().scalar(JahrVorhanden_Sql, {{QStringLiteral(":jahr"), jahr}, {QStringLiteral(":mandant"), mandant}}))
        throw KassolError(QStringLiteral("Das Jahr %1 existiert bereits").arg(eingabe));
    auto tx = dm.db().transaction();
    const int id = dm.neueID(QStringLiteral("t_zeitraum"));
    dm.db().exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (:mandant, :id, :jahr)"),
                 {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":id"), id}, {QStringLiteral(":jahr"), jahr}},
                 QStringLiteral("Wirtschaftsjahr anlegen"));
    tx.markiere(Aenderungsmelder::Bereich::Wirtschaftsjahre);
    tx.commit();
    auffrischen(dm, mandant);
    return id;
}

int idVonJahr(TDM_EinAus& dm, int jahr) {
    const int mandant = dm.benoetigeAktivenMandanten();
    QSqlQuery q = dm.db().query(JahrVorhanden_Sql, {{QStringLiteral(":jahr"), jahr}, {QStringLiteral(":mandant"), mandant}});
    if (!q.next())
        throw KassolError(QStringLiteral("Der aktive Mandant hat kein Wirtschaftsjahr %1.").arg(jahr));
    return q.value(QStringLiteral("id")).toInt();
}

void auswaehlen(TDM_EinAus& dm, int zeitraum) {
    const int mandant = dm.benoetigeAktivenMandanten();
    pruefeJahrDesMandanten(dm, zeitraum, mandant);
    const SqlParams params{{QStringLiteral(":zeitraum"), zeitraum}, {QStringLiteral(":mandant"), mandant}};
    auto tx = dm.db().transaction();
    if (dm.db().scalar(Einstellungen_Sql, {{QStringLiteral(":mandant"), mandant}}))
        dm.db().exec(QStringLiteral("UPDATE T_Einstellungen SET ZeitraumNummer = :zeitraum WHERE rowid = "
                                    "(SELECT min(rowid) FROM T_Einstellungen WHERE mandant = :mandant)"),
                     params, QStringLiteral("Wirtschaftsjahr wählen"));
    else
        dm.db().exec(QStringLiteral("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (:mandant, :zeitraum)"),
                     params, QStringLiteral("Wirtschaftsjahr wählen"));
    // The bookings shown are those of the current year.
    tx.markiere(Aenderungsmelder::Bereich::Wirtschaftsjahre | Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    auffrischen(dm, mandant);
}

QString loeschen(TDM_EinAus& dm, int zeitraum) {
    const int mandant = dm.benoetigeAktivenMandanten();
    if (zeitraum == dm.gibZeitraum())
        throw KassolError(QStringLiteral("Das aktive Wirtschaftsjahr kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick "
                                         "das Wirtschaftsjahr wechseln. \rDanach das zu löschende Wirtschaftsjahr markieren."));
    // Year ids are unique across clients, so the deletion needs no client; the check keeps it to
    // the active client's own years all the same.
    pruefeJahrDesMandanten(dm, zeitraum, mandant);
    dm.loescheZeitraum(zeitraum);
    auffrischen(dm, mandant);
    return QStringLiteral("Das Wirtschaftsjahrwurde vollständig gelöscht!?");
}

} // namespace Wirtschaftsjahre
