#include "migration/JetAbbildung.h"

#include "app/KassolError.h"
#include "store/SchemaScript.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

enum class Art { Long, Short, Byte, Geld, Datum, Text, LangText, JaNein };

struct Spalte {
    const char* name;
    Art art;
    int laenge = 0;  // for Text: the most characters the column holds
};

struct Fremdschluessel {
    std::vector<const char*> spalten;
    const char* ziel;  // the parent table, keyed by its primary key
};

struct Tabelle {
    const char* name;
    std::vector<Spalte> spalten;
    std::vector<const char*> schluessel;
    std::optional<Fremdschluessel> fremd;
};

// Kassol's tables in the order they are written, parents first.
const std::vector<Tabelle>& schema() {
    static const std::vector<Tabelle> tabellen{
        {"T_Mandant", {{"id", Art::Long}, {"aktiv", Art::Long}, {"Bezeichnung", Art::Text, 255}}, {"id"}, {}},
        {"T_Stammdaten",
         {{"mandant", Art::Long}, {"GanzerName", Art::Text, 50}, {"Adresse", Art::Text, 50}, {"PlzOrt", Art::Text, 50},
          {"Telefon", Art::Text, 50}, {"Steuernummer", Art::Text, 50}, {"Referat", Art::Text, 20},
          {"AktuellerZeitraum", Art::Long}, {"Bemerkung", Art::LangText}, {"SteuerDE", Art::JaNein}},
         {"mandant"},
         Fremdschluessel{{"mandant"}, "T_Mandant"}},
        {"T_BKreis", {{"mandant", Art::Long}, {"id", Art::Long}, {"BKName", Art::Text, 50}, {"BKKurz", Art::Text, 2}}, {"mandant", "id"}, {}},
        {"T_Zeitraum", {{"mandant", Art::Long}, {"id", Art::Long}, {"Jahr", Art::Long}, {"Abgeschlossen", Art::Short}}, {"mandant", "id"}, {}},
        {"T_Einstellungen", {{"mandant", Art::Long}, {"ZeitraumNummer", Art::Long}}, {}, {}},
        {"T_Buchungen",
         {{"mandant", Art::Long}, {"ID", Art::Long}, {"Wirtschaftsjahr", Art::Long}, {"Buchungsdatum", Art::Datum},
          {"Belegnummer", Art::Long}, {"Steuersatz", Art::Short}, {"Betrag", Art::Geld}, {"Text", Art::Text, 100},
          {"BK", Art::Long}, {"IstEU", Art::Short}, {"IstDrittland", Art::Short}, {"IstEinnahme", Art::Short},
          {"IstKFZ", Art::Long}, {"IstGebaeude", Art::Long}},
         {"mandant", "ID"},
         Fremdschluessel{{"mandant", "BK"}, "T_BKreis"}},
        {"t_kontenbewegungen",
         {{"mandant", Art::Long}, {"id", Art::Long}, {"Buchungen_id", Art::Long}, {"Konten_Nr", Art::Long}, {"St_Betrag", Art::Geld}},
         {"mandant", "id"},
         Fremdschluessel{{"mandant", "Buchungen_id"}, "T_Buchungen"}},
        {"T_Kontenplan",
         {{"id", Art::Long}, {"Kontonummer", Art::Long}, {"Kontoname", Art::Text, 50}, {"Steuersatz", Art::Long}, {"Kontoart", Art::Byte}},
         {"Kontonummer"},
         {}},
    };
    return tabellen;
}

QString n(const char* s) { return QString::fromLatin1(s); }

bool passt(Art art, JetTyp typ) {
    switch (art) {
    case Art::Long:
    case Art::Short:
    case Art::Byte:
        return typ == JetTyp::Ganzzahl;
    case Art::Geld:
        return typ == JetTyp::Waehrung;
    case Art::Datum:
        return typ == JetTyp::Datum;
    case Art::Text:
    case Art::LangText:
        return typ == JetTyp::Text || typ == JetTyp::LangerText;
    case Art::JaNein:
        return typ == JetTyp::JaNein;
    }
    return false;
}

QString artName(Art art, int laenge) {
    switch (art) {
    case Art::Long:
        return QStringLiteral("Zahl (Long Integer)");
    case Art::Short:
        return QStringLiteral("Zahl (Integer)");
    case Art::Byte:
        return QStringLiteral("Zahl (Byte)");
    case Art::Geld:
        return QStringLiteral("Währung");
    case Art::Datum:
        return QStringLiteral("Datum/Uhrzeit");
    case Art::Text:
        return QStringLiteral("Text(%1)").arg(laenge);
    case Art::LangText:
        return QStringLiteral("Memo");
    case Art::JaNein:
        return QStringLiteral("Ja/Nein");
    }
    return {};
}

