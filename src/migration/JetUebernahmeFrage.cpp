#include "migration/JetUebernahmeFrage.h"

#include "app/KassolError.h"
#include "app/UserInteraction.h"

#include <QDir>

namespace {

// So many refused rows are named in the box; the protocol names them all.
constexpr int ZeilenImFenster = 12;

QString zusammenfassung(const Uebernahmeergebnis& e) {
    const auto zahl = [&](const char* tabelle) {
        const auto it = e.abbildung.erwarteteZeilen.find(QString::fromLatin1(tabelle));
        return it == e.abbildung.erwarteteZeilen.end() ? 0 : it->second;
    };
    return QStringLiteral("Übernommen: %1 Mandant(en), %2 Wirtschaftsjahr(e), %3 Buchungskreis(e), %4 Buchung(en) "
                          "mit %5 Steuerbewegung(en).")
        .arg(zahl("T_Mandant"))
        .arg(zahl("T_Zeitraum"))
        .arg(zahl("T_BKreis"))
        .arg(zahl("T_Buchungen"))
        .arg(zahl("t_kontenbewegungen"));
}

} // namespace

bool frageNachJetUebernahme(const QString& datenordner, UserInteraction& ui, Uebernahmeoptionen optionen) {
    const QString ordner = QDir::toNativeSeparators(datenordner);
    const auto antwort = ui.confirmation(
        QStringLiteral("Im Datenordner \u201E%1\u201C liegt die Datenbank KS_tab.mdb im Format von Microsoft Access. "
                       "Kassol kann die Daten daraus übernehmen: alle Mandanten, Wirtschaftsjahre, Buchungskreise, "
                       "Stammdaten, Einstellungen und Buchungen.\n\n"
                       "Die Access-Datenbank wird dabei nicht verändert und bleibt als KS_tab_Access.mdb im Datenordner "
                       "erhalten.\n\nSollen die Daten jetzt übernommen werden?")
            .arg(ordner),
        {UserInteraction::Answer::Yes, UserInteraction::Answer::No});
    if (antwort != UserInteraction::Answer::Yes)
        return false;

    optionen.ohneUngueltige = false;
    Uebernahmeergebnis e = uebernimmJetDatenbank(datenordner, optionen);
    if (!e.uebernommen) {
        const auto& abgewiesen = e.abbildung.abgewiesen;
        QStringList zeilen;
        for (size_t i = 0; i < abgewiesen.size() && i < static_cast<size_t>(ZeilenImFenster); ++i)
            zeilen << QStringLiteral("\u2022 %1, Zeile %2 (%3): %4")
                          .arg(abgewiesen[i].tabelle)
                          .arg(abgewiesen[i].zeile)
                          .arg(abgewiesen[i].schluessel, abgewiesen[i].grund);
        if (abgewiesen.size() > static_cast<size_t>(ZeilenImFenster))
            zeilen << QStringLiteral("\u2026 und %1 weitere.").arg(abgewiesen.size() - ZeilenImFenster);
        const QString protokoll = QDir::toNativeSeparators(e.protokoll);
        const auto ohne = ui.warning(
            QStringLiteral("%1 Zeile(n) der Access-Datenbank passen nicht in die Kassol-Datenbank und wurden nicht "
                           "übernommen:\n\n%2\n\nDas vollständige Protokoll steht in \u201E%3\u201C.\n\n"
                           "Sollen die übrigen Daten ohne diese Zeilen übernommen werden? Die Access-Datenbank bleibt "
                           "in jedem Fall unverändert.")
                .arg(abgewiesen.size())
                .arg(zeilen.join(QLatin1Char('\n')), protokoll),
            {UserInteraction::Answer::Yes, UserInteraction::Answer::No});
        if (ohne != UserInteraction::Answer::Yes)
            throw KassolError(QStringLiteral("Die Daten wurden nicht übernommen; die Access-Datenbank ist unverändert. "
                                             "Die abgewiesenen Zeilen stehen im Protokoll \u201E%1\u201C. Berichtigen Sie "
                                             "sie in Access und starten Sie Kassol erneut.")
                                  .arg(protokoll));
        optionen.ohneUngueltige = true;
        e = uebernimmJetDatenbank(datenordner, optionen);
    }
    QString text = QStringLiteral("Die Daten wurden in die neue Kassol-Datenbank übernommen und geprüft.\n\n%1").arg(zusammenfassung(e));
    if (!e.abbildung.abgewiesen.empty())
        text += QStringLiteral("\n\n%1 abgewiesene Zeile(n) fehlen; sie stehen im Protokoll \u201E%2\u201C.")
                    .arg(e.abbildung.abgewiesen.size())
                    .arg(QDir::toNativeSeparators(e.protokoll));
    text += QStringLiteral("\n\nDie Access-Datenbank liegt unverändert als \u201E%1\u201C im Datenordner.").arg(QDir::toNativeSeparators(e.accessKopie));
    ui.information(text);
    return true;
}
