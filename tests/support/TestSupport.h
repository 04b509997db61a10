#pragma once

#include "app/Clock.h"
#include "app/KassolError.h"
#include "app/THelperData.h"
#include "booking/Bookings.h"
#include "store/DM_KS.h"

#include <QTemporaryDir>
#include <memory>

// A booking for tests: kind 1 (income) or 2 (expense) as stored, no flags, circle 1 unless given.
Buchungsdaten testBuchung(const QDate& datum, const char* betrag, int satz, int einnahme, int bk = 1);

// Pins the locale that every test formats with (Austrian German).
void pinTestLocale();

// A data folder of its own, with a fresh database (a copy of one built once per test program).
class TestDataFolder {
public:
    explicit TestDataFolder(bool withDatabase = true);
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString databaseFile() const { return file(QStringLiteral("KS_tab.mdb")); }

private:
    QTemporaryDir m_dir;
};

// A data module on a fresh database at a fixed time (15 March 2024, 10:00).
class TestBooks {
public:
    // Folders for what the program writes outside the data folder (the desktop, for one).
    explicit TestBooks(Folders folders = {});
    TestDataFolder folder;
    FixedClock clock;
    THelperData helper;
    std::unique_ptr<TDM_EinAus> dm;

    Database& db() { return dm->db(); }
    // Adds a client (active when asked) with one fiscal year as its current one; returns its number.
    int addClient(int number, const QString& name, bool active, int year, int zeitraumId);
    // Adds a booking circle; returns its id.
    int addCircle(int mandant, int id, const QString& name, const QString& kurz);
    // Adds a booking row without movements.
    void addBooking(int mandant, int id, int zeitraum, const QDate& date, int belegnummer, const QString& betrag,
                    int satz, int bk, int einnahme = 1, int eu = 2, int dritt = 2, int kfz = 2, int gebaeude = 2,
                    const QString& text = QString());
    void addMovement(int mandant, int id, int buchung, int konto, const QString& betrag);
    // Books through the service, for a test that needs the booking but not what it returns.
    void buche(const Buchungsdaten& daten);
    int count(const QString& table, const QString& where = QString());
};
