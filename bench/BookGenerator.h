#pragma once

#include <QString>

// Realistic books for measurements: several clients with fiscal years and booking circles, and
// bookings of every kind (income and expense at every rate, intra-community acquisitions,
// imports, vehicle and building expenses) with their tax movements, posted by the program's
// own arithmetic.
struct BookSpec {
    int clients = 3;
    int yearsPerClient = 2;
    int circlesPerClient = 12;
    int bookingsPerYear = 50000;  // of the active client's current year
    int bookingsPerOtherYear = -1;  // of every other year; a tenth of the above when negative
    int firstYear = 2023;
    unsigned seed = 20240315;
};

struct GeneratedBooks {
    int activeClient = 0;
    int activeZeitraum = 0;  // fiscal-year id of the active client's current year
    int activeYear = 0;      // its calendar year
    int firstCircle = 0;     // a circle id of the active client
    qint64 bookings = 0;     // in the whole database
    qint64 movements = 0;
};

// Creates a new Kassol database at the path (it must not exist) and fills it.
GeneratedBooks generateBooks(const QString& databaseFile, const BookSpec& spec);