QString wertText(const JetWert& w) {
    if (const auto* i = std::get_if<std::int64_t>(&w))
        return QString::number(*i);
    if (const auto* s = std::get_if<QString>(&w))
        return QStringLiteral("\u201E%1\u201C").arg(*s);
    if (std::holds_alternative<std::monostate>(w))
        return QStringLiteral("leer");
    return QStringLiteral("?");
}

// The value as Kassol stores it, or the German reason why the schema refuses it.
QString wandle(const JetWert& wert, const Spalte& spalte, QVariant& ziel, bool& mitUhrzeit) {
    mitUhrzeit = false;
    ziel = QVariant();
    if (std::holds_alternative<std::monostate>(wert))
        return {};
    const QString name = n(spalte.name);
    switch (spalte.art) {
    case Art::Long:
    case Art::Short:
    case Art::Byte: {
        const std::int64_t i = std::get<std::int64_t>(wert);
        const std::int64_t min = spalte.art == Art::Long ? std::numeric_limits<std::int32_t>::min()
                               : spalte.art == Art::Short ? std::numeric_limits<std::int16_t>::min()
                                                          : 0;
        const std::int64_t max = spalte.art == Art::Long ? std::numeric_limits<std::int32_t>::max()
                               : spalte.art == Art::Short ? std::numeric_limits<std::int16_t>::max()
                                                          : 255;
        if (i < min || i > max)
            return QStringLiteral("%1 = %2 liegt außerhalb des Bereichs von %3 bis %4.").arg(name).arg(i).arg(min).arg(max);
        ziel = QVariant::fromValue<qlonglong>(i);
        return {};
    }
    case Art::Geld:
        ziel = QVariant::fromValue<qlonglong>(std::get<JetWaehrung>(wert).zehntausendstel);
        return {};
    case Art::Datum: {
        // Kassol keeps voucher dates as days. A time of day that an import left in the old file is
        // cut off and named in the protocol, rather than refusing the booking over it.
        const QString text = jetDatumAlsText(std::get<JetDatum>(wert).tage, &mitUhrzeit);
        if (text.isEmpty())
            return QStringLiteral("%1 ist kein gültiges Datum.").arg(name);
        ziel = text;
        return {};
    }
    case Art::Text:
    case Art::LangText: {
        const QString& s = std::get<QString>(wert);
        const auto zeichen = s.toUcs4().size();
        if (spalte.art == Art::Text && zeichen > spalte.laenge)
            return QStringLiteral("%1 ist %2 Zeichen lang; erlaubt sind %3.").arg(name).arg(zeichen).arg(spalte.laenge);
        ziel = s;
        return {};
    }
    case Art::JaNein:
        ziel = QVariant::fromValue<qlonglong>(std::get<bool>(wert) ? 1 : 0);
        return {};
    }
    return {};
}

struct Gelesen {
    const Tabelle* tabelle;
    JetTabelle quelle;
    std::vector<int> index;          // position of each of Kassol's columns in the foreign table
    std::vector<QVariantList> werte;  // mapped rows, one per foreign row
    std::vector<bool> gueltig;
    std::vector<QString> schluessel;
};

