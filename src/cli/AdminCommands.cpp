// kassol-cli client, year, circle and master: the administration of clients, fiscal years,
// booking circles and master data.
#include "admin/BookingCircles.h"
#include "admin/Clients.h"
#include "admin/FiscalYears.h"
#include "admin/MasterData.h"
#include "cli/CliCommand.h"
#include "store/DM_KS.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int runClient(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    const QString action = a.word(0, QStringLiteral("eine Aktion (list, add, rename, use, delete)"));
    if (action == QStringLiteral("list")) {
        a.expectAtMost(1);
        const auto clients = Mandanten::liste(ctx.dm);
        if (ctx.json) {
            QJsonArray arr;
            for (const auto& c : clients)
                arr.append(QJsonObject{{QStringLiteral("nummer"), c.nummer}, {QStringLiteral("bezeichnung"), c.bezeichnung}, {QStringLiteral("aktiv"), c.aktiv}});
            ctx.printJson(arr);
        } else {
            for (const auto& c : clients)
                ctx.out << (c.aktiv ? "* " : "  ") << QString::number(c.nummer).rightJustified(9) << "  " << c.bezeichnung << "\n";
        }
        return 0;
    }
    if (action == QStringLiteral("add")) {
        a.expectAtMost(2);
        const QString name = a.word(1, QStringLiteral("die Bezeichnung des Mandanten"));
        const int nummer = Mandanten::anlegen(ctx.dm, name);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("nummer"), nummer}, {QStringLiteral("bezeichnung"), name}});
        else
            ctx.out << "Mandant \u201E" << name << "\u201C angelegt, Nummer " << nummer << ".\n";
        return 0;
    }
    if (action == QStringLiteral("rename")) {
        a.expectAtMost(3);
        const int nummer = CliValues::integer(a.word(1, QStringLiteral("die Nummer des Mandanten")), QStringLiteral("Die Mandantennummer"));
        const QString name = a.word(2, QStringLiteral("die neue Bezeichnung"));
        Mandanten::umbenennen(ctx.dm, nummer, name);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("nummer"), nummer}, {QStringLiteral("bezeichnung"), name}});
        else
            ctx.out << "Mandant " << nummer << " heißt jetzt \u201E" << name << "\u201C.\n";
        return 0;
    }
    if (action == QStringLiteral("use")) {
        a.expectAtMost(2);
        const int nummer = CliValues::integer(a.word(1, QStringLiteral("die Nummer des Mandanten")), QStringLiteral("Die Mandantennummer"));
        Mandanten::auswaehlen(ctx.dm, nummer);
        const bool ohneJahr = Mandanten::brauchtWirtschaftsjahr(ctx.dm);
        if (ctx.json) {
            ctx.printJson(QJsonObject{{QStringLiteral("nummer"), nummer},
                                      {QStringLiteral("bezeichnung"), ctx.dm.gibMandantBezeichnung(nummer)},
                                      {QStringLiteral("jahr"), ohneJahr ? QJsonValue() : QJsonValue(ctx.dm.gibJahr())}});
        } else {
            ctx.out << "Aktiver Mandant: " << ctx.dm.gibMandantBezeichnung(nummer) << "\n";
            if (ohneJahr)
                ctx.out << "Der Mandant hat noch kein aktuelles Wirtschaftsjahr: legen Sie es mit \u201Ekassol-cli year add JAHR\u201C "
                           "an und wählen Sie es mit \u201Ekassol-cli year use JAHR\u201C.\n";
            else
                ctx.out << "Wirtschaftsjahr: " << ctx.dm.gibJahr() << "\n";
        }
        return 0;
    }
    if (action == QStringLiteral("delete")) {
        a.expectAtMost(2);
        const int nummer = CliValues::integer(a.word(1, QStringLiteral("die Nummer des Mandanten")), QStringLiteral("Die Mandantennummer"));
        const QString message = Mandanten::loeschen(ctx.dm, ctx.helper, nummer);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("nummer"), nummer}, {QStringLiteral("geloescht"), true}});
        else
            ctx.out << CliValues::terminalText(message) << "\n";
        return 0;
    }
    throw CliUsageError(QStringLiteral("Unbekannte Aktion \u201E%1\u201C.").arg(action));
}

