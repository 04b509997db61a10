// kassol-cli book, change, delete, list and totals: bookings of the active client's current year.
#include "app/Formats.h"
#include "booking/Bookings.h"
#include "booking/Totals.h"
#include "cli/CliCommand.h"
#include "store/DM_KS.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QStringList ValueOptions{QStringLiteral("--date"), QStringLiteral("--amount"), QStringLiteral("--rate"),
                               QStringLiteral("--circle"), QStringLiteral("--text"), QStringLiteral("--number")};
const QStringList FlagOptions{QStringLiteral("--income"), QStringLiteral("--expense"), QStringLiteral("--eu"),
                              QStringLiteral("--import"), QStringLiteral("--vehicle"), QStringLiteral("--building")};

// Applies the options given to the booking's values; the kind and flags, when any is given,
// replace the booking's kind and flags as a whole.
void applyOptions(const CliArgs& a, Buchungsdaten& d, bool neu) {
    if (a.flag(QStringLiteral("--income")) && a.flag(QStringLiteral("--expense")))
        throw KassolError(QStringLiteral("Eine Buchung ist entweder eine Einnahme (--income) oder eine Ausgabe (--expense)."));
    if (neu && !a.flag(QStringLiteral("--income")) && !a.flag(QStringLiteral("--expense")))
        throw CliUsageError(QStringLiteral("Geben Sie --income oder --expense an."));
    bool flagsGiven = false;
    for (const QString& f : FlagOptions)
        flagsGiven = flagsGiven || a.flag(f);
    if (flagsGiven) {
        if (a.flag(QStringLiteral("--income")))
            d.art = Buchungsart::Einnahme;
        else if (a.flag(QStringLiteral("--expense")))
            d.art = Buchungsart::Ausgabe;
        const auto flag = [&](const char* option) { return jaNein(a.flag(QLatin1String(option))); };
        d.istEU = flag("--eu");
        d.istDrittland = flag("--import");
        d.istKFZ = flag("--vehicle");
        d.istGebaeude = flag("--building");
    }
    if (const auto v = a.value(QStringLiteral("--date")))
        d.datum = CliValues::date(*v, QStringLiteral("Das Datum"));
    if (const auto v = a.value(QStringLiteral("--amount")))
        d.betrag = CliValues::amount(*v, QStringLiteral("Der Betrag"));
    if (const auto v = a.value(QStringLiteral("--rate")))
        d.steuersatz = CliValues::integer(*v, QStringLiteral("Der Steuersatz"));
    if (const auto v = a.value(QStringLiteral("--circle")))
        d.bk = CliValues::integer(*v, QStringLiteral("Der Buchungskreis"));
    if (const auto v = a.value(QStringLiteral("--text")))
        d.text = *v;
    if (const auto v = a.value(QStringLiteral("--number")))
        d.belegnummer = CliValues::integer(*v, QStringLiteral("Die Belegnummer"));
    if (neu) {
        if (!d.datum.isValid())
            throw CliUsageError(QStringLiteral("Geben Sie das Belegdatum mit --date an."));
        if (!d.betrag)
            throw CliUsageError(QStringLiteral("Geben Sie den Betrag mit --amount an."));
        if (!d.steuersatz)
            throw CliUsageError(QStringLiteral("Geben Sie den Steuersatz mit --rate an."));
        if (!d.bk)
            throw CliUsageError(QStringLiteral("Geben Sie den Buchungskreis mit --circle an."));
    }
}

int printBooking(CliContext& ctx, const GebuchteBuchung& g) {
    if (ctx.json) {
        QJsonArray movements;
        for (const auto& b : g.bewegungen)
            movements.append(QJsonObject{{QStringLiteral("id"), b.id},
                                         {QStringLiteral("konto"), b.bewegung.konto},
                                         {QStringLiteral("betrag"), CliValues::money(b.bewegung.betrag)}});
        ctx.printJson(QJsonObject{{QStringLiteral("id"), g.id}, {QStringLiteral("belegnummer"), g.belegnummer}, {QStringLiteral("bewegungen"), movements}});
        return 0;
    }
    ctx.out << "Buchung " << g.id << ", Beleg " << g.belegnummer << "\n";
    for (const auto& b : g.bewegungen)
        ctx.out << "  Konto " << b.bewegung.konto << "  " << Formats::amount(b.bewegung.betrag).rightJustified(14) << "\n";
    return 0;
}

