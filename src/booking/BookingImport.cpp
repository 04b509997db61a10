#include "booking/BookingImport.h"

#include "app/Currency.h"
#include "app/KassolError.h"
#include "app/Platform.h"
#include "app/TextRules.h"
#include "booking/Bookings.h"
#include "booking/TaxPosting.h"
#include "store/BulkInsert.h"
#include "store/DM_KS.h"
#include "store/DbError.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <cstring>
#include <deque>
#include <future>
#include <limits>
#include <string>
#include <vector>

namespace {

const QStringList Kopfzeile{QStringLiteral("Datum"),     QStringLiteral("Belegnummer"), QStringLiteral("Text"),
                            QStringLiteral("Betrag"),    QStringLiteral("Steuersatz"),  QStringLiteral("Buchungskreis"),
                            QStringLiteral("Art"),       QStringLiteral("EU"),          QStringLiteral("Drittland"),
                            QStringLiteral("KFZ"),       QStringLiteral("Gebaeude")};

const QStringList BuchungSpalten{QStringLiteral("mandant"),     QStringLiteral("ID"),          QStringLiteral("Wirtschaftsjahr"),
                                  QStringLiteral("Buchungsdatum"), QStringLiteral("Belegnummer"), QStringLiteral("Steuersatz"),
                                  QStringLiteral("Betrag"),      QStringLiteral("Text"),        QStringLiteral("BK"),
                                  QStringLiteral("IstEU"),       QStringLiteral("IstDrittland"), QStringLiteral("IstEinnahme"),
                                  QStringLiteral("IstKFZ"),      QStringLiteral("IstGebaeude")};
const QStringList BewegungSpalten{QStringLiteral("mandant"), QStringLiteral("id"), QStringLiteral("Buchungen_id"),
                                   QStringLiteral("Konten_Nr"), QStringLiteral("St_Betrag")};

KassolError zeilenFehler(int zeile, const QString& grund) {
    return KassolError(QStringLiteral("Zeile %1: %2 Es wurde nichts importiert.").arg(zeile).arg(grund));
}

// Splits one line at semicolons; a field in double quotes may hold semicolons and doubled quotes.
QStringList felder(const QString& line) {
    QStringList result;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                    current += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"') && current.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(';')) {
            result << current;
            current.clear();
        } else {
            current += c;
        }
    }
    result << current;
    return result;
}

JaNein kennzeichen(const QString& text, int zeile, const QString& spalte) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty() || t == QStringLiteral("nein"))
        return JaNein::Nein;
    if (t == QStringLiteral("ja"))
        return JaNein::Ja;
    throw zeilenFehler(zeile, QStringLiteral("In der Spalte %1 steht \u201E%2\u201C; erlaubt sind ja, nein oder nichts.").arg(spalte, text));
}

// What a line is checked against: the fiscal year, the client's circles and the allowed rates.
struct Pruefung {
    int jahr = 0;
    QHash<QString, int> kreise;
    QSet<QString> mehrdeutig;
    Buchungen::Steuersaetze saetze;
    // The short names in plain ASCII capitals that only one circle has, for the quick reading.
    std::vector<std::pair<QByteArray, int>> eindeutigeKreise;
};

// A checked booking, as compact as a million of them ask for.
struct ImportZeile {
    int nummer = 0;
    int belegnummer = -1;  // -1: the next number
    int steuersatz = 0;
    int bk = 0;
    std::int64_t betrag = 0;
    const char* text = nullptr;  // UTF-8, in the file's bytes or in the texts kept beside the rows
    std::size_t textLaenge = 0;
    char datum[10] = {};  // yyyy-mm-dd
    Buchungsart art = Buchungsart::Einnahme;
    JaNein eu = JaNein::Nein;
    JaNein drittland = JaNein::Nein;
    JaNein kfz = JaNein::Nein;
    JaNein gebaeude = JaNein::Nein;
};