int runYear(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    const QString action = a.word(0, QStringLiteral("eine Aktion (list, add, use, delete)"));
    const auto jahrArg = [&] { return CliValues::integer(a.word(1, QStringLiteral("das Jahr")), QStringLiteral("Das Jahr")); };
    if (action == QStringLiteral("list")) {
        a.expectAtMost(1);
        const auto years = Wirtschaftsjahre::liste(ctx.dm);
        if (ctx.json) {
            QJsonArray arr;
            for (const auto& y : years)
                arr.append(QJsonObject{{QStringLiteral("id"), y.id}, {QStringLiteral("jahr"), y.jahr}, {QStringLiteral("aktuell"), y.aktuell}});
            ctx.printJson(arr);
        } else {
            for (const auto& y : years)
                ctx.out << (y.aktuell ? "* " : "  ") << y.jahr << "\n";
        }
        return 0;
    }
    if (action == QStringLiteral("add")) {
        a.expectAtMost(2);
        const QString eingabe = a.word(1, QStringLiteral("das Jahr"));
        const int id = Wirtschaftsjahre::anlegen(ctx.dm, eingabe);
        const int jahr = eingabe.trimmed().toInt();
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("jahr"), jahr}});
        else
            ctx.out << "Wirtschaftsjahr " << jahr << " angelegt.\n";
        return 0;
    }
    if (action == QStringLiteral("use")) {
        a.expectAtMost(2);
        const int jahr = jahrArg();
        const int id = Wirtschaftsjahre::idVonJahr(ctx.dm, jahr);
        Wirtschaftsjahre::auswaehlen(ctx.dm, id);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("jahr"), jahr}});
        else
            ctx.out << "Aktuelles Wirtschaftsjahr: " << jahr << "\n";
        return 0;
    }
    if (action == QStringLiteral("delete")) {
        a.expectAtMost(2);
        const int jahr = jahrArg();
        const int id = Wirtschaftsjahre::idVonJahr(ctx.dm, jahr);
        const QString message = Wirtschaftsjahre::loeschen(ctx.dm, id);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("jahr"), jahr}, {QStringLiteral("geloescht"), true}});
        else
            ctx.out << CliValues::terminalText(message) << "\n";
        return 0;
    }
    throw CliUsageError(QStringLiteral("Unbekannte Aktion \u201E%1\u201C.").arg(action));
}

int runCircle(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    const QString action = a.word(0, QStringLiteral("eine Aktion (list, add, change, delete)"));
    if (action == QStringLiteral("list")) {
        a.expectAtMost(1);
        const auto circles = Buchungskreise::liste(ctx.dm);
        if (ctx.json) {
            QJsonArray arr;
            for (const auto& c : circles)
                arr.append(QJsonObject{{QStringLiteral("id"), c.id}, {QStringLiteral("name"), c.name}, {QStringLiteral("kurz"), c.kurz}});
            ctx.printJson(arr);
        } else {
            for (const auto& c : circles)
                ctx.out << QString::number(c.id).rightJustified(6) << "  " << c.kurz.leftJustified(2) << "  " << c.name << "\n";
        }
        return 0;
    }
    if (action == QStringLiteral("add")) {
        a.expectAtMost(3);
        const QString name = a.word(1, QStringLiteral("die Bezeichnung des Buchungskreises"));
        const QString kurz = a.word(2, QStringLiteral("das Kürzel (1 - 2 Zeichen)"));
        const int id = Buchungskreise::anlegen(ctx.dm, name, kurz);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}});
        else
            ctx.out << "Buchungskreis \u201E" << name << "\u201C angelegt, Nummer " << id << ".\n";
        return 0;
    }
    if (action == QStringLiteral("change")) {
        a.expectAtMost(4);
        const int id = CliValues::integer(a.word(1, QStringLiteral("die Nummer des Buchungskreises")), QStringLiteral("Die Nummer"));
        const QString name = a.word(2, QStringLiteral("die Bezeichnung"));
        const QString kurz = a.word(3, QStringLiteral("das Kürzel"));
        Buchungskreise::aendern(ctx.dm, id, name, kurz);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}});
        else
            ctx.out << "Buchungskreis " << id << " geändert.\n";
        return 0;
    }
    if (action == QStringLiteral("delete")) {
        a.expectAtMost(2);
        const int id = CliValues::integer(a.word(1, QStringLiteral("die Nummer des Buchungskreises")), QStringLiteral("Die Nummer"));
        Buchungskreise::loeschen(ctx.dm, id);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("geloescht"), true}});
        else
            ctx.out << "Buchungskreis " << id << " gelöscht.\n";
        return 0;
    }
    throw CliUsageError(QStringLiteral("Unbekannte Aktion \u201E%1\u201C.").arg(action));
}

