// kassol-cli init and info: setting up a data folder and looking at it.
#include "app/Clock.h"
#include "app/THelperData.h"
#include "cli/CliCommand.h"
#include "cli/CliInteraction.h"
#include "store/DM_KS.h"

#include <QDir>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

int runInit(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {QStringLiteral("--client"), QStringLiteral("--year")}, {});
    a.expectAtMost(0);
    const auto client = a.value(QStringLiteral("--client"));
    const auto year = a.value(QStringLiteral("--year"));
    if (client.has_value() != year.has_value())
        throw CliUsageError(QStringLiteral("--client und --year werden nur gemeinsam angegeben."));
    // Checked before anything is asked: books that already have a client and year ask nothing,
    // and a wrong year would otherwise pass unnoticed.
    static const QRegularExpression vierStellen(QStringLiteral("^\\d{4}$"));
    if (year && !vierStellen.match(year->trimmed()).hasMatch())
        throw KassolError(QStringLiteral("Das Jahr \u201E%1\u201C ist keine vierstellige Jahreszahl. Bitte geben Sie "
                                         "das Wirtschaftsjahr vierstellig an, z. B. --year %2.")
                              .arg(*year)
                              .arg(ctx.clock.today().year()));
    if (client && client->trimmed().isEmpty())
        throw KassolError(QStringLiteral("Die Bezeichnung des Mandanten bei --client ist leer. Bitte geben Sie eine "
                                         "Bezeichnung an, z. B. --client \"Muster GmbH\"."));
    if (client) {
        auto& ui = static_cast<CliInteraction&>(ctx.ui);
        // The answers go to the two input boxes in the order they ask: name, then year. An
        // existing active client with a current year asks nothing and keeps what it has.
        QStringList answers;
        if (ctx.dm.gibAktiverMandant() == -1)
            answers << *client;
        answers << *year;
        ui.setAnswers(answers);
        ctx.dm.InitiiereMandant(ctx.ui);
    }
    const QString dbFile = QDir::toNativeSeparators(ctx.helper.DatabaseFile());
    const int mandant = ctx.dm.gibAktiverMandant();
    if (ctx.json) {
        QJsonObject o{{QStringLiteral("datenbank"), dbFile}};
        if (mandant != -1) {
            o.insert(QStringLiteral("mandant"), mandant);
            o.insert(QStringLiteral("bezeichnung"), ctx.dm.gibMandantBezeichnung(mandant));
            o.insert(QStringLiteral("jahr"), ctx.dm.gibZeitraum() == -1 ? QJsonValue() : QJsonValue(ctx.dm.gibJahr()));
        }
        ctx.printJson(o);
        return 0;
    }
    ctx.out << dbFile << "\n";
    if (mandant == -1)
        ctx.out << "Es ist noch kein Mandant angelegt. Mit \u201Ekassol-cli init --client NAME --year JAHR\u201C "
                   "legen Sie den ersten Mandanten mit seinem Wirtschaftsjahr an.\n";
    else if (ctx.dm.gibZeitraum() == -1)
        ctx.out << "Der Mandant \u201E" << ctx.dm.gibMandantBezeichnung(mandant)
                << "\u201C hat noch kein aktuelles Wirtschaftsjahr.\n";
    else
        ctx.out << "Mandant: " << ctx.dm.gibMandantBezeichnung(mandant) << ", Wirtschaftsjahr " << ctx.dm.gibJahr() << "\n";
    return 0;
}

int count(Database& db, const char* table) {
    return db.scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table))->toInt();
}