// Reads one line the thorough way; empty for a blank line and for the header. Raises the
// line's error.
std::optional<Buchungsdaten> zeileLesen(const QString& line, int nr, bool& kopfGelesen, const Pruefung& p) {
    if (line.trimmed().isEmpty())
        return std::nullopt;
    const QStringList f = felder(line);
    if (!kopfGelesen) {
        QStringList kopf;
        for (const QString& s : f)
            kopf << s.trimmed();
        if (kopf.size() != Kopfzeile.size() || kopf.join(QLatin1Char(';')).compare(Kopfzeile.join(QLatin1Char(';')), Qt::CaseInsensitive) != 0)
            throw zeilenFehler(nr, QStringLiteral("Die Kopfzeile muss \u201E%1\u201C lauten.").arg(Kopfzeile.join(QLatin1Char(';'))));
        kopfGelesen = true;
        return std::nullopt;
    }
    if (f.size() != Kopfzeile.size())
        throw zeilenFehler(nr, QStringLiteral("Die Zeile hat %1 statt %2 Spalten.").arg(f.size()).arg(Kopfzeile.size()));
    Buchungsdaten d;
    d.datum = BuchungsImport::datum(f[0]);
    if (!d.datum.isValid())
        throw zeilenFehler(nr, QStringLiteral("\u201E%1\u201C ist kein gültiges Datum (TT.MM.JJJJ).").arg(f[0]));
    if (d.datum.year() != p.jahr)
        throw zeilenFehler(nr, QStringLiteral("Das Datum %1 liegt nicht im Wirtschaftsjahr %2.").arg(f[0].trimmed()).arg(p.jahr));
    if (!f[1].trimmed().isEmpty()) {
        bool ok = false;
        const int n = f[1].trimmed().toInt(&ok);
        if (!ok || n < 0)
            throw zeilenFehler(nr, QStringLiteral("\u201E%1\u201C ist keine gültige Belegnummer.").arg(f[1]));
        d.belegnummer = n;
    }
    d.text = f[2];
    d.betrag = Currency::parse(f[3]);
    if (!d.betrag)
        throw zeilenFehler(nr, QStringLiteral("\u201E%1\u201C ist kein gültiger Betrag.").arg(f[3]));
    try {
        Textregeln::pruefe(QStringLiteral("Text"), d.text, 100);
        Buchungen::pruefeBetrag(*d.betrag);
    } catch (const KassolError& e) {
        throw zeilenFehler(nr, e.message());
    }
    bool satzOk = false;
    const int satz = f[4].trimmed().toInt(&satzOk);
    if (!satzOk || satz < 0 || satz > 999)
        throw zeilenFehler(nr, QStringLiteral("\u201E%1\u201C ist kein gültiger Steuersatz (ganze Zahl von 0 bis 999).").arg(f[4]));
    d.steuersatz = satz;
    const QString kurz = f[5].trimmed().toUpper();
    if (!p.kreise.contains(kurz))
        throw zeilenFehler(nr, QStringLiteral("Der Buchungskreis \u201E%1\u201C ist beim aktiven Mandanten nicht angelegt.").arg(f[5].trimmed()));
    if (p.mehrdeutig.contains(kurz))
        throw zeilenFehler(nr, QStringLiteral("Das Kürzel \u201E%1\u201C haben mehrere Buchungskreise.").arg(f[5].trimmed()));
    d.bk = p.kreise.value(kurz);
    const QString art = f[6].trimmed().toUpper();
    if (art == QStringLiteral("E"))
        d.art = Buchungsart::Einnahme;
    else if (art == QStringLiteral("A"))
        d.art = Buchungsart::Ausgabe;
    else
        throw zeilenFehler(nr, QStringLiteral("In der Spalte Art steht \u201E%1\u201C; erlaubt sind E (Einnahme) und A (Ausgabe).").arg(f[6]));
    d.istEU = kennzeichen(f[7], nr, QStringLiteral("EU"));
    d.istDrittland = kennzeichen(f[8], nr, QStringLiteral("Drittland"));
    d.istKFZ = kennzeichen(f[9], nr, QStringLiteral("KFZ"));
    d.istGebaeude = kennzeichen(f[10], nr, QStringLiteral("Gebaeude"));
    try {
        Buchungen::pruefeKennzeichen(d);
        p.saetze.pruefe(d.art, satz);
    } catch (const KassolError& e) {
        throw zeilenFehler(nr, e.message());
    }
    return d;
}

