#include "admin/MasterData.h"

#include "app/KassolError.h"
#include "app/TextRules.h"
#include "store/DM_KS.h"

namespace {

struct Feld {
    const char* spalte;
    const char* bezeichnung;
    int laenge;
    QString Stammdaten::*wert;
};

const Feld Felder[] = {
    {"GanzerName", "Name", 50, &Stammdaten::ganzerName},
    {"Adresse", "Straße HNr.", 50, &Stammdaten::adresse},
    {"PlzOrt", "PLZ / Ort", 50, &Stammdaten::plzOrt},
    {"Telefon", "Tel", 50, &Stammdaten::telefon},
    {"Referat", "Referat", 20, &Stammdaten::referat},
    {"Steuernummer", "Steuernummer", 50, &Stammdaten::steuernummer},
};

} // namespace

namespace StammdatenVerwaltung {

Stammdaten lesen(TDM_EinAus& dm) {
    const int mandant = dm.benoetigeAktivenMandanten();
    Stammdaten s;
    QSqlQuery q = dm.db().query(QStringLiteral("SELECT * FROM T_Stammdaten WHERE mandant = :mandant"), {{QStringLiteral(":mandant"), mandant}});
    if (!q.next())
        return s;
    for (const Feld& f : Felder)
        s.*(f.wert) = q.value(QLatin1String(f.spalte)).toString();
    const QVariant de = q.value(QStringLiteral("SteuerDE"));
    if (!de.isNull())
        s.steuerDE = de.toInt() != 0;
    return s;
}

void schreiben(TDM_EinAus& dm, const Stammdaten& daten) {
    const int mandant = dm.benoetigeAktivenMandanten();
    for (const Feld& f : Felder)
        Textregeln::pruefe(QString::fromUtf8(f.bezeichnung), daten.*(f.wert), f.laenge);
    SqlParams params{{QStringLiteral(":mandant"), mandant}};
    QStringList sets;
    for (const Feld& f : Felder) {
        sets << QStringLiteral("%1 = :%1").arg(QLatin1String(f.spalte));
        // An emptied field is stored as Null, so that readers see no value rather than an empty one.
        const QString& wert = daten.*(f.wert);
        params.append({QStringLiteral(":") + QLatin1String(f.spalte), wert.isEmpty() ? QVariant() : QVariant(wert)});
    }
    sets << QStringLiteral("SteuerDE = :SteuerDE");
    params.append({QStringLiteral(":SteuerDE"), daten.steuerDE ? QVariant(*daten.steuerDE ? 1 : 0) : QVariant()});
    auto tx = dm.db().transaction();
    dm.db().exec(QStringLiteral("INSERT INTO T_Stammdaten (mandant) SELECT :mandant WHERE NOT EXISTS "
                                "(SELECT 1 FROM T_Stammdaten WHERE mandant = :mandant)"),
                 {{QStringLiteral(":mandant"), mandant}}, QStringLiteral("Stammdaten speichern"));
    dm.db().exec(QStringLiteral("UPDATE T_Stammdaten SET %1 WHERE mandant = :mandant").arg(sets.join(QStringLiteral(", "))), params,
                 QStringLiteral("Stammdaten speichern"));
    tx.markiere(Aenderungsmelder::Bereich::Stammdaten);
    tx.commit();
    dm.StammdatenFilterSetzen(mandant);
}

} // namespace StammdatenVerwaltung