int runMaster(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args,
                    {QStringLiteral("--name"), QStringLiteral("--address"), QStringLiteral("--town"), QStringLiteral("--phone"),
                     QStringLiteral("--referat"), QStringLiteral("--tax-number"), QStringLiteral("--german-rates")},
                    {});
    const QString action = a.word(0, QStringLiteral("eine Aktion (show, set)"));
    a.expectAtMost(1);
    Stammdaten s = StammdatenVerwaltung::lesen(ctx.dm);
    if (action == QStringLiteral("set")) {
        const auto take = [&](const char* option, QString& field) {
            if (const auto v = a.value(QLatin1String(option)))
                field = *v;
        };
        take("--name", s.ganzerName);
        take("--address", s.adresse);
        take("--town", s.plzOrt);
        take("--phone", s.telefon);
        take("--referat", s.referat);
        take("--tax-number", s.steuernummer);
        if (const auto de = a.value(QStringLiteral("--german-rates")))
            s.steuerDE = CliValues::yesNo(*de, QStringLiteral("--german-rates"));
        StammdatenVerwaltung::schreiben(ctx.dm, s);
    } else if (action != QStringLiteral("show")) {
        throw CliUsageError(QStringLiteral("Unbekannte Aktion \u201E%1\u201C.").arg(action));
    }
    if (ctx.json) {
        ctx.printJson(QJsonObject{{QStringLiteral("mandant"), ctx.dm.gibAktiverMandant()},
                                  {QStringLiteral("GanzerName"), s.ganzerName},
                                  {QStringLiteral("Adresse"), s.adresse},
                                  {QStringLiteral("PlzOrt"), s.plzOrt},
                                  {QStringLiteral("Telefon"), s.telefon},
                                  {QStringLiteral("Referat"), s.referat},
                                  {QStringLiteral("Steuernummer"), s.steuernummer},
                                  {QStringLiteral("SteuerDE"), s.steuerDE ? QJsonValue(*s.steuerDE ? 1 : 0) : QJsonValue()}});
        return 0;
    }
    ctx.out << "Mandant:        " << ctx.dm.gibMandantBezeichnung(ctx.dm.gibAktiverMandant()) << "\n"
            << "Name:           " << s.ganzerName << "\n"
            << "Straße HNr.:    " << s.adresse << "\n"
            << "PLZ / Ort:      " << s.plzOrt << "\n"
            << "Tel:            " << s.telefon << "\n"
            << "Referat:        " << s.referat << "\n"
            << "Steuernummer:   " << s.steuernummer << "\n"
            << "Steuersätze DE: " << (s.steuerDE ? (*s.steuerDE ? "ja" : "nein") : "nicht festgelegt") << "\n";
    return 0;
}

const CliRegistration client{{QStringLiteral("client"),
                              QStringLiteral("kassol-cli client list\n"
                                             "kassol-cli client add NAME\n"
                                             "kassol-cli client rename NUMMER NAME\n"
                                             "kassol-cli client use NUMMER\n"
                                             "kassol-cli client delete NUMMER\n"
                                             "  JSON: add {\"nummer\", \"bezeichnung\"}; list [{\"nummer\", \"bezeichnung\", \"aktiv\"}]\n"),
                              QStringLiteral("Mandanten anzeigen, anlegen, umbenennen, wählen, löschen"), runClient}};
const CliRegistration year{{QStringLiteral("year"),
                            QStringLiteral("kassol-cli year list | add JAHR | use JAHR | delete JAHR\n"
                                           "  JAHR ist das Kalenderjahr eines Wirtschaftsjahres des aktiven Mandanten.\n"
                                           "  JSON: add {\"id\", \"jahr\"}; list [{\"id\", \"jahr\", \"aktuell\"}]\n"),
                            QStringLiteral("Wirtschaftsjahre des aktiven Mandanten"), runYear}};
const CliRegistration circle{{QStringLiteral("circle"),
                              QStringLiteral("kassol-cli circle list | add NAME KURZ | change ID NAME KURZ | delete ID\n"
                                             "  JSON: add {\"id\"}; list [{\"id\", \"name\", \"kurz\"}]\n"),
                              QStringLiteral("Buchungskreise des aktiven Mandanten"), runCircle}};
const CliRegistration master{{QStringLiteral("master"),
                              QStringLiteral("kassol-cli master show\n"
                                             "kassol-cli master set [--name T] [--address T] [--town T] [--phone T] [--referat T]\n"
                                             "                      [--tax-number T] [--german-rates ja|nein]\n"),
                              QStringLiteral("Stammdaten des aktiven Mandanten"), runMaster}};

} // namespace