// ---- the quick reading of an ordinary line, straight from its bytes ----
//
// It takes only lines whose every field has the plain form (no blanks around values, no
// doubled quotes, no signs, amounts as 1234,56 or 1.234,56) and hands every other line to
// zeileLesen(), which decides it and words its error. Both read a plain line alike.

using Feld = std::string_view;

bool ziffern(Feld f) {
    if (f.empty())
        return false;
    for (const char c : f)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int zahl(Feld f) {
    int n = 0;
    for (const char c : f)
        n = n * 10 + (c - '0');
    return n;
}

// At most 11 fields split at semicolons; a field wholly in quotes without quotes inside is
// taken. False for any other use of quotes and for another number of fields.
bool teile(Feld line, Feld (&f)[11]) {
    int n = 0;
    size_t i = 0;
    while (true) {
        if (n == 11)
            return false;
        if (i < line.size() && line[i] == '"') {
            const size_t schluss = line.find('"', i + 1);
            if (schluss == Feld::npos)
                return false;
            f[n++] = line.substr(i + 1, schluss - i - 1);
            i = schluss + 1;
            if (i == line.size())
                break;
            if (line[i] != ';')
                return false;
            ++i;
            continue;
        }
        const size_t semikolon = line.find(';', i);
        const Feld feld = line.substr(i, semikolon == Feld::npos ? Feld::npos : semikolon - i);
        if (feld.find('"') != Feld::npos)
            return false;
        f[n++] = feld;
        if (semikolon == Feld::npos)
            break;
        i = semikolon + 1;
    }
    return n == 11;
}

// A text without control characters of at most 100 characters, in valid UTF-8.
bool schlichterText(Feld t) {
    size_t zeichen = 0;
    for (size_t i = 0; i < t.size();) {
        const auto c = static_cast<unsigned char>(t[i]);
        char32_t cp = 0;
        size_t laenge = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c < 0xE0) {
            cp = c & 0x1F;
            laenge = 2;
        } else if (c >= 0xE0 && c < 0xF0) {
            cp = c & 0x0F;
            laenge = 3;
        } else if (c >= 0xF0 && c < 0xF5) {
            cp = c & 0x07;
            laenge = 4;
        } else {
            return false;
        }
        if (i + laenge > t.size())
            return false;
        for (size_t k = 1; k < laenge; ++k) {
            const auto folge = static_cast<unsigned char>(t[i + k]);
            if ((folge & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (folge & 0x3F);
        }
        if ((laenge == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (laenge == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029)
            return false;
        i += laenge;
        ++zeichen;
    }
    return zeichen <= 100;
}

// 1234 or 1234,5678, the whole part also grouped by dots (1.234,56).
std::optional<std::int64_t> schlichterBetrag(Feld b) {
    const size_t komma = b.find(',');
    const Feld ganz = b.substr(0, komma);
    const Feld bruch = komma == Feld::npos ? Feld() : b.substr(komma + 1);
    if (komma != Feld::npos && (bruch.empty() || bruch.size() > 4 || !ziffern(bruch)))
        return std::nullopt;
    // Without a decimal comma a dot may be a decimal point ("1.234"); such an amount is read the
    // thorough way.
    if (ganz.find('.') != Feld::npos && komma == Feld::npos)
        return std::nullopt;
    std::int64_t einheiten = 0;
    size_t stellen = 0, gruppe = 0, gruppen = 0;
    for (const char c : ganz) {
        if (c == '.') {
            // The first group holds one to three digits, every later one exactly three.
            if (gruppe == 0 || gruppe > 3 || (gruppen > 0 && gruppe != 3))
                return std::nullopt;
            gruppe = 0;
            ++gruppen;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        einheiten = einheiten * 10 + (c - '0');
        ++gruppe;
        ++stellen;
    }
    if (stellen == 0 || stellen > 12 || (gruppen > 0 && gruppe != 3))
        return std::nullopt;
    einheiten *= 10000;
    std::int64_t anteil = 0;
    for (size_t i = 0; i < 4; ++i)
        anteil = anteil * 10 + (i < bruch.size() ? bruch[i] - '0' : 0);
    return einheiten + anteil;
}

std::optional<JaNein> schlichtesKennzeichen(Feld f) {
    if (f.empty())
        return JaNein::Nein;
    const auto gleich = [&](const char* wort) {
        const size_t n = std::strlen(wort);
        if (f.size() != n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if ((f[i] | 0x20) != wort[i])
                return false;
        return true;
    };
    if (gleich("ja"))
        return JaNein::Ja;
    if (gleich("nein"))
        return JaNein::Nein;
    return std::nullopt;
}

// The quick reading; false hands the line to zeileLesen().
bool schnellLesen(Feld line, const Pruefung& p, ImportZeile& z, Feld& text) {
    Feld f[11];
    if (!teile(line, f))
        return false;
    const Feld d = f[0];
    if (d.size() != 10 || d[2] != '.' || d[5] != '.' || !ziffern(d.substr(0, 2)) || !ziffern(d.substr(3, 2)) || !ziffern(d.substr(6, 4)))
        return false;
    const int tag = zahl(d.substr(0, 2)), monat = zahl(d.substr(3, 2)), jahr = zahl(d.substr(6, 4));
    if (jahr != p.jahr || !QDate::isValid(jahr, monat, tag))
        return false;
    const char iso[10] = {d[6], d[7], d[8], d[9], '-', d[3], d[4], '-', d[0], d[1]};
    std::memcpy(z.datum, iso, sizeof iso);
    if (f[1].empty())
        z.belegnummer = -1;
    else if (ziffern(f[1]) && f[1].size() <= 9)
        z.belegnummer = zahl(f[1]);
    else
        return false;
    if (!schlichterText(f[2]))
        return false;
    text = f[2];
    const std::optional<std::int64_t> betrag = schlichterBetrag(f[3]);
    if (!betrag)
        return false;
    z.betrag = *betrag;
    if (!ziffern(f[4]) || f[4].size() > 3)
        return false;
    z.steuersatz = zahl(f[4]);
    const Feld kurz = f[5];
    z.bk = -1;
    for (const auto& [name, id] : p.eindeutigeKreise) {
        if (static_cast<size_t>(name.size()) != kurz.size())
            continue;
        bool gleich = true;
        for (size_t i = 0; i < kurz.size() && gleich; ++i) {
            const char c = kurz[i] >= 'a' && kurz[i] <= 'z' ? static_cast<char>(kurz[i] - 'a' + 'A') : kurz[i];
            gleich = c == name[static_cast<qsizetype>(i)];
        }
        if (gleich) {
            z.bk = id;
            break;
        }
    }
    if (z.bk < 0)
        return false;
    if (f[6].size() != 1)
        return false;
    const char art = static_cast<char>(f[6][0] & ~0x20);
    if (art != 'E' && art != 'A')
        return false;
    z.art = art == 'E' ? Buchungsart::Einnahme : Buchungsart::Ausgabe;
    const std::optional<JaNein> eu = schlichtesKennzeichen(f[7]), dritt = schlichtesKennzeichen(f[8]),
                                kfz = schlichtesKennzeichen(f[9]), geb = schlichtesKennzeichen(f[10]);
    if (!eu || !dritt || !kfz || !geb)
        return false;
    z.eu = *eu;
    z.drittland = *dritt;
    z.kfz = *kfz;
    z.gebaeude = *geb;
    // The rules between the fields are those of every booking; a line that breaks one is worded
    // by zeileLesen().
    const bool kennzeichenOk = z.art == Buchungsart::Ausgabe
                                   ? !(ja(z.eu) && ja(z.drittland)) && !((ja(z.eu) || ja(z.drittland)) && (ja(z.kfz) || ja(z.gebaeude))) &&
                                         !(ja(z.kfz) && ja(z.gebaeude))
                                   : !ja(z.eu) && !ja(z.drittland) && !ja(z.kfz) && !ja(z.gebaeude);
    if (!kennzeichenOk)
        return false;
    try {
        Buchungen::pruefeBetrag(Currency::fromUnits(z.betrag));
    } catch (const KassolError&) {
        return false;
    }
    if (!(z.art == Buchungsart::Einnahme ? p.saetze.einnahmen : p.saetze.ausgaben).contains(z.steuersatz) ||
        ((z.steuersatz == 7 || z.steuersatz == 19) && !p.saetze.steuerDE))
        return false;
    return true;
}

// ---- the rows as the bulk insert reads them ----

using Zeilenliste = std::vector<ImportZeile, Platform::LargeAllocator<ImportZeile>>;

// The rows of a file, read in one or two pieces, in the file's order.
class AlleZeilen {
public:
    AlleZeilen(Zeilenliste& vorne, Zeilenliste& hinten) : m_vorne(vorne), m_hinten(hinten) {}
    size_t size() const { return m_vorne.size() + m_hinten.size(); }
    ImportZeile& operator[](size_t i) const { return i < m_vorne.size() ? m_vorne[i] : m_hinten[i - m_vorne.size()]; }

private:
    Zeilenliste& m_vorne;
    Zeilenliste& m_hinten;
};

struct Buchungszeilen : BulkRows {
    const AlleZeilen& zeilen;
    int mandant = 0;
    int zeitraum = 0;
    int ersteId = 0;

    explicit Buchungszeilen(const AlleZeilen& z) : zeilen(z) {}
    qsizetype anzahl() const override { return static_cast<qsizetype>(zeilen.size()); }
    void zeile(qsizetype i, BulkValue* werte, int spalten) const override {
        const ImportZeile& z = zeilen[static_cast<size_t>(i)];
        const BulkValue alle[] = {BulkValue::ganzzahl(mandant),
                                  BulkValue::ganzzahl(ersteId + i),
                                  BulkValue::ganzzahl(zeitraum),
                                  BulkValue::utf8(std::string_view(z.datum, sizeof z.datum)),
                                  BulkValue::ganzzahl(z.belegnummer),
                                  BulkValue::ganzzahl(z.steuersatz),
                                  BulkValue::ganzzahl(z.betrag),
                                  BulkValue::utf8(std::string_view(z.text, z.textLaenge)),
                                  BulkValue::ganzzahl(z.bk),
                                  BulkValue::ganzzahl(gespeichert(z.eu)),
                                  BulkValue::ganzzahl(gespeichert(z.drittland)),
                                  BulkValue::ganzzahl(gespeichert(z.art)),
                                  BulkValue::ganzzahl(gespeichert(z.kfz)),
                                  BulkValue::ganzzahl(gespeichert(z.gebaeude))};
        std::copy_n(alle, std::min<int>(spalten, std::size(alle)), werte);
    }
};

struct Bewegung {
    int buchung = 0;  // position among the bookings
    int konto = 0;
    std::int64_t betrag = 0;
};

using Bewegungsliste = std::vector<Bewegung, Platform::LargeAllocator<Bewegung>>;

struct Bewegungszeilen : BulkRows {
    Bewegungsliste bewegungen;
    int mandant = 0;
    int ersteId = 0;
    int ersteBuchung = 0;

    qsizetype anzahl() const override { return static_cast<qsizetype>(bewegungen.size()); }
    void zeile(qsizetype i, BulkValue* werte, int spalten) const override {
        const Bewegung& b = bewegungen[static_cast<size_t>(i)];
        const BulkValue alle[] = {BulkValue::ganzzahl(mandant), BulkValue::ganzzahl(ersteId + i), BulkValue::ganzzahl(ersteBuchung + b.buchung),
                                  BulkValue::ganzzahl(b.konto), BulkValue::ganzzahl(b.betrag)};
        std::copy_n(alle, std::min<int>(spalten, std::size(alle)), werte);
    }
};

// The rows' keys run on from the first one; none may pass the 32-bit range of the key column,
// which the engine is not asked to check for the import (see below).
void pruefeNummern(int erste, size_t anzahl, const QString& tabelle) {
    const qint64 letzte = static_cast<qint64>(erste) + static_cast<qint64>(anzahl) - 1;
    if (anzahl > 0 && letzte > std::numeric_limits<int>::max())
        throw KassolError(QStringLiteral("In der Tabelle %1 reichen die freien Nummern nicht für %2 neue Zeilen (die höchste "
                                         "mögliche Nummer ist %3). Bitte wenden Sie sich an Ihren Betreuer.")
                              .arg(tabelle)
                              .arg(anzahl)
                              .arg(std::numeric_limits<int>::max()));
}

struct Gelesen {
    Zeilenliste zeilen;
    // The texts of lines read the thorough way, which may differ from the file's bytes; the
    // quick reading points into the file itself.
    std::deque<QByteArray> eigeneTexte;
};

// Reads the lines from pos to ende, numbering them on from nr; stops after the header when
// bisZumKopf. Returns where it stopped.
const char* leseZeilen(const char* pos, const char* ende, int& nr, bool& kopfGelesen, bool bisZumKopf, const Pruefung& p, Gelesen& out) {
    out.zeilen.reserve(out.zeilen.size() + static_cast<size_t>(std::count(pos, ende, '\n')) + 1);
    QStringDecoder zeilenDecoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    while (pos < ende && !(bisZumKopf && kopfGelesen)) {
        const char* zeilenEnde = static_cast<const char*>(std::memchr(pos, '\n', static_cast<size_t>(ende - pos)));
        const char* naechste = zeilenEnde ? zeilenEnde + 1 : ende;
        if (!zeilenEnde)
            zeilenEnde = ende;
        ++nr;
        Feld line(pos, static_cast<size_t>(zeilenEnde - pos));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = naechste;
        ImportZeile z;
        z.nummer = nr;
        Feld text;
        if (kopfGelesen && schnellLesen(line, p, z, text)) {
            z.text = text.data();
            z.textLaenge = text.size();
            out.zeilen.push_back(z);
        } else if (const std::optional<Buchungsdaten> d =
                       zeileLesen(zeilenDecoder.decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size()))), nr, kopfGelesen, p)) {
            z.belegnummer = d->belegnummer ? *d->belegnummer : -1;
            z.steuersatz = *d->steuersatz;
            z.bk = *d->bk;
            z.betrag = d->betrag->units();
            const QByteArray iso = d->datum.toString(Qt::ISODate).toLatin1();
            std::memcpy(z.datum, iso.constData(), sizeof z.datum);
            const QByteArray& t = out.eigeneTexte.emplace_back(d->text.toUtf8());
            z.text = t.constData();
            z.textLaenge = static_cast<size_t>(t.size());
            z.art = d->art;
            z.eu = d->istEU;
            z.drittland = d->istDrittland;
            z.kfz = d->istKFZ;
            z.gebaeude = d->istGebaeude;
            out.zeilen.push_back(z);
        }
    }
    return pos;
}

} // namespace

namespace BuchungsImport {

QDate datum(const QString& text) {
    // dd.mm.yyyy, read by hand: the import is the bulk path and QDate's format parser is slow.
    const QString t = text.trimmed();
    if (t.size() != 10 || t[2] != QLatin1Char('.') || t[5] != QLatin1Char('.'))
        return QDate();
    bool okD = false, okM = false, okY = false;
    const int d = t.left(2).toInt(&okD), m = t.mid(3, 2).toInt(&okM), y = t.mid(6, 4).toInt(&okY);
    return okD && okM && okY ? QDate(y, m, d) : QDate();
}

ImportErgebnis importiereDatei(TDM_EinAus& dm, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(path, file.errorString()));
    std::vector<char, Platform::LargeAllocator<char>> bytes(static_cast<size_t>(std::max<qint64>(file.size(), 0)) + 1);
    size_t gelesen = 0;
    while (true) {
        if (gelesen == bytes.size())
            bytes.resize(bytes.size() * 2);  // the file grew meanwhile
        const qint64 n = file.read(bytes.data() + gelesen, static_cast<qint64>(bytes.size() - gelesen));
        if (n < 0)
            throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(path, file.errorString()));
        if (n == 0)
            break;
        gelesen += static_cast<size_t>(n);
    }
    return importiere(dm, QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(gelesen)));
}


