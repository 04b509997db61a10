// Dates of the command line (--date) and of the import's Datum column.
#include "FuzzSupport.h"
#include "app/KassolError.h"
#include "booking/BookingImport.h"
#include "cli/CliCommand.h"

#include <QDate>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString what = QStringLiteral("Das Datum");

    const QDate imported = BuchungsImport::datum(text);
    if (imported.isValid() && imported.year() >= 1000) {
        // A date the import accepts reads the same from the form the program writes, on both ways in.
        const QString written = imported.toString(QStringLiteral("dd.MM.yyyy"));
        if (BuchungsImport::datum(written) != imported)
            fuzz::fail("import date does not read back");
        if (CliValues::date(written, what) != imported)
            fuzz::fail("command line reads the import's date differently");
    }

    QDate given;
    try {
        given = CliValues::date(text, what);
    } catch (const KassolError&) {
        return 0;
    }
    if (!given.isValid())
        fuzz::fail("command line returned an invalid date");
    if (given.year() >= 1000) {
        const QString written = given.toString(QStringLiteral("dd.MM.yyyy"));
        if (CliValues::date(written, what) != given || BuchungsImport::datum(written) != given)
            fuzz::fail("command line date does not read back");
    }
    return 0;
}
