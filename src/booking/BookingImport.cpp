#include "booking/BookingImport.h"

#include "app/Currency.h"
#include "app/KassolError.h"
#include "app/TextRules.h"
#include "booking/Bookings.h"
#include "booking/TaxPosting.h"
#include "store/DM_KS.h"
#include "store/DbError.h"

#include <QFile>
#include <QStringDecoder>
#include <QHash>
#include <limits>
#include <sqlite3.h>

namespace {

const QStringList Kopfzeile{QStringLiteral("Datum"),     QStringLiteral("Belegnummer"), QStringLiteral("Text"),
                            QStringLiteral("Betrag"),    QStringLiteral("Steuersatz"),  QStringLiteral("Buchungskreis"),
                            QStringLiteral("Art"),       QStringLiteral("EU"),          QStringLiteral("Drittland"),
                            QStringLiteral("KFZ"),       QStringLiteral("Gebaeude")};

const char* const InsertBuchung_Sql =
    "INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, Betrag, Text, BK, "
    "IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
const char* const InsertBewegung_Sql =
    "INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id, Konten_Nr, St_Betrag) VALUES (?,?,?,?,?)";

struct Zeile {
    int nummer = 0;
    Buchungsdaten daten;
};

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

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql), QStringLiteral("Buchungen importieren"));
        m_db = db;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() { return m_stmt; }
    void run() {
        if (sqlite3_step(m_stmt) != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_reset(m_stmt);
            throw DbError(message, QString::fromUtf8(sqlite3_sql(m_stmt)), QStringLiteral("Buchungen importieren"));
        }
        sqlite3_reset(m_stmt);
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

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
    return importiere(dm, file.readAll());
}

