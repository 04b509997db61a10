#pragma once

#include "booking/Bookings.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/TextRenderer.h"
#include "support/TestSupport.h"

// Books of 2024 for the evaluations: client 5 with the circles Büro (1) and Auto (2), and bookings
// of another client and another year that must never show.
struct ReportBooks : TestBooks {
    ReportBooks() {
        addClient(5, "Muster", true, 2024, 1);
        db().exec("UPDATE T_Stammdaten SET GanzerName = 'Muster GmbH' WHERE mandant = 5");
        addCircle(5, 1, "Büro", "BU");
        addCircle(5, 2, "Auto", "AU");
        addClient(6, "Andere", false, 2024, 2);
        addCircle(6, 3, "Büro", "BU");
        addBooking(6, 900, 2, QDate(2024, 3, 10), 1, "999", 20, 3);
        addMovement(6, 900, 900, 1020, "166,5");
        db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 3, 2023)");
        addBooking(5, 901, 3, QDate(2024, 3, 10), 1, "888", 20, 1);
        addMovement(5, 901, 901, 1020, "148");
    }
    void book(int tag, int monat, const char* betrag, int satz, int einnahme, int bk = 1, int eu = 2, int dritt = 2, int kfz = 2,
              const QString& text = {}) {
        Buchungsdaten d = testBuchung(QDate(2024, monat, tag), betrag, satz, einnahme, bk);
        d.istEU = jaNeinAus(eu);
        d.istDrittland = jaNeinAus(dritt);
        d.istKFZ = jaNeinAus(kfz);
        d.text = text;
        buche(d);
    }
    // The example of the circle evaluation: income in Büro, expenses in Büro and Auto.
    void circleExample() {
        book(5, 3, "120", 20, 1, 1);
        book(6, 3, "60", 20, 2, 1);
        book(7, 3, "110", 10, 2, 2);
    }
};

inline QStringList lines(const ReportEngine::PreparedReport& report) {
    return ReportEngine::renderText(report).split('\n', Qt::SkipEmptyParts);
}