int runBook(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, ValueOptions, FlagOptions);
    a.expectAtMost(0);
    Buchungsdaten d;
    applyOptions(a, d, true);
    return printBooking(ctx, Buchungen::buchen(ctx.dm, d));
}

int runChange(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, ValueOptions, FlagOptions);
    a.expectAtMost(1);
    const int id = CliValues::integer(a.word(0, QStringLiteral("die Nummer der Buchung")), QStringLiteral("Die Buchungsnummer"));
    Buchungsdaten d = Buchungen::lesen(ctx.dm, id);
    applyOptions(a, d, false);
    return printBooking(ctx, Buchungen::aendern(ctx.dm, id, d));
}

int runDelete(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    a.expectAtMost(1);
    const int id = CliValues::integer(a.word(0, QStringLiteral("die Nummer der Buchung")), QStringLiteral("Die Buchungsnummer"));
    Buchungen::loeschen(ctx.dm, id);
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("geloescht"), true}});
    else
        ctx.out << "Buchung " << id << " gelöscht.\n";
    return 0;
}

int runList(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    a.expectAtMost(1);
    const QString which = a.word(0, QStringLiteral("income oder expense"));
    if (which != QStringLiteral("income") && which != QStringLiteral("expense"))
        throw CliUsageError(QStringLiteral("Geben Sie income oder expense an."));
    const bool income = which == QStringLiteral("income");
    DataSet& q = income ? ctx.dm.Query_Ein : ctx.dm.Query_Aus;
    q.close();
    q.setParam(QStringLiteral("Zeitraum"), ctx.dm.gibZeitraum());
    q.setParam(QStringLiteral("mandant"), ctx.dm.gibAktiverMandant());
    q.open();
    const QString taxColumn = income ? QStringLiteral("Ust") : QStringLiteral("Vst");
    if (ctx.json) {
        QJsonArray rows;
        for (q.first(); !q.eof(); q.next()) {
            QJsonObject o;
            for (const QString& f : q.fieldNames()) {
                const QVariant v = q.field(f);
                if (v.isNull())
                    o.insert(f, QJsonValue());
                else if (f == QStringLiteral("Betrag"))
                    o.insert(f, CliValues::money(Currency::fromUnits(v.toLongLong())));
                else if (f == taxColumn)
                    o.insert(f, CliValues::money(Currency::fromDouble(v.toDouble())));
                else if (f == QStringLiteral("Text") || f == QStringLiteral("BKKurz") || f == QStringLiteral("Buchungsdatum"))
                    o.insert(f, v.toString());
                else
                    o.insert(f, v.toLongLong());
            }
            rows.append(o);
        }
        ctx.printJson(rows);
        return 0;
    }
    ctx.out << "Datum       Beleg  Text                            Satz          Betrag   " << taxColumn.toUpper() << "         BK  Buchung\n";
    for (q.first(); !q.eof(); q.next())
        ctx.out << Formats::date(q.fieldDate(QStringLiteral("Buchungsdatum"))) << "  "
                << QString::number(q.fieldInt(QStringLiteral("Belegnummer"))).rightJustified(5) << "  "
                << q.fieldText(QStringLiteral("Text")).left(30).leftJustified(30) << "  "
                << QString::number(q.fieldInt(QStringLiteral("Steuersatz"))).rightJustified(4) << "  "
                << Formats::amount(q.fieldCurrency(QStringLiteral("Betrag")).value_or(Currency())).rightJustified(14) << "  "
                << Formats::amount(q.field(taxColumn).toDouble()).rightJustified(12) << "  "
                << q.fieldText(QStringLiteral("BKKurz")).leftJustified(2) << "  " << q.fieldInt(QStringLiteral("Buchungsid")) << "\n";
    return 0;
}

