#include "migration/JetUebernahme.h"

#include "app/Codepage.h"
#include "app/FilePaths.h"
#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "migration/JetReader.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/MdbSqlRunner.h"
#include "store/SchemaScript.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <map>

namespace {

QString anzeige(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

QByteArray liesDatei(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(anzeige(path), f.errorString()));
    QByteArray inhalt = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(anzeige(path), f.errorString()));
    return inhalt;
}

QByteArray pruefsumme(const QByteArray& inhalt) { return QCryptographicHash::hash(inhalt, QCryptographicHash::Sha256); }

// Money with its four decimals and a decimal comma, as the bookkeeper reads it.
QString geld(std::int64_t zehntausendstel) {
    const bool negativ = zehntausendstel < 0;
    const unsigned long long betrag = negativ ? 0ULL - static_cast<unsigned long long>(zehntausendstel) : static_cast<unsigned long long>(zehntausendstel);
    return QStringLiteral("%1%2,%3").arg(negativ ? QStringLiteral("-") : QString()).arg(betrag / 10000).arg(betrag % 10000, 4, 10, QLatin1Char('0'));
}

QString ueberschrift(const QString& text) { return text + QLatin1Char('\n') + QString(text.size(), QLatin1Char('-')) + QLatin1Char('\n'); }

QString leerOder(const QVariant& v) { return v.isValid() ? v.toString() : QStringLiteral("(leer)"); }

