#include "store/DM_KS.h"

#include "store/SchemaScript.h"

#include "app/THelperData.h"
#include "store/DbError.h"

namespace {

const QString Query_Ein_Sql = QStringLiteral(
    "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Text, T_Buchungen.Steuersatz, "
    "T_Buchungen.Betrag, [betrag]/10000.0-(([betrag]/10000.0)/(([steuersatz]+100)/100.0)) AS Ust, T_BKreis.BKKurz, "
    "T_Buchungen.ID AS Buchungsid\n"
    "FROM T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id = T_Buchungen.BK)\n"
    "WHERE (((T_Buchungen.IstEinnahme)=1) AND ((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND ((T_Buchungen.mandant)=:mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum DESC , T_Buchungen.ID;");

const QString Query_Aus_Sql = QStringLiteral(
    "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Text, T_Buchungen.Steuersatz, "
    "T_Buchungen.Betrag, [betrag]/10000.0-(([betrag]/10000.0)/(([steuersatz]+100)/100.0)) AS Vst, T_BKreis.BKKurz, "
    "T_Buchungen.ID AS Buchungsid\n"
    "FROM T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id = T_Buchungen.BK)\n"
    "WHERE (((T_Buchungen.IstEinnahme)=2) AND ((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND ((T_Buchungen.mandant)=:mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum DESC , T_Buchungen.ID;");

const QString ADO_BK_Sql = QStringLiteral("Select * from T_BKreis order by BKName COLLATE DE");
const QString QueryZeitraum_Sql = QStringLiteral("select * from t_zeitraum\nwhere mandant = :mandant\norder by jahr desc;");
const QString QueryBuchungstexte_Sql = QStringLiteral("SELECT DISTINCT T_Buchungen.Mandant, T_Buchungen.Text\nFROM T_Buchungen;");

const QString GibAktiverMandant_Sql = QStringLiteral("select id from t_mandant\nwhere aktiv = 1;");
const QString AlleInaktiv_Sql = QStringLiteral("update t_mandant\nset aktiv = 0");
const QString Aktivieren_Sql = QStringLiteral("update t_mandant\nset aktiv = 1\nwhere id = :mandant");
const QString MandantBezeichnung_Sql = QStringLiteral("select Bezeichnung from t_Mandant\nwhere id = :mandant");
const QString GibZeitraum_Sql = QStringLiteral("select ZeitraumNummer from t_einstellungen\nwhere mandant = :mandant");
const QString GibJahr_Sql = QStringLiteral("select jahr from t_Zeitraum\nwhere id = :zeitraum\nand mandant = :mandant");
const QString GibSteuerDE_Sql = QStringLiteral("select SteuerDE from t_stammdaten\nwhere mandant = :mandant");

// An integer from a value that may be empty or not a number.
std::optional<int> toInt(const std::optional<QVariant>& v) {
    if (!v || v->isNull())
        return std::nullopt;
    bool ok = false;
    const int i = v->toInt(&ok);
    return ok ? std::optional<int>(i) : std::nullopt;
}

} // namespace

TDM_EinAus::TDM_EinAus(const THelperData& helper, const Clock& clock)
    : Query_Ein(DataSet::query(m_db, Query_Ein_Sql)), Query_Aus(DataSet::query(m_db, Query_Aus_Sql)),
      ADO_Buchungen(DataSet::table(m_db, QStringLiteral("T_Buchungen"))), ADO_BK(DataSet::query(m_db, ADO_BK_Sql)),
      Table_Stammdaten(DataSet::table(m_db, QStringLiteral("T_Stammdaten"))),
      Table_Zeitraum(DataSet::table(m_db, QStringLiteral("T_Zeitraum"))),
      QueryZeitraum(DataSet::query(m_db, QueryZeitraum_Sql)),
      Table_Einstellungen(DataSet::table(m_db, QStringLiteral("T_Einstellungen"))),
      Table_Mandant(DataSet::table(m_db, QStringLiteral("T_Mandant"))),
      QueryBuchungstexte(DataSet::query(m_db, QueryBuchungstexte_Sql)), m_helper(helper), m_clock(clock) {
    m_db.setzeMelder(&m_melder);
    QueryZeitraum.setParam(QStringLiteral("mandant"), 1);
    // The bookings table is large; it is opened on the rows a window asks for, never whole.
    ADO_Buchungen.setRestriction(QStringLiteral("0"));
}

