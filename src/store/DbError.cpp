#include "store/DbError.h"

#include <QStringList>
#include <sqlite3.h>

DbError::Art DbError::classify(int engineCode, const QString& engineMessage) {
    switch (engineCode < 0 ? -1 : engineCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Art::Belegt;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Art::Schreibgeschuetzt;
    case SQLITE_FULL:
        return Art::Voll;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Art::Beschaedigt;
    case SQLITE_CANTOPEN:
        return Art::NichtZuOeffnen;
    case SQLITE_IOERR:
        return Art::Datentraeger;
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return Art::Regel;
    default:
        break;
    }
    // Without a code (or for SQLite's generic error) the engine's message tells the kind.
    const QString m = engineMessage.toLower();
    const auto has = [&](const char* text) { return m.contains(QLatin1String(text)); };
    if (has("integer overflow"))
        return Art::Ueberlauf;
    if (has("no such table") || has("no such column"))
        return Art::TabelleFehlt;
    if (engineCode >= 0 && (engineCode & 0xFF) != SQLITE_ERROR)
        return Art::Sonstiges;
    if (has("database is locked") || has("database table is locked"))
        return Art::Belegt;
    if (has("readonly database") || has("read-only"))
        return Art::Schreibgeschuetzt;
    if (has("database or disk is full"))
        return Art::Voll;
    if (has("disk image is malformed") || has("file is not a database"))
        return Art::Beschaedigt;
    if (has("unable to open database"))
        return Art::NichtZuOeffnen;
    if (has("disk i/o error"))
        return Art::Datentraeger;
    if (has("constraint failed") || has("datatype mismatch") || has("too big"))
        return Art::Regel;
    return Art::Sonstiges;
}

QString DbError::userMessage(Art art, const QString& context) {
    QString text;
    switch (art) {
    case Art::Belegt:
        text = QStringLiteral("Ein anderes Kassol-Programm arbeitet gerade mit diesen Daten. Bitte versuchen Sie es "
                              "gleich noch einmal.");
        break;
    case Art::Schreibgeschuetzt:
        text = QStringLiteral("Die Datenbank ist schreibgeschützt: Kassol darf die Datei oder ihren Ordner nicht "
                              "ändern. Bitte prüfen Sie die Zugriffsrechte des Datenordners und ob der Datenträger "
                              "beschreibbar ist, und versuchen Sie es dann noch einmal.");
        break;
    case Art::Voll:
        text = QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei (oder die Datenbank hat ihre größte "
                              "Größe erreicht); die Änderung wurde nicht gespeichert. Bitte schaffen Sie Platz und "
                              "versuchen Sie es dann noch einmal.");
        break;
    case Art::Beschaedigt:
        text = QStringLiteral("Die Datenbank ist beschädigt und kann nicht sicher gelesen werden. Bitte arbeiten Sie "
                              "nicht weiter mit ihr, sondern stellen Sie die letzte Datensicherung wieder her.");
        break;
    case Art::TabelleFehlt:
        text = QStringLiteral("Der Datenbank fehlt eine Tabelle oder Spalte, die Kassol braucht: sie ist "
                              "unvollständig oder stammt nicht von Kassol. Bitte stellen Sie die letzte "
                              "Datensicherung wieder her.");
        break;
    case Art::NichtZuOeffnen:
        text = QStringLiteral("Die Datenbank kann nicht geöffnet werden. Bitte prüfen Sie, ob der Datenordner "
                              "besteht und Sie darin lesen und schreiben dürfen.");
        break;
    case Art::Datentraeger:
        text = QStringLiteral("Beim Lesen oder Schreiben der Datenbank hat der Datenträger einen Fehler gemeldet; "
                              "die Änderung wurde nicht gespeichert. Bitte prüfen Sie den Datenträger (bei einem "
                              "Netzlaufwerk die Verbindung) und versuchen Sie es dann noch einmal.");
        break;
    case Art::Regel:
        text = QStringLiteral("Die Daten verletzen eine Regel der Datenbank (etwa ein doppelter Schlüssel, ein zu "
                              "langer Text oder ein Wert außerhalb des erlaubten Bereichs) und wurden nicht "
                              "gespeichert. Bitte prüfen Sie Ihre Eingaben.");
        break;
    case Art::Ueberlauf:
        text = QStringLiteral("Die Summe der Beträge ist zu groß, um sie genau zu rechnen. Bitte prüfen Sie die "
                              "Beträge der Buchungen auf Tippfehler.");
        break;
    case Art::Sonstiges:
        text = QStringLiteral("Die Datenbank hat den Vorgang mit einem unerwarteten Fehler abgebrochen. Bitte "
                              "versuchen Sie es noch einmal.");
        break;
    }
    if (!context.isEmpty())
        text += QStringLiteral("\n(Vorgang: %1)").arg(context);
    return text;
}

QString DbError::details() const {
    QStringList lines;
    if (!m_context.isEmpty())
        lines << QStringLiteral("Vorgang: ") + m_context;
    QString engine = QStringLiteral("SQLite: ") + m_engineMessage;
    if (m_engineCode >= 0)
        engine += QStringLiteral(" (Code %1)").arg(m_engineCode);
    lines << engine;
    if (!m_statement.isEmpty())
        lines << QStringLiteral("Anweisung: ") + m_statement.simplified();
    return lines.join(QLatin1Char('\n'));
}