QString protokollText(const QString& jetDatei, const Uebernahmeergebnis& e, const Uebernahmeoptionen& o, bool fertig) {
    const Abbildung& ab = e.abbildung;
    QString t;
    t += ueberschrift(QStringLiteral("Übernahme einer Access-Datenbank in Kassol")) + QLatin1Char('\n');
    t += QStringLiteral("Access-Datenbank: %1\n").arg(anzeige(jetDatei));
    const QDateTime zeit = o.zeitpunkt.isValid() ? o.zeitpunkt : QDateTime::currentDateTime();
    t += QStringLiteral("Zeitpunkt:        %1\n\n").arg(zeit.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    const int abgewiesen = static_cast<int>(ab.abgewiesen.size());
    if (!fertig)
        t += QStringLiteral("Ergebnis: NICHT übernommen. %1 Zeile(n) entsprechen nicht dem Aufbau der Kassol-Datenbank "
                            "(siehe unten). Es wurde nichts geschrieben; die Access-Datenbank ist unverändert.\n"
                            "Sie können die Zeilen in Access berichtigen und die Übernahme wiederholen, oder die Daten "
                            "ohne diese Zeilen übernehmen.\n\n")
                 .arg(abgewiesen);
    else if (abgewiesen > 0)
        t += QStringLiteral("Ergebnis: Übernommen OHNE die %1 unten genannten Zeile(n).\n\n").arg(abgewiesen);
    else
        t += QStringLiteral("Ergebnis: Vollständig übernommen.\n\n");
    if (abgewiesen > 0) {
        t += ueberschrift(QStringLiteral("Abgewiesene Zeilen (%1)").arg(abgewiesen));
        for (const AbgewieseneZeile& z : ab.abgewiesen)
            t += QStringLiteral("%1, Zeile %2 (%3): %4\n").arg(z.tabelle).arg(z.zeile).arg(z.schluessel, z.grund);
        t += QLatin1Char('\n');
    }
    if (!ab.hinweise.isEmpty()) {
        t += ueberschrift(QStringLiteral("Hinweise"));
        for (const QString& h : ab.hinweise)
            t += h + QLatin1Char('\n');
        t += QLatin1Char('\n');
    }
    t += ueberschrift(QStringLiteral("Zeilen je Tabelle (Access-Datenbank / %1)").arg(fertig ? QStringLiteral("übernommen") : QStringLiteral("übernehmbar")));
    for (const QString& tabelle : jetTabellen()) {
        const auto quelle = ab.quellZeilen.find(tabelle);
        const auto ziel = ab.erwarteteZeilen.find(tabelle);
        t += QStringLiteral("%1: %2 / %3\n")
                 .arg(tabelle)
                 .arg(quelle == ab.quellZeilen.end() ? 0 : quelle->second)
                 .arg(ziel == ab.erwarteteZeilen.end() ? 0 : ziel->second);
    }
    t += QLatin1Char('\n') + ueberschrift(QStringLiteral("Summen je Mandant und Wirtschaftsjahr%1")
                                              .arg(fertig ? QStringLiteral(" (in der neuen Datenbank geprüft)") : QString()));
    for (const JahresSumme& s : ab.summen)
        t += QStringLiteral("Mandant %1, Wirtschaftsjahr %2: Beträge %3, Steuerbeträge %4\n")
                 .arg(leerOder(s.mandant), leerOder(s.wirtschaftsjahr), geld(s.betrag), geld(s.steuer));
    if (fertig) {
        t += QStringLiteral("\nNeue Datenbank:            %1\n").arg(anzeige(e.datenbank));
        t += QStringLiteral("Access-Datenbank bewahrt:  %1\n").arg(anzeige(e.accessKopie));
        if (e.iniUebernommen)
            t += QStringLiteral("Einstellungen übernommen:  Kassol.ini (das Original liegt als Kassol_Access.ini daneben)\n");
    }
    return t;
}

void melde(const Uebernahmeoptionen& o, int prozent, const QString& schritt) {
    if (o.fortschritt)
        o.fortschritt(prozent, schritt);
}

// What a killed earlier run left of its new database: the file itself goes with SafeFileWriter's
// leftovers, its journal is removed here.
void entferneReste(const QString& datenbank) {
    SafeFileWriter::removeLeftovers(datenbank);
    const QFileInfo info(datenbank);
    const QDir ordner = info.absoluteDir();
    for (const QString& name : ordner.entryList({QStringLiteral(".%1.*.neu-journal").arg(info.fileName())}, QDir::Files | QDir::Hidden))
        if (!QFileInfo::exists(ordner.filePath(name.chopped(8))))
            QFile::remove(ordner.filePath(name));
}

void schreibe(Database& db, const Abbildung& ab, const Uebernahmeoptionen& o) {
    size_t gesamt = 0;
    for (const ZielTabelle& t : ab.tabellen)
        gesamt += t.zeilen.size();
    size_t erledigt = 0;
    Transaction tx = db.transaction();
    // The chart comes from the file, with the rows it lacked already added by the mapping.
    db.exec(QStringLiteral("DELETE FROM T_Kontenplan"), {}, QStringLiteral("Übernahme"));
    for (const ZielTabelle& t : ab.tabellen) {
        QStringList platz;
        for (const QString& s : t.spalten)
            platz << QLatin1Char(':') + s.toLower();
        QSqlQuery q = db.prepare(QStringLiteral("INSERT INTO [%1] ([%2]) VALUES (%3)")
                                     .arg(t.name, t.spalten.join(QStringLiteral("], [")), platz.join(QStringLiteral(", "))),
                                 QStringLiteral("Übernahme der Tabelle %1").arg(t.name));
        for (const QVariantList& zeile : t.zeilen) {
            for (int i = 0; i < t.spalten.size(); ++i)
                q.bindValue(platz[i], zeile[i]);
            Database::run(q, QStringLiteral("Übernahme der Tabelle %1").arg(t.name));
            if (++erledigt % 500 == 0 && gesamt > 0)
                melde(o, 30 + static_cast<int>(50 * erledigt / gesamt), QStringLiteral("Die Daten werden geschrieben …"));
        }
    }
    tx.commit();
}

std::map<std::pair<QString, QString>, std::pair<std::int64_t, std::int64_t>> summenAus(Database& db) {
    std::map<std::pair<QString, QString>, std::pair<std::int64_t, std::int64_t>> r;
    const auto schluessel = [](const QVariant& a, const QVariant& b) {
        return std::make_pair(a.isNull() ? QString() : a.toString(), b.isNull() ? QString() : b.toString());
    };
    QSqlQuery q = db.query(QStringLiteral("SELECT mandant, Wirtschaftsjahr, sum(Betrag) FROM T_Buchungen GROUP BY mandant, Wirtschaftsjahr"));
    // A sum that leaves the 64-bit range ends the walk with an error instead of a row.
    const auto pruefe = [](const QSqlQuery& abfrage) {
        if (abfrage.lastError().isValid())
            throw KassolError(QStringLiteral("Die Summen der neuen Datenbank lassen sich nicht genau rechnen (%1); es wurde "
                                             "nichts übernommen. Bitte prüfen Sie die Beträge in Access auf Tippfehler.")
                                  .arg(abfrage.lastError().text()));
    };
    while (q.next())
        r[schluessel(q.value(0), q.value(1))].first = q.value(2).toLongLong();
    pruefe(q);
    QSqlQuery k = db.query(QStringLiteral("SELECT k.mandant, b.Wirtschaftsjahr, sum(k.St_Betrag) FROM t_kontenbewegungen k "
                                          "LEFT JOIN T_Buchungen b ON b.mandant = k.mandant AND b.ID = k.Buchungen_id "
                                          "GROUP BY k.mandant, b.Wirtschaftsjahr"));
    while (k.next())
        r[schluessel(k.value(0), k.value(1))].second = k.value(2).toLongLong();
    pruefe(k);
    return r;
}

} // namespace

