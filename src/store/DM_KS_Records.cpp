// Record services of the data module: new keys and voucher numbers, deletions, first client.
#include "app/THelperData.h"
#include "app/UserInteraction.h"
#include "store/DM_KS.h"
#include "store/DbError.h"
#include "store/Transaction.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

const QString NeueBelegnummer_Sql = QStringLiteral(
    "select max(Belegnummer) as maxNr from t_Buchungen\nwhere Wirtschaftsjahr = :zeitraum \nand mandant = :mandant ;");
const QString MandantVorhanden_Sql = QStringLiteral("select 1 from t_mandant where id = :id");
const QString LoescheZeitraumBewegungen_Sql = QStringLiteral(
    "delete from t_kontenbewegungen where exists (select 1 from T_Buchungen b where b.ID = "
    "t_kontenbewegungen.Buchungen_id and b.mandant = t_kontenbewegungen.mandant and b.Wirtschaftsjahr = %1)");

// max(ID) over a table keyed by (mandant, id), found by one index seek per client instead of a
// scan of the whole table; the result is the same as "select max(ID) from" the table.
const QString MaxIdJeMandant_Sql = QStringLiteral(
    "WITH RECURSIVE m(v) AS (SELECT min(mandant) FROM [%1] UNION ALL "
    "SELECT (SELECT min(mandant) FROM [%1] WHERE mandant > m.v) FROM m WHERE m.v IS NOT NULL) "
    "SELECT max((SELECT max(id) FROM [%1] WHERE mandant = m.v)) AS maxID FROM m WHERE m.v IS NOT NULL");

