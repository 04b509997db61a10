#pragma once

#include "app/Clock.h"
#include "store/ChangeNotifier.h"
#include "store/DataSet.h"
#include "store/Database.h"

#include <QString>

class THelperData;
class UserInteraction;

// The data module: the one owner of the database connection and the shared data sets, and the
// services that answer who the active client is, which fiscal year is current, and that hand
// out new keys. The session context lives in the database, read afresh on every call.
class TDM_EinAus {
public:
    TDM_EinAus(const THelperData& helper, const Clock& clock);
    ~TDM_EinAus();
    TDM_EinAus(const TDM_EinAus&) = delete;
    TDM_EinAus& operator=(const TDM_EinAus&) = delete;

    // The connection, opened on first use on the database file in DBPath.
    Database& db();
    void closeConnection();
    // Whether the connection is open now (db() would open it).
    bool isConnected() const { return m_db.isOpen(); }
    const THelperData& helper() const { return m_helper; }
    const Clock& clock() const { return m_clock; }
    // Reports every committed change made through the connection.
    Aenderungsmelder& melder() { return m_melder; }

    // Opens the basic tables; the first of them opens the connection.
    void DataModuleCreate();

    // Session context and lookups; each falls back instead of failing for "not found".
    [[nodiscard]] int gibAktiverMandant();
    // The active client for an operation that needs one; raises KassolError when none is active.
    int benoetigeAktivenMandanten();
    void setzeAktiverMandant(int mandant);
    [[nodiscard]] QString gibMandantBezeichnung(int mandant);
    [[nodiscard]] int gibZeitraum();
    [[nodiscard]] int gibJahr();
    [[nodiscard]] bool gibSteuerDE();
    void BuchungskreisFiltern(int mandant);
    void StammdatenFilterSetzen(int mandant);

    // Record services. A new key is read inside the write transaction that inserts it, so that
    // no other program can take the same one: neueID and neueMandantNummer refuse to run outside
    // one. A key or voucher number beyond the 32-bit range raises KassolError.
    [[nodiscard]] int neueID(const QString& tabelle);
    // The voucher number after the highest of the current year; a proposal unless read inside
    // the transaction that books it.
    [[nodiscard]] int neueBelegnummer();
    // The highest voucher number of the current year (0 when none), and the one after a highest.
    [[nodiscard]] qint64 hoechsteBelegnummer();
    [[nodiscard]] static int naechsteBelegnummer(qint64 hoechste);
    [[nodiscard]] int neueMandantNummer();
    // Both delete all of their rows in one transaction or, on failure, none, and raise DbError.
    void loescheMandant(int mandant);
    void loescheZeitraum(int zeitraum);
    // Makes sure an active client with a current fiscal year exists, asking for them if needed.
    // A new client and its year are committed, and reported, one after the other: a client
    // stays when its year is not given.
    void InitiiereMandant(UserInteraction& ui);

    DataSet Query_Ein;
    DataSet Query_Aus;
    DataSet ADO_Buchungen;
    DataSet ADO_BK;
    DataSet Table_Stammdaten;
    DataSet Table_Zeitraum;
    DataSet QueryZeitraum;
    DataSet Table_Einstellungen;
    DataSet Table_Mandant;
    DataSet QueryBuchungstexte;

private:
    void ADO_KSBeforeConnect();
    void pruefeSchreibtransaktion(const QString& wofuer);
    static void filterTo(DataSet& data, int mandant);

    const THelperData& m_helper;
    const Clock& m_clock;
    Aenderungsmelder m_melder;
    Database m_db;
};