ImportErgebnis importiere(TDM_EinAus& dm, const QByteArray& utf8) {
    const int mandant = dm.gibAktiverMandant();
    const int zeitraum = dm.gibZeitraum();
    if (mandant == -1 || zeitraum == -1)
        throw KassolError(QStringLiteral("Es ist kein aktiver Mandant mit einem aktuellen Wirtschaftsjahr eingerichtet."));
    const int jahr = dm.gibJahr();

    QHash<QString, int> kreise;
    QSet<QString> mehrdeutig;
    {
        QSqlQuery q = dm.db().query(QStringLiteral("SELECT id, BKKurz FROM T_BKreis WHERE mandant = :mandant"), {{QStringLiteral(":mandant"), mandant}});
        while (q.next()) {
            const QString kurz = q.value(1).toString().trimmed().toUpper();
            if (kreise.contains(kurz))
                mehrdeutig.insert(kurz);
            kreise.insert(kurz, q.value(0).toInt());
        }
    }

    // A file in another encoding (Windows-1252, Latin-1) would import its umlauts as replacement
    // characters without a word; it is refused instead.
    QStringDecoder utf8Decoder(QStringDecoder::Utf8);
    QString text = utf8Decoder.decode(utf8);
    if (utf8Decoder.hasError())
        throw KassolError(QStringLiteral("Die Datei ist nicht in UTF-8 geschrieben (etwa Umlaute in Windows-1252 oder Latin-1). "
                                         "Speichern Sie sie bitte als UTF-8 (in Excel: \u201ECSV UTF-8\u201C) und importieren Sie "
                                         "sie noch einmal."));
    const Buchungen::Steuersaetze saetze = Buchungen::erlaubteSteuersaetze(dm);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<Zeile> zeilen;
    zeilen.reserve(lines.size());
    bool kopfGelesen = false;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int nr = i + 1;
        if (line.trimmed().isEmpty())
            continue;
        const QStringList f = felder(line);
        if (!kopfGelesen) {
            QStringList kopf;
            for (const QString& s : f)
                kopf << s.trimmed();
            if (kopf.size() != Kopfzeile.size() || kopf.join(QLatin1Char(';')).compare(Kopfzeile.join(QLatin1Char(';')), Qt::CaseInsensitive) != 0)
                throw zeilenFehler(nr, QStringLiteral("Die Kopfzeile muss \u201E%1\u201C lauten.").arg(Kopfzeile.join(QLatin1Char(';'))));
            kopfGelesen = true;
            continue;
        }
        if (f.size() != Kopfzeile.size())
            throw zeilenFehler(nr, QStringLiteral("Die Zeile hat %1 statt %2 Spalten.").arg(f.size()).arg(Kopfzeile.size()));
        Zeile z;
        z.nummer = nr;
        Buchungsdaten& d = z.daten;
        d.datum = datum(f[0]);
        if (!d.datum.isValid())
            throw zeilenFehler(nr, QStringLiteral("\u201E%1\u201C ist kein gültiges Datum (TT.MM.JJJJ).").arg(f[0]));
        if (d.datum.year() != jahr)
            throw zeilenFehler(nr, QStringLiteral("Das Datum %1 liegt nicht im Wirtschaftsjahr %2.").arg(f[0].trimmed()).arg(jahr));
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
        if (!kreise.contains(kurz))
            throw zeilenFehler(nr, QStringLiteral("Der Buchungskreis \u201E%1\u201C ist beim aktiven Mandanten nicht angelegt.").arg(f[5].trimmed()));
        if (mehrdeutig.contains(kurz))
            throw zeilenFehler(nr, QStringLiteral("Das Kürzel \u201E%1\u201C haben mehrere Buchungskreise.").arg(f[5].trimmed()));
        d.bk = kreise.value(kurz);
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
            saetze.pruefe(d.art, satz);
        } catch (const KassolError& e) {
            throw zeilenFehler(nr, e.message());
        }
        zeilen.push_back(std::move(z));
    }
    if (!kopfGelesen)
        throw KassolError(QStringLiteral("Die Datei ist leer; es fehlt die Kopfzeile."));

    ImportErgebnis ergebnis;
    Database& db = dm.db();
    sqlite3* handle = db.handle();
    auto tx = db.transaction();
    // Keys and voucher numbers are taken as the booking one after another would take them, inside
    // the write transaction so that no other program takes them meanwhile.
    int naechsteId = dm.neueID(QStringLiteral("T_Buchungen"));
    int naechsteBewegung = dm.neueID(QStringLiteral("t_Kontenbewegungen"));
    qint64 hoechsteBelegnummer = dm.hoechsteBelegnummer();
    // Building an index once from sorted rows is far quicker than growing it row by row. When
    // the import at least doubles the bookings, the secondary indexes are dropped and built
    // again afterwards, inside the same transaction, so that a failure restores them too.
    QStringList indexe;
    const qint64 vorhanden = db.scalar(QStringLiteral("SELECT count(*) FROM T_Buchungen"))->toLongLong();
    if (static_cast<qint64>(zeilen.size()) >= std::max<qint64>(vorhanden, 1000)) {
        QSqlQuery q = db.query(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL "
                                              "AND tbl_name IN ('T_Buchungen', 't_kontenbewegungen')"));
        QStringList namen;
        while (q.next()) {
            namen << q.value(0).toString();
            indexe << q.value(1).toString();
        }
        for (const QString& name : namen)
            db.exec(QStringLiteral("DROP INDEX [%1]").arg(name), {}, QStringLiteral("Buchungen importieren"));
    }
    Statement buchung(handle, InsertBuchung_Sql);
    Statement bewegung(handle, InsertBewegung_Sql);
    for (const Zeile& z : zeilen) {
        const Buchungsdaten& d = z.daten;
        const int id = naechsteId++;
        const int belegnummer = d.belegnummer ? *d.belegnummer : TDM_EinAus::naechsteBelegnummer(hoechsteBelegnummer);
        hoechsteBelegnummer = std::max<qint64>(hoechsteBelegnummer, belegnummer);
        const QByteArray datumText = d.datum.toString(Qt::ISODate).toLatin1();
        const QByteArray textUtf8 = d.text.toUtf8();
        sqlite3_stmt* s = buchung.get();
        sqlite3_bind_int(s, 1, mandant);
        sqlite3_bind_int(s, 2, id);
        sqlite3_bind_int(s, 3, zeitraum);
        sqlite3_bind_text(s, 4, datumText.constData(), static_cast<int>(datumText.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 5, belegnummer);
        sqlite3_bind_int(s, 6, *d.steuersatz);
        sqlite3_bind_int64(s, 7, d.betrag->units());
        sqlite3_bind_text(s, 8, textUtf8.constData(), static_cast<int>(textUtf8.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 9, *d.bk);
        sqlite3_bind_int(s, 10, gespeichert(d.istEU));
        sqlite3_bind_int(s, 11, gespeichert(d.istDrittland));
        sqlite3_bind_int(s, 12, gespeichert(d.art));
        sqlite3_bind_int(s, 13, gespeichert(d.istKFZ));
        sqlite3_bind_int(s, 14, gespeichert(d.istGebaeude));
        try {
            buchung.run();
        } catch (const DbError& e) {
            throw zeilenFehler(z.nummer, e.engineMessage());
        }
        ++ergebnis.buchungen;
        const BuchungFuerSteuer fuerSteuer{d.art, d.istEU, d.istDrittland, *d.betrag, *d.steuersatz};
        for (const Steuerbewegung& b : berechneSteuerbewegungen(fuerSteuer)) {
            sqlite3_stmt* m = bewegung.get();
            sqlite3_bind_int(m, 1, mandant);
            sqlite3_bind_int(m, 2, naechsteBewegung++);
            sqlite3_bind_int(m, 3, id);
            sqlite3_bind_int(m, 4, b.konto);
            sqlite3_bind_int64(m, 5, b.betrag.units());
            bewegung.run();
            ++ergebnis.bewegungen;
        }
    }
    for (const QString& index : indexe)
        db.exec(index, {}, QStringLiteral("Buchungen importieren"));
    tx.markiere(Aenderungsmelder::Bereich::Buchungen);
    tx.commit();
    return ergebnis;
}

} // namespace BuchungsImport