ImportErgebnis importiere(TDM_EinAus& dm, const QByteArray& utf8) {
    const int mandant = dm.gibAktiverMandant();
    const int zeitraum = dm.gibZeitraum();
    if (mandant == -1 || zeitraum == -1)
        throw KassolError(QStringLiteral("Es ist kein aktiver Mandant mit einem aktuellen Wirtschaftsjahr eingerichtet."));
    Pruefung p;
    p.jahr = dm.gibJahr();
    {
        QSqlQuery q = dm.db().query(QStringLiteral("SELECT id, BKKurz FROM T_BKreis WHERE mandant = :mandant"), {{QStringLiteral(":mandant"), mandant}});
        while (q.next()) {
            const QString kurz = q.value(1).toString().trimmed().toUpper();
            if (p.kreise.contains(kurz))
                p.mehrdeutig.insert(kurz);
            p.kreise.insert(kurz, q.value(0).toInt());
        }
    }
    for (auto it = p.kreise.cbegin(); it != p.kreise.cend(); ++it) {
        const QString& kurz = it.key();
        bool schlicht = !kurz.isEmpty() && !p.mehrdeutig.contains(kurz);
        for (const QChar c : kurz)
            schlicht = schlicht && c.unicode() > 0x20 && c.unicode() < 0x7F && c != QLatin1Char('"') && c != QLatin1Char(';') &&
                       !(c >= QLatin1Char('a') && c <= QLatin1Char('z'));
        if (schlicht)
            p.eindeutigeKreise.emplace_back(kurz.toLatin1(), it.value());
    }

    // A file in another encoding (Windows-1252, Latin-1) would import its umlauts as replacement
    // characters without a word; it is refused instead. Only lines with bytes beyond ASCII need
    // the decoder; each ends with its line break, so they are judged as the whole text would be,
    // and a character cut off at the file's end counts as the error it is.
    const char* const anfang = utf8.constData();
    const char* const ende = anfang + utf8.size();
    {
        for (const char* c = anfang; c < ende; ++c) {
            // Eight bytes at a time while all of them are ASCII.
            for (std::uint64_t acht = 0; ende - c >= 8; c += 8) {
                std::memcpy(&acht, c, 8);
                if (acht & 0x8080808080808080ULL)
                    break;
            }
            if (c == ende)
                break;
            if (static_cast<unsigned char>(*c) < 0x80)
                continue;
            const char* zeilenAnfang = c;
            while (zeilenAnfang > anfang && zeilenAnfang[-1] != '\n')
                --zeilenAnfang;
            const char* zeilenEnde = static_cast<const char*>(std::memchr(c, '\n', static_cast<size_t>(ende - c)));
            zeilenEnde = zeilenEnde ? zeilenEnde + 1 : ende;
            QStringDecoder pruefer(QStringDecoder::Utf8);
            // decode() converts only when its result is taken.
            QString probe = pruefer.decode(QByteArrayView(zeilenAnfang, zeilenEnde - zeilenAnfang));
            if (zeilenEnde == ende)
                probe = pruefer.decode(QByteArrayView("\n", 1));
            if (pruefer.hasError())
                throw KassolError(QStringLiteral("Die Datei ist nicht in UTF-8 geschrieben (etwa Umlaute in Windows-1252 oder Latin-1). "
                                                 "Speichern Sie sie bitte als UTF-8 (in Excel: \u201ECSV UTF-8\u201C) und importieren Sie "
                                                 "sie noch einmal."));
            c = zeilenEnde - 1;
        }
    }
    p.saetze = Buchungen::erlaubteSteuersaetze(dm);

    // The decoder drops a byte order mark at the start and the old reading one more after it.
    const char* pos = anfang;
    static const char Bom[] = "\xEF\xBB\xBF";
    for (int i = 0; i < 2 && ende - pos >= 3 && std::memcmp(pos, Bom, 3) == 0; ++i)
        pos += 3;

    Gelesen gelesen, hinten;
    int nr = 0;
    bool kopfGelesen = false;
    pos = leseZeilen(pos, ende, nr, kopfGelesen, true, p, gelesen);
    if (!kopfGelesen)
        throw KassolError(QStringLiteral("Die Datei ist leer; es fehlt die Kopfzeile."));
    // A large file is read in two halves, the second on another core; of two bad lines the
    // earlier one is named, as reading from the top would.
    const char* mitte = ende - pos > (1 << 20) ? static_cast<const char*>(std::memchr(pos + (ende - pos) / 2, '\n', static_cast<size_t>(ende - pos) / 2)) : nullptr;
    if (mitte) {
        ++mitte;
        int nrHinten = nr + static_cast<int>(std::count(pos, mitte, '\n'));
        std::future<void> zweiteHaelfte = std::async(std::launch::async, [&hinten, &nrHinten, mitte, ende, &p] {
            bool kopf = true;
            leseZeilen(mitte, ende, nrHinten, kopf, false, p, hinten);
        });
        try {
            leseZeilen(pos, mitte, nr, kopfGelesen, false, p, gelesen);
        } catch (...) {
            zweiteHaelfte.wait();
            throw;
        }
        zweiteHaelfte.get();
    } else {
        leseZeilen(pos, ende, nr, kopfGelesen, false, p, gelesen);
    }
    const AlleZeilen zeilen(gelesen.zeilen, hinten.zeilen);

    ImportErgebnis ergebnis;
    Database& db = dm.db();
    auto tx = db.transaction();
    // Ended before the commit, whose sync writes whatever is left.
    std::optional<Platform::EarlyWriteback> fruehSchreiben(std::in_place, db.dateiDeskriptor());
    // Keys and voucher numbers are taken as the booking one after another would take them, inside
    // the write transaction so that no other program takes them meanwhile.
    Buchungszeilen buchungen(zeilen);
    buchungen.mandant = mandant;
    buchungen.zeitraum = zeitraum;
    buchungen.ersteId = dm.neueID(QStringLiteral("T_Buchungen"));
    pruefeNummern(buchungen.ersteId, zeilen.size(), QStringLiteral("T_Buchungen"));
    qint64 hoechsteBelegnummer = dm.hoechsteBelegnummer();
    for (size_t i = 0; i < zeilen.size(); ++i) {
        ImportZeile& z = zeilen[i];
        if (z.belegnummer < 0)
            z.belegnummer = TDM_EinAus::naechsteBelegnummer(hoechsteBelegnummer);
        hoechsteBelegnummer = std::max<qint64>(hoechsteBelegnummer, z.belegnummer);
    }
    const QString context = QStringLiteral("Buchungen importieren");
    // The tax movements are worked out on a second core while the engine writes the bookings.
    std::future<Bewegungsliste> bewegungenRechnen = std::async(std::launch::async, [&zeilen] {
        Bewegungsliste result;
        result.reserve(zeilen.size() + zeilen.size() / 8);
        for (size_t i = 0; i < zeilen.size(); ++i) {
            const ImportZeile& z = zeilen[i];
            const BuchungFuerSteuer fuerSteuer{z.art, z.eu, z.drittland, Currency::fromUnits(z.betrag), z.steuersatz};
            for (const Steuerbewegung& b : berechneSteuerbewegungen(fuerSteuer))
                result.push_back({static_cast<int>(i), b.konto, b.betrag.units()});
        }
        return result;
    });
    // The reading above has checked every rule the schema states for these rows (number ranges,
    // the date, the text's length); the engine checks them once more, as the books' last guard.
    try {
        bulkInsert(db, QStringLiteral("T_Buchungen"), BuchungSpalten, buchungen, context);
    } catch (const BulkRowError& e) {
        // A rule of the schema names the line; a full disk or a lock is no fault of the line.
        if (e.art() != DbError::Art::Regel)
            throw DbError(e);
        throw zeilenFehler(zeilen[static_cast<size_t>(e.zeile())].nummer, e.engineMessage());
    }
    ergebnis.buchungen = static_cast<int>(zeilen.size());

    Bewegungszeilen bewegungen;
    bewegungen.mandant = mandant;
    bewegungen.ersteId = dm.neueID(QStringLiteral("t_Kontenbewegungen"));
    bewegungen.ersteBuchung = buchungen.ersteId;
    bewegungen.bewegungen = bewegungenRechnen.get();
    pruefeNummern(bewegungen.ersteId, bewegungen.bewegungen.size(), QStringLiteral("t_kontenbewegungen"));
    bulkInsert(db, QStringLiteral("t_kontenbewegungen"), BewegungSpalten, bewegungen, context);
    ergebnis.bewegungen = static_cast<int>(bewegungen.bewegungen.size());
    fruehSchreiben.reset();
    tx.markiere(Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    return ergebnis;
}

} // namespace BuchungsImport