JetLeserFabrik& standardJetLeser() {
    static JetLeserFabrik fabrik = [](const QString& datei) -> std::unique_ptr<TabellenLeser> { return std::make_unique<JetReader>(datei); };
    return fabrik;
}

bool hatJetDatenbank(const QString& datenordner) {
    const QString datei = FilePaths::findNoCase(datenordner, QString::fromLatin1(Uebernahmedateien::Datenbank));
    return !datei.isEmpty() && inspectDatabaseFile(datei) == DatabaseFileKind::Jet;
}

QStringList pruefeUebernahme(Database& db, const Abbildung& ab) {
    QStringList abweichungen;
    for (const auto& [tabelle, erwartet] : ab.erwarteteZeilen) {
        const int da = db.scalar(QStringLiteral("SELECT count(*) FROM [%1]").arg(tabelle))->toInt();
        if (da != erwartet)
            abweichungen << QStringLiteral("Die Tabelle %1 hat %2 Zeilen statt %3.").arg(tabelle).arg(da).arg(erwartet);
    }
    auto geschrieben = summenAus(db);
    for (const JahresSumme& s : ab.summen) {
        const auto key = std::make_pair(s.mandant.isValid() ? s.mandant.toString() : QString(),
                                        s.wirtschaftsjahr.isValid() ? s.wirtschaftsjahr.toString() : QString());
        const auto it = geschrieben.find(key);
        const std::pair<std::int64_t, std::int64_t> da = it == geschrieben.end() ? std::make_pair(std::int64_t{0}, std::int64_t{0}) : it->second;
        if (it != geschrieben.end())
            geschrieben.erase(it);
        if (da.first != s.betrag)
            abweichungen << QStringLiteral("Mandant %1, Wirtschaftsjahr %2: Die Beträge ergeben %3 statt %4.")
                                .arg(leerOder(s.mandant), leerOder(s.wirtschaftsjahr), geld(da.first), geld(s.betrag));
        if (da.second != s.steuer)
            abweichungen << QStringLiteral("Mandant %1, Wirtschaftsjahr %2: Die Steuerbeträge ergeben %3 statt %4.")
                                .arg(leerOder(s.mandant), leerOder(s.wirtschaftsjahr), geld(da.second), geld(s.steuer));
    }
    for (const auto& [key, summe] : geschrieben)
        if (summe.first != 0 || summe.second != 0)
            abweichungen << QStringLiteral("Mandant %1, Wirtschaftsjahr %2: Die neue Datenbank enthält Beträge, die in der "
                                           "Access-Datenbank fehlen.")
                                .arg(key.first.isEmpty() ? QStringLiteral("(leer)") : key.first,
                                     key.second.isEmpty() ? QStringLiteral("(leer)") : key.second);
    const QString integritaet = db.scalar(QStringLiteral("PRAGMA integrity_check"))->toString();
    if (integritaet != QLatin1String("ok"))
        abweichungen << QStringLiteral("Die Prüfung der Datenbank meldet: %1").arg(integritaet);
    if (db.scalar(QStringLiteral("PRAGMA foreign_key_check")))
        abweichungen << QStringLiteral("Die neue Datenbank enthält Zeilen, die auf fehlende Zeilen verweisen.");
    return abweichungen;
}

