#pragma once

#include "app/KassolError.h"
#include "migration/TabellenLeser.h"
#include "store/SchemaScript.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <limits>
#include <map>
#include <memory>

// Tables held in memory in place of a Jet file.
class TestLeser : public TabellenLeser {
public:
    explicit TestLeser(std::map<QString, JetTabelle> tabellen) : m_tabellen(std::move(tabellen)) {}
    QStringList tabellen() override {
        QStringList namen;
        for (const auto& [name, t] : m_tabellen)
            namen << name;
        return namen;
    }
    JetTabelle lies(const QString& name) override {
        const auto it = m_tabellen.find(name);
        if (it == m_tabellen.end())
            throw KassolError(QStringLiteral("Tabelle %1 fehlt").arg(name));
        return it->second;
    }

private:
    std::map<QString, JetTabelle> m_tabellen;
};

namespace jettest {

using W = JetWert;
inline W nix() { return std::monostate{}; }
inline W zahl(std::int64_t i) { return i; }
inline W geld(std::int64_t zehntausendstel) { return JetWaehrung{zehntausendstel}; }
inline W datum(double tage) { return JetDatum{tage}; }
inline W text(const char* s) { return QString::fromUtf8(s); }
inline W ja(bool b) { return b; }

inline JetTabelle tabelle(const char* name, std::vector<std::pair<const char*, JetTyp>> spalten, std::vector<std::vector<W>> zeilen) {
    JetTabelle t;
    t.name = QString::fromLatin1(name);
    for (const auto& s : spalten) {
        t.spalten << QString::fromLatin1(s.first);
        t.typen.push_back(s.second);
    }
    t.zeilen = std::move(zeilen);
    return t;
}

constexpr JetTyp L = JetTyp::Ganzzahl, G = JetTyp::Waehrung, D = JetTyp::Datum, T = JetTyp::Text, M = JetTyp::LangerText,
                 J = JetTyp::JaNein;

inline const QString& langerText() {
    static const QString s = QString::fromUtf8("Bemerkung mit Umlauten äöüß und € – ").repeated(40);
    return s;
}

// Two clients' books in every documented table: Null texts, negative amounts, the largest
// Currency, a voucher date with a time of day, a chart that lacks the 5 % accounts.
inline std::map<QString, JetTabelle> buecher() {
    std::map<QString, JetTabelle> b;
    b["T_Mandant"] = tabelle("T_Mandant", {{"id", L}, {"aktiv", L}, {"Bezeichnung", T}},
                             {{zahl(1), zahl(1), text("Muster GmbH")}, {zahl(2), zahl(0), nix()}});
    b["T_Stammdaten"] = tabelle(
        "T_Stammdaten",
        {{"mandant", L}, {"GanzerName", T}, {"Adresse", T}, {"PlzOrt", T}, {"Telefon", T}, {"Steuernummer", T}, {"Referat", T},
         {"AktuellerZeitraum", L}, {"Bemerkung", M}, {"SteuerDE", J}},
        {{zahl(1), text("Dr. Änne Müller"), text("Hauptstraße 1"), text("6991 Riezlern"), text("+43 5517 1234"), text("12-345/6789"),
          text("Referat 7"), zahl(11), W(langerText()), ja(true)},
         {zahl(2), nix(), nix(), nix(), nix(), nix(), nix(), nix(), nix(), ja(false)}});
    b["T_BKreis"] = tabelle("T_BKreis", {{"mandant", L}, {"id", L}, {"BKName", T}, {"BKKurz", T}},
                            {{zahl(1), zahl(1), text("Büro"), text("BÜ")}, {zahl(1), zahl(2), text("Reisen"), text("RE")},
                             {zahl(2), zahl(3), nix(), nix()}});
    b["T_Zeitraum"] = tabelle("T_Zeitraum", {{"mandant", L}, {"id", L}, {"Jahr", L}, {"Abgeschlossen", L}},
                              {{zahl(1), zahl(10), zahl(2023), nix()}, {zahl(1), zahl(11), zahl(2024), zahl(0)}, {zahl(2), zahl(12), zahl(2024), zahl(1)}});
    b["T_Einstellungen"] = tabelle("T_Einstellungen", {{"mandant", L}, {"ZeitraumNummer", L}}, {{zahl(1), zahl(11)}, {zahl(2), zahl(12)}});
    b["T_Buchungen"] = tabelle(
        "T_Buchungen",
        {{"mandant", L}, {"ID", L}, {"Wirtschaftsjahr", L}, {"Buchungsdatum", D}, {"Belegnummer", L}, {"Steuersatz", L}, {"Betrag", G},
         {"Text", T}, {"BK", L}, {"IstEU", L}, {"IstDrittland", L}, {"IstEinnahme", L}, {"IstKFZ", L}, {"IstGebaeude", L}},
        {{zahl(1), zahl(100), zahl(10), datum(45000), zahl(1), zahl(20), geld(1200000), text("Honorar März"), zahl(1), zahl(2), zahl(2), zahl(1), zahl(2), zahl(2)},
         {zahl(1), zahl(101), zahl(11), datum(45292.75), zahl(1), zahl(10), geld(-55000), text("Storno"), zahl(2), zahl(2), zahl(2), zahl(2), zahl(2), zahl(2)},
         {zahl(1), zahl(102), zahl(11), datum(45300), zahl(2), zahl(20), geld(std::numeric_limits<std::int64_t>::max()), nix(), zahl(1), zahl(1),
          zahl(2), zahl(2), zahl(1), zahl(1)},
         {zahl(2), zahl(103), zahl(12), datum(45301), zahl(1), zahl(0), geld(0), text(""), nix(), zahl(2), zahl(1), zahl(2), zahl(2), zahl(2)}});
    b["t_kontenbewegungen"] = tabelle(
        "t_kontenbewegungen", {{"mandant", L}, {"id", L}, {"Buchungen_id", L}, {"Konten_Nr", L}, {"St_Betrag", G}},
        {{zahl(1), zahl(200), zahl(100), zahl(1020), geld(200000)},
         {zahl(1), zahl(201), zahl(101), zahl(2010), geld(-5000)},
         {zahl(1), zahl(202), zahl(102), zahl(1021), geld(123456)},
         {zahl(1), zahl(203), zahl(102), zahl(2021), geld(-123456)},
         {zahl(2), zahl(204), zahl(103), zahl(3000), geld(7777)}});
    // The chart of the schema, as a file from before the 5 % rates holds it.
    std::vector<std::vector<W>> konten;
    static const QRegularExpression zeile(QStringLiteral("VALUES \\((\\d+), (\\d+), '([^']*)', (\\d+), (\\d+)\\);"));
    auto it = zeile.globalMatch(SchemaScript());
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(2) == QLatin1String("1005") || m.captured(2) == QLatin1String("2005"))
            continue;
        konten.push_back({zahl(m.captured(1).toLongLong()), zahl(m.captured(2).toLongLong()), W(m.captured(3)),
                          zahl(m.captured(4).toLongLong()), zahl(m.captured(5).toLongLong())});
    }
    b["T_Kontenplan"] = tabelle("T_Kontenplan", {{"id", L}, {"Kontonummer", L}, {"Kontoname", T}, {"Steuersatz", L}, {"Kontoart", L}}, std::move(konten));
    b["Release"] = tabelle("Release", {{"Release", L}, {"ReleaseDatum", D}, {"MSAVersion", T}}, {{zahl(202001), datum(43831), text("2000")}});
    return b;
}

// A file that Kassol recognises as a Jet database by its first bytes; its tables come from a
// TestLeser.
inline QByteArray jetKopf() {
    QByteArray bytes("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    for (int i = 0; i < 4096; ++i)
        bytes.append(static_cast<char>(i * 7));
    return bytes;
}

inline void schreibeDatei(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    if (f.open(QIODevice::WriteOnly))
        f.write(inhalt);
}

inline QByteArray liesDatei(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace jettest