int runInfo(CliContext& ctx, const QStringList& args) {
    CliArgs(args, {}, {}).expectAtMost(0);
    Database& db = ctx.dm.db();
    const auto release = db.scalar(QStringLiteral("SELECT Release FROM Release ORDER BY Release DESC LIMIT 1"));
    const int mandant = ctx.dm.gibAktiverMandant();
    const QString name = mandant == -1 ? QString() : ctx.dm.gibMandantBezeichnung(mandant);
    const int zeitraum = ctx.dm.gibZeitraum();
    const QJsonObject o{
        {QStringLiteral("datenordner"), QDir::toNativeSeparators(ctx.helper.DBPath())},
        {QStringLiteral("datenbank"), QDir::toNativeSeparators(ctx.helper.DatabaseFile())},
        {QStringLiteral("ini"), QDir::toNativeSeparators(ctx.helper.IniPath())},
        {QStringLiteral("release"), release ? QJsonValue(release->toInt()) : QJsonValue()},
        {QStringLiteral("mandanten"), count(db, "T_Mandant")},
        {QStringLiteral("wirtschaftsjahre"), count(db, "T_Zeitraum")},
        {QStringLiteral("buchungskreise"), count(db, "T_BKreis")},
        {QStringLiteral("buchungen"), count(db, "T_Buchungen")},
        {QStringLiteral("aktiver_mandant"), mandant == -1 ? QJsonValue() : QJsonValue(mandant)},
        {QStringLiteral("jahr"), zeitraum == -1 ? QJsonValue() : QJsonValue(ctx.dm.gibJahr())},
    };
    if (ctx.json) {
        ctx.printJson(o);
        return 0;
    }
    ctx.out << "Datenordner:       " << o[QStringLiteral("datenordner")].toString() << "\n"
            << "Datenbank:         " << o[QStringLiteral("datenbank")].toString() << "\n"
            << "Einstellungen:     " << o[QStringLiteral("ini")].toString() << "\n"
            << "Schema-Release:    " << (release ? release->toString() : QStringLiteral("unbekannt")) << "\n"
            << "Mandanten:         " << o[QStringLiteral("mandanten")].toInt() << "\n"
            << "Wirtschaftsjahre:  " << o[QStringLiteral("wirtschaftsjahre")].toInt() << "\n"
            << "Buchungskreise:    " << o[QStringLiteral("buchungskreise")].toInt() << "\n"
            << "Buchungen:         " << o[QStringLiteral("buchungen")].toInt() << "\n"
            << "Aktiver Mandant:   " << (mandant == -1 ? QStringLiteral("keiner") : QStringLiteral("%1 (%2)").arg(name).arg(mandant)) << "\n"
            << "Wirtschaftsjahr:   " << (zeitraum == -1 ? QStringLiteral("keines") : QString::number(ctx.dm.gibJahr())) << "\n";
    return 0;
}

const CliRegistration init{{QStringLiteral("init"),
                            QStringLiteral("kassol-cli [--data-dir ORDNER] init [--client NAME --year JAHR]\n"
                                           "  Legt Datenordner und Datenbank an, wenn sie fehlen, und zeigt den Pfad der Datenbank.\n"
                                           "  Mit --client und --year entstehen der erste Mandant und sein Wirtschaftsjahr.\n"
                                           "  JSON: {\"datenbank\", \"mandant\", \"bezeichnung\", \"jahr\"}\n"),
                            QStringLiteral("Datenbank anlegen, ersten Mandanten einrichten"), runInit, true}};

const CliRegistration info{{QStringLiteral("info"),
                            QStringLiteral("kassol-cli [--data-dir ORDNER] info\n"
                                           "  Zeigt Pfade, Schema-Release und die Zahl der Mandanten, Wirtschaftsjahre,\n"
                                           "  Buchungskreise und Buchungen.\n"
                                           "  JSON: {\"datenordner\", \"datenbank\", \"ini\", \"release\", \"mandanten\",\n"
                                           "         \"wirtschaftsjahre\", \"buchungskreise\", \"buchungen\", \"aktiver_mandant\", \"jahr\"}\n"),
                            QStringLiteral("Pfade und Umfang der Daten anzeigen"), runInfo, false}};

} // namespace