Uebernahmeergebnis uebernimmJetDatenbank(const QString& datenordner, const Uebernahmeoptionen& o) {
    const QString ordner = QDir::cleanPath(QFileInfo(datenordner).absoluteFilePath());
    const QString jetDatei = FilePaths::findNoCase(ordner, QString::fromLatin1(Uebernahmedateien::Datenbank));
    if (jetDatei.isEmpty() || inspectDatabaseFile(jetDatei) != DatabaseFileKind::Jet)
        throw KassolError(QStringLiteral("Im Ordner \u201E%1\u201C liegt keine Access-Datenbank KS_tab.mdb, die übernommen "
                                         "werden könnte.")
                              .arg(QDir::toNativeSeparators(ordner)));
    entferneReste(jetDatei);

    Uebernahmeergebnis e;
    e.datenbank = jetDatei;
    e.accessKopie = FilePaths::join(ordner, QString::fromLatin1(Uebernahmedateien::AccessKopie));
    e.protokoll = FilePaths::join(ordner, QString::fromLatin1(Uebernahmedateien::Protokoll));

    // The file's bytes are read once here; the copy kept of it must have exactly these.
    melde(o, 0, QStringLiteral("Die Access-Datenbank wird gelesen …"));
    const QByteArray jetInhalt = liesDatei(jetDatei);
    const QByteArray jetSumme = pruefsumme(jetInhalt);
    {
        std::unique_ptr<TabellenLeser> leser = o.leser ? o.leser(jetDatei) : standardJetLeser()(jetDatei);
        e.abbildung = bildeJetDatenAb(*leser, [&o](int fertig, int gesamt) {
            melde(o, 25 * fertig / gesamt, QStringLiteral("Die Access-Datenbank wird gelesen …"));
        });
    }

    if (!e.abbildung.abgewiesen.empty() && !o.ohneUngueltige) {
        SafeFileWriter::writeAll(e.protokoll, protokollText(jetDatei, e, o, false).toUtf8(), QStringLiteral("Das Übernahme-Protokoll"));
        return e;
    }

    // A copy of the Jet file that does not match it byte for byte must not be replaced: it may be
    // the only copy of older books.
    bool kopieDa = false;
    if (QFileInfo::exists(e.accessKopie)) {
        if (pruefsumme(liesDatei(e.accessKopie)) != jetSumme)
            throw KassolError(QStringLiteral("Im Datenordner liegt schon eine andere Datei \u201E%1\u201C. Damit sie nicht "
                                             "verloren geht, wurde nichts übernommen. Bitte benennen Sie sie um oder "
                                             "verschieben Sie sie, und wiederholen Sie die Übernahme.")
                                  .arg(anzeige(e.accessKopie)));
        kopieDa = true;
    }

    melde(o, 30, QStringLiteral("Die Daten werden geschrieben …"));
    SafeFileWriter neu(jetDatei, QStringLiteral("Die neue Datenbank"));
    Helper_MdbSqlRunner::ExecuteSqlScript(neu.temporaryPath(), SchemaScript().split(QStringLiteral("\r\n")));
    {
        Database db;
        db.openOrCreate(neu.temporaryPath());
        // The file is synced as a whole before it is used; until then a crash only loses it.
        db.exec(QStringLiteral("PRAGMA journal_mode = MEMORY"));
        db.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        schreibe(db, e.abbildung, o);
        if (o.vorDerPruefung)
            o.vorDerPruefung(db);
        melde(o, 85, QStringLiteral("Die neue Datenbank wird geprüft …"));
        const QStringList abweichungen = pruefeUebernahme(db, e.abbildung);
        db.close();
        if (!abweichungen.isEmpty())
            throw KassolError(QStringLiteral("Die neue Datenbank stimmt nicht mit der Access-Datenbank überein; es wurde "
                                             "nichts übernommen und die Access-Datenbank ist unverändert.\n\n%1")
                                  .arg(abweichungen.join(QLatin1Char('\n'))));
    }

    melde(o, 90, QStringLiteral("Die Access-Datenbank wird bewahrt …"));
    if (pruefsumme(liesDatei(jetDatei)) != jetSumme)
        throw KassolError(QStringLiteral("Die Access-Datenbank \u201E%1\u201C wurde während der Übernahme verändert. Bitte "
                                         "schließen Sie jedes andere Programm, das sie verwendet, und wiederholen Sie die "
                                         "Übernahme.")
                              .arg(anzeige(jetDatei)));
    if (!kopieDa)
        SafeFileWriter::writeAll(e.accessKopie, jetInhalt, QStringLiteral("Die Kopie der Access-Datenbank"));

    // The settings are converted once. A kept original that still equals the file means an
    // earlier run stopped between the two writes; one that differs means the file is ours already.
    const QString ini = FilePaths::findNoCase(ordner, QString::fromLatin1(Uebernahmedateien::Ini));
    const QString gesichert = FilePaths::findNoCase(ordner, QString::fromLatin1(Uebernahmedateien::AccessIni));
    if (!ini.isEmpty()) {
        const QByteArray alt = liesDatei(ini);
        if (gesichert.isEmpty())
            SafeFileWriter::writeAll(FilePaths::join(ordner, QString::fromLatin1(Uebernahmedateien::AccessIni)), alt,
                                     QStringLiteral("Die Kopie der Einstellungen"));
        if (gesichert.isEmpty() || liesDatei(gesichert) == alt) {
            // A file someone saved with a UTF-8 mark has already left the old code page behind.
            QString text = alt.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(alt.mid(3)) : Codepage::fromWindows1252(alt);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#ifdef Q_OS_WIN
            text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
#endif
            SafeFileWriter::writeAll(ini, text.toUtf8(), QStringLiteral("Die Einstellungsdatei"));
            e.iniUebernommen = true;
        }
    }

    melde(o, 95, QStringLiteral("Die neue Datenbank wird eingesetzt …"));
    // The only step that changes what KS_tab.mdb is: one rename of a complete, synced file.
    neu.commit();
    e.uebernommen = true;
    SafeFileWriter::writeAll(e.protokoll, protokollText(jetDatei, e, o, true).toUtf8(), QStringLiteral("Das Übernahme-Protokoll"));
    melde(o, 100, QStringLiteral("Die Übernahme ist abgeschlossen."));
    return e;
}
