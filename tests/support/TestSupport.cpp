#include "support/TestSupport.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "store/MdbSqlRunner.h"

#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

Buchungsdaten testBuchung(const QDate& datum, const char* betrag, int satz, int einnahme, int bk) {
    Buchungsdaten d;
    d.datum = datum;
    d.betrag = Currency::parse(QString::fromLatin1(betrag));
    d.steuersatz = satz;
    d.bk = bk;
    d.art = buchungsartAus(einnahme);
    return d;
}

void pinTestLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    Formats::setLocale(QLocale(QLocale::German, QLocale::Austria));
}

namespace {
// Built once per test program: creating the schema costs more than copying its result.
const QString& templateDatabase() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("template.mdb"));
        Helper_MdbSqlRunner::CreateDatabaseIfMissing(p);
        return p;
    }();
    return path;
}
} // namespace

TestDataFolder::TestDataFolder(bool withDatabase) {
    if (withDatabase)
        QFile::copy(templateDatabase(), databaseFile());
}

TestBooks::TestBooks(Folders folders)
    : clock(QDateTime(QDate(2024, 3, 15), QTime(10, 0))), helper(std::move(folders), &Helper_MdbSqlRunner::CreateDatabaseIfMissing) {
    helper.UseDataFolder(folder.path());
    dm = std::make_unique<TDM_EinAus>(helper, clock);
    dm->DataModuleCreate();
}

int TestBooks::addClient(int number, const QString& name, bool active, int year, int zeitraumId) {
    db().exec(QStringLiteral("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (:id, :aktiv, :name)"),
              {{QStringLiteral(":id"), number}, {QStringLiteral(":aktiv"), active ? 1 : 0}, {QStringLiteral(":name"), name}});
    db().exec(QStringLiteral("INSERT INTO T_Stammdaten (mandant) VALUES (:id)"), {{QStringLiteral(":id"), number}});
    if (zeitraumId > 0) {
        db().exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (:m, :id, :jahr)"),
                  {{QStringLiteral(":m"), number}, {QStringLiteral(":id"), zeitraumId}, {QStringLiteral(":jahr"), year}});
        db().exec(QStringLiteral("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (:m, :z)"),
                  {{QStringLiteral(":m"), number}, {QStringLiteral(":z"), zeitraumId}});
    }
    return number;
}

int TestBooks::addCircle(int mandant, int id, const QString& name, const QString& kurz) {
    db().exec(QStringLiteral("INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (:m, :id, :n, :k)"),
              {{QStringLiteral(":m"), mandant}, {QStringLiteral(":id"), id}, {QStringLiteral(":n"), name}, {QStringLiteral(":k"), kurz}});
    return id;
}

void TestBooks::addBooking(int mandant, int id, int zeitraum, const QDate& date, int belegnummer, const QString& betrag,
                           int satz, int bk, int einnahme, int eu, int dritt, int kfz, int gebaeude, const QString& text) {
    const auto amount = Currency::parse(betrag);
    ASSERT_TRUE(amount.has_value()) << betrag.toStdString();
    db().exec(QStringLiteral("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, "
                             "Betrag, Text, BK, IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) VALUES (:m, :id, :z, "
                             ":d, :nr, :satz, :betrag, :text, :bk, :eu, :dritt, :ein, :kfz, :geb)"),
              {{QStringLiteral(":m"), mandant},
               {QStringLiteral(":id"), id},
               {QStringLiteral(":z"), zeitraum},
               {QStringLiteral(":d"), date.toString(Qt::ISODate)},
               {QStringLiteral(":nr"), belegnummer},
               {QStringLiteral(":satz"), satz},
               {QStringLiteral(":betrag"), QVariant::fromValue<qlonglong>(amount->units())},
               {QStringLiteral(":text"), text},
               {QStringLiteral(":bk"), bk},
               {QStringLiteral(":eu"), eu},
               {QStringLiteral(":dritt"), dritt},
               {QStringLiteral(":ein"), einnahme},
               {QStringLiteral(":kfz"), kfz},
               {QStringLiteral(":geb"), gebaeude}});
}

void TestBooks::addMovement(int mandant, int id, int buchung, int konto, const QString& betrag) {
    db().exec(QStringLiteral("INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id, Konten_Nr, St_Betrag) VALUES "
                             "(:m, :id, :b, :k, :betrag)"),
              {{QStringLiteral(":m"), mandant},
               {QStringLiteral(":id"), id},
               {QStringLiteral(":b"), buchung},
               {QStringLiteral(":k"), konto},
               {QStringLiteral(":betrag"), QVariant::fromValue<qlonglong>(Currency::parse(betrag)->units())}});
}

void TestBooks::buche(const Buchungsdaten& daten) { (void)Buchungen::buchen(*dm, daten); }

int TestBooks::count(const QString& table, const QString& where) {
    return db().scalar(QStringLiteral("SELECT count(*) FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        ->toInt();
}