int runTotals(CliContext& ctx, const QStringList& args) {
    CliArgs(args, {}, {}).expectAtMost(0);
    ctx.dm.benoetigeAktivenMandanten();
    const Summen s = berechneSummen(ctx.dm);
    if (ctx.json) {
        ctx.printJson(QJsonObject{{QStringLiteral("mandant"), s.mandantBezeichnung},
                                  {QStringLiteral("jahr"), s.jahr ? QJsonValue(*s.jahr) : QJsonValue()},
                                  {QStringLiteral("einnahmen"), CliValues::money(s.einnahmen)},
                                  {QStringLiteral("ausgaben"), CliValues::money(s.ausgaben)},
                                  {QStringLiteral("ust"), CliValues::money(s.ust)},
                                  {QStringLiteral("vst"), CliValues::money(s.vst)}});
        return 0;
    }
    ctx.out << "Mandant:          " << s.mandantBezeichnung << "\n"
            << "Wirtschaftsjahr:  " << (s.jahr ? QString::number(*s.jahr) : QStringLiteral("(keines)")) << "\n"
            << "Einnahmen Gesamt: " << Formats::euro(s.einnahmen).rightJustified(18) << "\n"
            << "UST:              " << Formats::euro(s.ust).rightJustified(18) << "\n"
            << "Ausgaben Gesamt:  " << Formats::euro(s.ausgaben).rightJustified(18) << "\n"
            << "VST:              " << Formats::euro(s.vst).rightJustified(18) << "\n";
    return 0;
}

const QString BookUsage = QStringLiteral(
    "kassol-cli book (--income | --expense) --date DATUM --amount BETRAG --rate SATZ --circle ID\n"
    "                [--text T] [--number N] [--eu] [--import] [--vehicle] [--building]\n"
    "  DATUM: TT.MM.JJJJ oder JJJJ-MM-TT, im aktuellen Wirtschaftsjahr. BETRAG mit Komma oder Punkt.\n"
    "  Ohne --number gilt die nächste Belegnummer. Kennzeichen nur bei Ausgaben; --eu und --import\n"
    "  schließen einander und --vehicle und --building aus, diese einander.\n"
    "  JSON: {\"id\", \"belegnummer\", \"bewegungen\": [{\"id\", \"konto\", \"betrag\"}]}\n");

const CliRegistration book{{QStringLiteral("book"), BookUsage, QStringLiteral("Buchung erfassen und Steuer buchen"), runBook}};
const CliRegistration change{{QStringLiteral("change"),
                              QStringLiteral("kassol-cli change ID [Optionen von book]\n"
                                             "  Nur die angegebenen Werte ändern sich. Werden --income, --expense oder\n"
                                             "  Kennzeichen angegeben, ersetzen sie Art und Kennzeichen der Buchung.\n"
                                             "  JSON wie bei book.\n"),
                              QStringLiteral("Buchung ändern und neu versteuern"), runChange}};
const CliRegistration remove{{QStringLiteral("delete"), QStringLiteral("kassol-cli delete ID\n"),
                              QStringLiteral("Buchung mit ihren Steuerbuchungen löschen"), runDelete}};
const CliRegistration list{{QStringLiteral("list"),
                            QStringLiteral("kassol-cli list income | list expense\n"
                                           "  JSON: Zeilen mit den Spalten Buchungsdatum, Belegnummer, Text, Steuersatz, Betrag,\n"
                                           "  Ust (bzw. Vst), BKKurz, Buchungsid\n"),
                            QStringLiteral("Einnahmen oder Ausgaben des Wirtschaftsjahres"), runList}};
const CliRegistration totals{{QStringLiteral("totals"),
                              QStringLiteral("kassol-cli totals\n"
                                             "  JSON: {\"mandant\", \"jahr\", \"einnahmen\", \"ausgaben\", \"ust\", \"vst\"}\n"),
                              QStringLiteral("Summen des Wirtschaftsjahres"), runTotals}};

} // namespace