TDM_EinAus::~TDM_EinAus() = default;

void TDM_EinAus::ADO_KSBeforeConnect() {
    m_db.open(m_helper.DatabaseFile());
    try {
        zusatzIndexeAnlegen(m_db);
    } catch (...) {
        m_db.close();
        throw;
    }
}

Database& TDM_EinAus::db() {
    if (!m_db.isOpen())
        ADO_KSBeforeConnect();
    return m_db;
}

void TDM_EinAus::closeConnection() {
    for (DataSet* d : {&Query_Ein, &Query_Aus, &ADO_Buchungen, &ADO_BK, &Table_Stammdaten, &Table_Zeitraum,
                       &QueryZeitraum, &Table_Einstellungen, &Table_Mandant, &QueryBuchungstexte})
        d->close();
    m_db.close();
}

void TDM_EinAus::DataModuleCreate() {
    db();
    Table_Einstellungen.open();
    Table_Zeitraum.open();
    Table_Stammdaten.open();
    Table_Mandant.open();
    QueryZeitraum.open();
    try {
        Table_Einstellungen.requery();
    } catch (const DbError&) {
    }
    try {
        QueryZeitraum.requery();
    } catch (const DbError&) {
    }
}

int TDM_EinAus::gibAktiverMandant() {
    return toInt(db().scalar(GibAktiverMandant_Sql, {}, QStringLiteral("Aktiven Mandanten lesen"))).value_or(-1);
}

int TDM_EinAus::benoetigeAktivenMandanten() {
    const int mandant = gibAktiverMandant();
    if (mandant == -1)
        throw KassolError(QStringLiteral("Es ist kein Mandant aktiv."));
    return mandant;
}

void TDM_EinAus::setzeAktiverMandant(int mandant) {
    auto tx = db().transaction();
    m_db.exec(AlleInaktiv_Sql, {}, QStringLiteral("Mandanten wechseln"));
    m_db.exec(Aktivieren_Sql, {{QStringLiteral(":mandant"), mandant}}, QStringLiteral("Mandanten wechseln"));
    // Every window shows the active client's books.
    tx.markiere(AlleBereiche);
    tx.commit();
}

QString TDM_EinAus::gibMandantBezeichnung(int mandant) {
    const auto v = db().scalar(MandantBezeichnung_Sql, {{QStringLiteral(":mandant"), mandant}},
                               QStringLiteral("Mandantenbezeichnung lesen"));
    return v && !v->isNull() ? v->toString() : QString();
}

int TDM_EinAus::gibZeitraum() {
    const int mandant = gibAktiverMandant();
    return toInt(db().scalar(GibZeitraum_Sql, {{QStringLiteral(":mandant"), mandant}},
                             QStringLiteral("Wirtschaftsjahr lesen")))
        .value_or(-1);
}

int TDM_EinAus::gibJahr() {
    const int today = m_clock.today().year();
    const int zeitraum = gibZeitraum();
    const int mandant = gibAktiverMandant();
    const auto v = db().scalar(GibJahr_Sql, {{QStringLiteral(":zeitraum"), zeitraum}, {QStringLiteral(":mandant"), mandant}},
                               QStringLiteral("Jahr lesen"));
    if (!v)
        return today;
    return toInt(v).value_or(m_clock.today().year());
}

bool TDM_EinAus::gibSteuerDE() {
    const int mandant = gibAktiverMandant();
    const auto v = db().scalar(GibSteuerDE_Sql, {{QStringLiteral(":mandant"), mandant}}, QStringLiteral("Stammdaten lesen"));
    return toInt(v).value_or(0) != 0;
}

void TDM_EinAus::filterTo(DataSet& data, int mandant) {
    data.close();
    data.setFiltered(false);
    data.setFilter(QStringLiteral("mandant = %1").arg(mandant));
    data.setFiltered(true);
    data.open();
}

void TDM_EinAus::BuchungskreisFiltern(int mandant) {
    db();
    filterTo(ADO_BK, mandant);
}

void TDM_EinAus::StammdatenFilterSetzen(int mandant) {
    db();
    filterTo(Table_Stammdaten, mandant);
}