bool keyedByClientAndId(const QString& table) {
    for (const char* t : {"T_BKreis", "T_Buchungen", "T_Zeitraum", "t_kontenbewegungen"})
        if (table.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Day 1 is 1 January of the year 1; Julian day 1721426 is that day.
constexpr qint64 JulianDayOfYearOne = 1721426;

} // namespace

void TDM_EinAus::pruefeSchreibtransaktion(const QString& wofuer) {
    // A key read outside the write transaction that inserts it may be handed out to another
    // program at the same time.
    if (!db().inTransaction())
        throw KassolError(QStringLiteral("Interner Fehler: %1 wurde außerhalb einer Schreibtransaktion vergeben; "
                                         "es wurde nichts gespeichert.")
                              .arg(wofuer));
}

int TDM_EinAus::neueID(const QString& tabelle) {
    pruefeSchreibtransaktion(QStringLiteral("Eine neue Nummer für %1").arg(tabelle));
    std::optional<QVariant> v;
    try {
        v = keyedByClientAndId(tabelle) ? m_db.scalar(MaxIdJeMandant_Sql.arg(tabelle))
                                        : m_db.scalar(QStringLiteral("select  max(ID) AS maxID from ") + tabelle);
    } catch (const DbError& e) {
        // A table that does not exist starts at 1; any other failure (a busy or damaged
        // database) must not hand out a key that may already be taken.
        if (e.art() != DbError::Art::TabelleFehlt)
            throw;
        return 1;
    }
    if (!v || v->isNull())
        return 1;
    const qint64 hoechste = v->toLongLong();
    if (hoechste >= std::numeric_limits<int>::max())
        throw KassolError(QStringLiteral("In der Tabelle %1 ist die höchste Nummer %2 erreicht; Kassol kann dort keine "
                                         "neue Nummer vergeben. Bitte wenden Sie sich an Ihren Betreuer.")
                              .arg(tabelle)
                              .arg(hoechste));
    return static_cast<int>(hoechste + 1);
}

qint64 TDM_EinAus::hoechsteBelegnummer() {
    const int zeitraum = gibZeitraum();
    const int mandant = gibAktiverMandant();
    const auto v = db().scalar(NeueBelegnummer_Sql, {{QStringLiteral(":zeitraum"), zeitraum}, {QStringLiteral(":mandant"), mandant}},
                               QStringLiteral("Belegnummer vergeben"));
    return !v || v->isNull() ? 0 : v->toLongLong();
}

int TDM_EinAus::naechsteBelegnummer(qint64 hoechste) {
    if (hoechste >= std::numeric_limits<int>::max())
        throw KassolError(QStringLiteral("Die höchste mögliche Belegnummer %1 ist in diesem Wirtschaftsjahr schon "
                                         "vergeben, darum kann Kassol keine Belegnummer mehr selbst vergeben. Bitte "
                                         "geben Sie die Belegnummer selbst an.")
                              .arg(std::numeric_limits<int>::max()));
    return static_cast<int>(std::max<qint64>(hoechste, 0) + 1);
}

int TDM_EinAus::neueBelegnummer() { return naechsteBelegnummer(hoechsteBelegnummer()); }

int TDM_EinAus::neueMandantNummer() {
    pruefeSchreibtransaktion(QStringLiteral("Eine neue Mandantennummer"));
    const QDateTime now = m_clock.now();
    const qint64 day = now.date().toJulianDay() - JulianDayOfYearOne + 1;
    const qint64 stamp = day * 86400000LL + now.time().msecsSinceStartOfDay();
    int number = static_cast<int>(stamp % 1000000000LL);
    // The clock repeats every eleven and a half days; a number already taken moves on to the
    // next free one instead of failing the insert.
    for (int tries = 0; tries < 1000; ++tries) {
        if (!db().scalar(MandantVorhanden_Sql, {{QStringLiteral(":id"), number}}))
            break;
        number = (number + 1) % 1000000000;
    }
    return number;
}

void TDM_EinAus::loescheMandant(int mandant) {
    const QString n = QString::number(mandant);
    const QString context = QStringLiteral("Mandant löschen");
    auto tx = db().transaction();
    m_db.exec(QStringLiteral("delete from t_kontenbewegungen where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_Buchungen where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_BKreis where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_Zeitraum where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_Einstellungen where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_Stammdaten where mandant = ") + n, {}, context);
    m_db.exec(QStringLiteral("delete from T_Mandant where id = ") + n, {}, context);
    tx.markiere(AlleBereiche);
    tx.commit();
}

void TDM_EinAus::loescheZeitraum(int zeitraum) {
    const QString z = QString::number(zeitraum);
    const QString context = QStringLiteral("Wirtschaftsjahr löschen");
    auto tx = db().transaction();
    m_db.exec(LoescheZeitraumBewegungen_Sql.arg(z), {}, context);
    m_db.exec(QStringLiteral("delete from T_Buchungen where Wirtschaftsjahr = ") + z, {}, context);
    m_db.exec(QStringLiteral("delete from T_Zeitraum where id = ") + z, {}, context);
    tx.markiere(Aenderungsmelder::Bereich::Wirtschaftsjahre | Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
}

void TDM_EinAus::InitiiereMandant(UserInteraction& ui) {
    // Both answers are gathered before anything is written: a cancel leaves the books as they were
    // and ends the asking, instead of asking again for ever.
    const bool neuerMandant = gibAktiverMandant() == -1;
    QString name;
    if (neuerMandant) {
        for (;;) {
            name = QStringLiteral("Mandant 1");
            if (!ui.inputBox(QStringLiteral("Neuer Mandant"), QStringLiteral("Bezeichnung des Mandanten"), name))
                throw InteractionAborted(QStringLiteral("Es wurde kein Mandant angelegt."));
            if (!name.isEmpty())
                break;
            ui.information(QStringLiteral("Geben sie bitte eine Mandantenbezeichnung an."));
        }
    }

    const bool neuesJahr = neuerMandant || gibZeitraum() == -1;
    int jahr = 0;
    if (neuesJahr) {
        static const QRegularExpression vierStellen(QStringLiteral("^\\d{4}$"));
        QString jahrText = QString::number(m_clock.today().year());
        for (;;) {
            if (!ui.inputBox(QStringLiteral("Neues Wirtschaftsjahr"), QStringLiteral("Jahreszahl (zb: 2026)"), jahrText))
                throw InteractionAborted(QStringLiteral("Es wurde kein Wirtschaftsjahr angelegt."));
            // The message asks for four digits, and so does the check.
            if (!vierStellen.match(jahrText.trimmed()).hasMatch()) {
                ui.information(QStringLiteral("Geben sie das Jahr bitte 4-stellig an!"));
                continue;
            }
            // Four digits, and a year a business can keep books for (a typing error otherwise).
            const int j = jahrText.trimmed().toInt();
            if (j >= 1900 && j <= 2100)
                break;
            ui.information(QStringLiteral("Das Jahr %1 ist kein gültiges Wirtschaftsjahr; erlaubt sind die Jahre 1900 bis 2100.").arg(j));
        }
        jahr = jahrText.trimmed().toInt();
    }

    if (neuerMandant || neuesJahr) {
        auto tx = db().transaction();
        if (neuerMandant) {
            const int nummer = neueMandantNummer();
            Table_Mandant.open();
            Table_Mandant.insert();
            Table_Mandant.setField(QStringLiteral("id"), nummer);
            Table_Mandant.setField(QStringLiteral("Bezeichnung"), name);
            Table_Mandant.setField(QStringLiteral("aktiv"), 1);
            Table_Mandant.post();
            Table_Stammdaten.open();
            Table_Stammdaten.insert();
            Table_Stammdaten.setField(QStringLiteral("mandant"), gibAktiverMandant());
            Table_Stammdaten.post();
            // The new client is the active one: every window shows its books now.
            tx.markiere(AlleBereiche);
        }
        const int id = neueID(QStringLiteral("t_zeitraum"));
        const int mandant = gibAktiverMandant();
        Table_Zeitraum.open();
        Table_Zeitraum.insert();
        Table_Zeitraum.setField(QStringLiteral("mandant"), mandant);
        Table_Zeitraum.setField(QStringLiteral("id"), id);
        Table_Zeitraum.setField(QStringLiteral("Jahr"), jahr);
        Table_Zeitraum.post();
        Table_Einstellungen.open();
        Table_Einstellungen.insert();
        Table_Einstellungen.setField(QStringLiteral("mandant"), mandant);
        Table_Einstellungen.setField(QStringLiteral("ZeitraumNummer"), id);
        Table_Einstellungen.post();
        // The bookings shown are those of the current year.
        tx.markiere(Aenderungsmelder::Bereich::Wirtschaftsjahre | Aenderungsmelder::Bereich::Buchungen);
        tx.commit();
    }
    StammdatenFilterSetzen(gibAktiverMandant());
}