int spaltenIndex(const Gelesen& g, const char* name) {
    for (size_t i = 0; i < g.tabelle->spalten.size(); ++i)
        if (QString::fromLatin1(g.tabelle->spalten[i].name).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

// The key of a mapped row as one comparable text, empty when a part of it is Null.
QString schluesselWert(const QVariantList& zeile, const std::vector<int>& spalten) {
    QStringList teile;
    for (const int s : spalten) {
        if (!zeile[s].isValid())
            return {};
        teile << zeile[s].toString();
    }
    return teile.join(QLatin1Char('|'));
}

std::vector<int> spaltenVon(const Gelesen& g, const std::vector<const char*>& namen) {
    std::vector<int> r;
    for (const char* name : namen)
        r.push_back(spaltenIndex(g, name));
    return r;
}

struct Kontenzeile {
    qlonglong id, kontonummer, steuersatz, kontoart;
    QString name;
};

// The chart as the schema script writes it.
std::vector<Kontenzeile> schemaKonten() {
    static const QRegularExpression zeile(
        QStringLiteral("INSERT INTO T_Kontenplan \\(id, Kontonummer, Kontoname, Steuersatz, Kontoart\\) VALUES "
                       "\\((\\d+), (\\d+), '([^']*)', (\\d+), (\\d+)\\);"));
    std::vector<Kontenzeile> konten;
    auto it = zeile.globalMatch(SchemaScript());
    while (it.hasNext()) {
        const auto m = it.next();
        konten.push_back({m.captured(1).toLongLong(), m.captured(2).toLongLong(), m.captured(4).toLongLong(),
                          m.captured(5).toLongLong(), m.captured(3)});
    }
    return konten;
}

// Adds without overflowing; false when the sum would leave the 64-bit range.
bool addiere(std::int64_t& summe, std::int64_t wert) {
    if ((wert > 0 && summe > std::numeric_limits<std::int64_t>::max() - wert) ||
        (wert < 0 && summe < std::numeric_limits<std::int64_t>::min() - wert))
        return false;
    summe += wert;
    return true;
}

} // namespace

const QStringList& jetTabellen() {
    static const QStringList namen = [] {
        QStringList l;
        for (const Tabelle& t : schema())
            l << n(t.name);
        return l;
    }();
    return namen;
}

QString jetDatumAlsText(double tage, bool* mitUhrzeit) {
    if (mitUhrzeit)
        *mitUhrzeit = false;
    // The engine's range: 1 January 100 to 31 December 9999.
    if (!std::isfinite(tage) || tage < -657434.0 || tage >= 2958466.0)
        return {};
    const double ganz = std::trunc(tage);
    const long long sekunden = std::llround(std::fabs(tage - ganz) * 86400.0);
    if (mitUhrzeit)
        *mitUhrzeit = sekunden != 0;
    const QDate datum = QDate(1899, 12, 30).addDays(static_cast<qint64>(ganz));
    if (!datum.isValid())
        return {};
    return datum.toString(QStringLiteral("yyyy-MM-dd"));
}

Abbildung bildeJetDatenAb(TabellenLeser& leser, const std::function<void(int, int)>& fortschritt) {
    Abbildung ab;
    const QStringList vorhanden = leser.tabellen();
    const auto findeTabelle = [&](const QString& name) {
        for (const QString& t : vorhanden)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        return QString();
    };

    std::vector<Gelesen> gelesen;
    const int gesamt = static_cast<int>(schema().size());
    for (const Tabelle& t : schema()) {
        const QString name = findeTabelle(n(t.name));
        if (name.isEmpty())
            throw KassolError(QStringLiteral("Der Access-Datenbank fehlt die Tabelle \u201E%1\u201C. Sie enthält keine "
                                             "Kassol-Daten oder ist unvollständig; es wurde nichts übernommen.")
                                  .arg(n(t.name)));
        Gelesen g{&t, leser.lies(name), {}, {}, {}, {}};
        for (const Spalte& s : t.spalten) {
            const int i = g.quelle.spalte(n(s.name));
            if (i < 0)
                throw KassolError(QStringLiteral("Der Tabelle \u201E%1\u201C der Access-Datenbank fehlt die Spalte "
                                                 "\u201E%2\u201C; es wurde nichts übernommen.")
                                      .arg(n(t.name), n(s.name)));
            if (static_cast<size_t>(i) >= g.quelle.typen.size() || !passt(s.art, g.quelle.typen[i]))
                throw KassolError(QStringLiteral("Die Spalte \u201E%1\u201C der Tabelle \u201E%2\u201C der "
                                                 "Access-Datenbank hat nicht den Typ %3, den Kassol dort erwartet; es "
                                                 "wurde nichts übernommen.")
                                      .arg(n(s.name), n(t.name), artName(s.art, s.laenge)));
            g.index.push_back(i);
        }
        for (int i = 0; i < g.quelle.spalten.size(); ++i)
            if (std::find(g.index.begin(), g.index.end(), i) == g.index.end())
                ab.hinweise << QStringLiteral("Die Spalte \u201E%1\u201C der Tabelle \u201E%2\u201C gehört nicht zu "
                                              "Kassol und wurde nicht übernommen.")
                                   .arg(g.quelle.spalten[i], n(t.name));
        ab.quellZeilen[n(t.name)] = static_cast<int>(g.quelle.zeilen.size());
        gelesen.push_back(std::move(g));
        if (fortschritt)
            fortschritt(static_cast<int>(gelesen.size()), gesamt);
    }

    const auto weise = [&](Gelesen& g, size_t zeile, const QString& grund) {
        if (!g.gueltig[zeile])
            return;
        g.gueltig[zeile] = false;
        ab.abgewiesen.push_back({n(g.tabelle->name), static_cast<int>(zeile) + 1, g.schluessel[zeile], grund});
    };

    // Each value on its own: types, ranges, lengths, dates, keys that are missing.
    for (Gelesen& g : gelesen) {
        const Tabelle& t = *g.tabelle;
        const std::vector<const char*>& beschreibend = t.schluessel.empty() ? std::vector<const char*>{"mandant"} : t.schluessel;
        for (size_t z = 0; z < g.quelle.zeilen.size(); ++z) {
            const std::vector<JetWert>& quelle = g.quelle.zeilen[z];
            QStringList teile;
            for (const char* k : beschreibend)
                teile << QStringLiteral("%1 %2").arg(n(k), wertText(quelle[g.index[spaltenIndex(g, k)]]));
            g.schluessel.push_back(teile.join(QStringLiteral(", ")));
            g.gueltig.push_back(true);
            QVariantList werte;
            for (size_t s = 0; s < t.spalten.size(); ++s) {
                QVariant ziel;
                bool mitUhrzeit = false;
                const QString grund = wandle(quelle[g.index[s]], t.spalten[s], ziel, mitUhrzeit);
                if (!grund.isEmpty())
                    weise(g, z, grund);
                if (mitUhrzeit)
                    ab.hinweise << QStringLiteral("%1 (Zeile %2), %3: %4 hatte eine Uhrzeit; übernommen wurde der Tag %5.")
                                       .arg(n(t.name))
                                       .arg(z + 1)
                                       .arg(g.schluessel[z], n(t.spalten[s].name), ziel.toString());
                werte << ziel;
            }
            for (const char* k : t.schluessel)
                if (!werte[spaltenIndex(g, k)].isValid())
                    weise(g, z, QStringLiteral("Der Schlüssel %1 ist leer.").arg(n(k)));
            g.werte.push_back(std::move(werte));
        }
    }

    // Keys: every row of a key found twice is refused, since nothing tells which one is right.
    std::map<QString, QSet<QString>> schluesselVon;  // table -> keys of the rows taken over
    for (Gelesen& g : gelesen) {
        const Tabelle& t = *g.tabelle;
        if (t.schluessel.empty())
            continue;
        const std::vector<int> spalten = spaltenVon(g, t.schluessel);
        std::map<QString, int> anzahl;
        for (size_t z = 0; z < g.werte.size(); ++z)
            if (g.gueltig[z])
                ++anzahl[schluesselWert(g.werte[z], spalten)];
        for (size_t z = 0; z < g.werte.size(); ++z)
            if (g.gueltig[z] && anzahl[schluesselWert(g.werte[z], spalten)] > 1)
                weise(g, z, QStringLiteral("Der Schlüssel kommt in der Tabelle mehrfach vor."));
    }

    // Parents before children, so that a refused parent refuses its children too.
    for (Gelesen& g : gelesen) {
        const Tabelle& t = *g.tabelle;
        if (t.fremd) {
            const std::vector<int> spalten = spaltenVon(g, t.fremd->spalten);
            const QSet<QString>& eltern = schluesselVon[n(t.fremd->ziel)];
            for (size_t z = 0; z < g.werte.size(); ++z) {
                if (!g.gueltig[z])
                    continue;
                const QString k = schluesselWert(g.werte[z], spalten);
                // A foreign key with an empty part points nowhere and binds nothing, as in the engine.
                if (!k.isEmpty() && !eltern.contains(k)) {
                    QStringList teile;
                    for (const char* s : t.fremd->spalten)
                        teile << QStringLiteral("%1 %2").arg(n(s), g.werte[z][spaltenIndex(g, s)].toString());
                    weise(g, z, QStringLiteral("Die Zeile verweist auf %1 (%2), die es nicht gibt oder die nicht übernommen wird.")
                                    .arg(n(t.fremd->ziel), teile.join(QStringLiteral(", "))));
                }
            }
        }
        if (!t.schluessel.empty()) {
            const std::vector<int> spalten = spaltenVon(g, t.schluessel);
            QSet<QString>& eigene = schluesselVon[n(t.name)];
            for (size_t z = 0; z < g.werte.size(); ++z)
                if (g.gueltig[z])
                    eigene.insert(schluesselWert(g.werte[z], spalten));
        }
    }

    // The rows to write, and the sums of the foreign amounts of those rows.
    std::map<std::pair<QString, QString>, JahresSumme> summen;
    std::map<QString, QVariant> jahrDerBuchung;  // "mandant|ID" -> Wirtschaftsjahr
    const auto summe = [&](const QVariant& mandant, const QVariant& jahr) -> JahresSumme& {
        const auto key = std::make_pair(mandant.isValid() ? mandant.toString() : QString(), jahr.isValid() ? jahr.toString() : QString());
        auto it = summen.find(key);
        if (it == summen.end())
            it = summen.emplace(key, JahresSumme{mandant, jahr, 0, 0}).first;
        return it->second;
    };
    // Books whose sums Kassol cannot reckon exactly could not be checked, nor used afterwards.
    const auto zuGross = [](const JahresSumme& s) {
        return KassolError(QStringLiteral("Die Beträge von Mandant %1, Wirtschaftsjahr %2 ergeben zusammen mehr, als Kassol "
                                          "genau rechnen kann. Bitte prüfen Sie die Beträge in Access auf Tippfehler; es "
                                          "wurde nichts übernommen.")
                               .arg(s.mandant.isValid() ? s.mandant.toString() : QStringLiteral("(leer)"),
                                    s.wirtschaftsjahr.isValid() ? s.wirtschaftsjahr.toString() : QStringLiteral("(leer)")));
    };
    for (Gelesen& g : gelesen) {
        const Tabelle& t = *g.tabelle;
        ZielTabelle ziel{n(t.name), {}, {}};
        for (const Spalte& s : t.spalten)
            ziel.spalten << n(s.name);
        const bool buchungen = ziel.name == QLatin1String("T_Buchungen");
        const bool bewegungen = ziel.name == QLatin1String("t_kontenbewegungen");
        for (size_t z = 0; z < g.werte.size(); ++z) {
            if (!g.gueltig[z])
                continue;
            const QVariantList& w = g.werte[z];
            if (buchungen) {
                const QVariant mandant = w[spaltenIndex(g, "mandant")];
                const QVariant jahr = w[spaltenIndex(g, "Wirtschaftsjahr")];
                jahrDerBuchung[schluesselWert(w, spaltenVon(g, {"mandant", "ID"}))] = jahr;
                JahresSumme& s = summe(mandant, jahr);
                if (const auto* b = std::get_if<JetWaehrung>(&g.quelle.zeilen[z][g.index[spaltenIndex(g, "Betrag")]]))
                    if (!addiere(s.betrag, b->zehntausendstel))
                        throw zuGross(s);
            } else if (bewegungen) {
                const QVariant mandant = w[spaltenIndex(g, "mandant")];
                const QString buchung = schluesselWert(w, spaltenVon(g, {"mandant", "Buchungen_id"}));
                const QVariant jahr = buchung.isEmpty() ? QVariant() : jahrDerBuchung[buchung];
                JahresSumme& s = summe(mandant, jahr);
                if (const auto* b = std::get_if<JetWaehrung>(&g.quelle.zeilen[z][g.index[spaltenIndex(g, "St_Betrag")]]))
                    if (!addiere(s.steuer, b->zehntausendstel))
                        throw zuGross(s);
            }
            ziel.zeilen.push_back(w);
        }
        ab.erwarteteZeilen[ziel.name] = static_cast<int>(ziel.zeilen.size());
        ab.tabellen.push_back(std::move(ziel));
    }
    for (auto& [key, s] : summen)
        ab.summen.push_back(s);

    // The chart's rows that an older file lacks (rates that came later) are added, so that every
    // rate can be posted; the file's own rows are kept as they were.
    ZielTabelle& konten = ab.tabellen.back();
    QSet<qlonglong> kontonummern;
    for (const QVariantList& z : konten.zeilen)
        kontonummern.insert(z[1].toLongLong());
    for (const Kontenzeile& k : schemaKonten()) {
        if (kontonummern.contains(k.kontonummer))
            continue;
        konten.zeilen.push_back({k.id, k.kontonummer, k.name, k.steuersatz, k.kontoart});
        ab.hinweise << QStringLiteral("Dem Kontenplan fehlte das Konto %1 \u201E%2\u201C; es wurde ergänzt.").arg(k.kontonummer).arg(k.name);
    }
    ab.erwarteteZeilen[konten.name] = static_cast<int>(konten.zeilen.size());

    // The foreign release row describes the foreign schema; the new database carries its own.
    if (const QString release = findeTabelle(QStringLiteral("Release")); !release.isEmpty()) {
        const JetTabelle r = leser.lies(release);
        const int spalte = r.spalte(QStringLiteral("Release"));
        for (const auto& zeile : r.zeilen)
            if (spalte >= 0)
                ab.hinweise << QStringLiteral("Die Access-Datenbank trug den Datenstand %1; die neue Datenbank trägt den "
                                              "Datenstand %2.")
                                   .arg(wertText(zeile[spalte]))
                                   .arg(SchemaRelease);
    }
    return ab;
}
