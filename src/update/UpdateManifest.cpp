#include "update/UpdateManifest.h"

#include "update/UpdateKeys.h"

#include <QRegularExpression>
#include <QSet>

namespace {

const QByteArray Kopf = QByteArrayLiteral("Kassol-Update 1");
const QByteArray SignaturZeile = QByteArrayLiteral("Signatur ");

[[noreturn]] void abgelehnt(const QString& grund) {
    throw UpdateAbgelehnt(QStringLiteral("Die Update-Beschreibung wurde abgelehnt: %1").arg(grund));
}

} // namespace

bool UpdateManifest::erlaubterName(const QString& name) {
    static const QRegularExpression teil(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._+-]*$"));
    if (name.isEmpty() || name.size() > 200)
        return false;
    for (const QString& t : name.split(QLatin1Char('/'))) {
        if (!teil.match(t).hasMatch())
            return false;
    }
    // The books, the settings and what the update keeps for itself are never program files.
    const QString klein = name.section(QLatin1Char('/'), -1).toLower();
    static const QSet<QString> daten{QStringLiteral("ks_tab.mdb"), QStringLiteral("ks_neu.mdb"), QStringLiteral("kassol.ini"),
                                     QStringLiteral("kassol.lock"), QStringLiteral("kassol_updatelog.log"),
                                     QStringLiteral("kassol_update.reste")};
    return !daten.contains(klein) && !klein.endsWith(QStringLiteral(".kassol-alt")) && !klein.contains(QStringLiteral(".mdb"));
}

QByteArray UpdateManifest::inhalt() const {
    QByteArray t = Kopf + '\n';
    t += "Version " + version.text().toLatin1() + '\n';
    t += "Ablauf " + ablauf.toString(Qt::ISODate).toLatin1() + '\n';
    for (const UpdateDatei& d : dateien)
        t += "Datei " + d.name.toUtf8() + ' ' + QByteArray::number(d.groesse) + ' ' + d.sha256.toHex() + ' ' +
             (d.ausfuehrbar ? "x" : "-") + ' ' + d.ort.toUtf8() + '\n';
    return t;
}

QByteArray UpdateManifest::signiert(const QByteArray& geheimerSchluessel) const {
    const QByteArray t = inhalt();
    return t + SignaturZeile + UpdateSchluessel::signiere(t, geheimerSchluessel).toBase64() + '\n';
}

UpdateManifest UpdateManifest::lies(const QByteArray& datei, const QByteArray& oeffentlicherSchluessel) {
    if (datei.size() > HoechsteGroesse)
        abgelehnt(QStringLiteral("Sie ist zu groß."));
    // The signature line is the last one; everything before it is what was signed.
    QByteArray text = datei;
    if (text.endsWith('\n'))
        text.chop(1);
    const qsizetype start = text.lastIndexOf('\n') + 1;
    if (!text.mid(start).startsWith(SignaturZeile))
        abgelehnt(QStringLiteral("Sie ist nicht signiert."));
    const QByteArray signiert = text.left(start);
    const auto signatur = QByteArray::fromBase64Encoding(text.mid(start + SignaturZeile.size()),
                                                         QByteArray::AbortOnBase64DecodingErrors);
    if (!signatur || !UpdateSchluessel::pruefe(signiert, signatur.decoded, oeffentlicherSchluessel))
        abgelehnt(QStringLiteral("Ihre Signatur passt nicht zum Schlüssel von Kassol; sie wurde verändert oder "
                                 "stammt nicht vom Herausgeber."));

    // Signed by the publisher: what follows only guards against a publisher's own mistakes.
    UpdateManifest m;
    const QList<QByteArray> zeilen = signiert.split('\n');
    if (zeilen.isEmpty() || zeilen.first() != Kopf)
        abgelehnt(QStringLiteral("Sie hat eine unbekannte Form."));
    bool hatVersion = false;
    QSet<QString> namen;
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    for (qsizetype i = 1; i < zeilen.size(); ++i) {
        const QByteArray& z = zeilen[i];
        if (z.isEmpty() && i == zeilen.size() - 1)
            break;
        const QList<QByteArray> teile = z.split(' ');
        if (teile.size() == 2 && teile[0] == "Version") {
            const auto v = Programmversion::lies(QString::fromLatin1(teile[1]));
            if (!v)
                abgelehnt(QStringLiteral("Die Version \u201E%1\u201C ist ungültig.").arg(QString::fromLatin1(teile[1])));
            m.version = *v;
            hatVersion = true;
        } else if (teile.size() == 2 && teile[0] == "Ablauf") {
            m.ablauf = QDate::fromString(QString::fromLatin1(teile[1]), Qt::ISODate);
            if (!m.ablauf.isValid())
                abgelehnt(QStringLiteral("Das Ablaufdatum ist ungültig."));
        } else if (teile.size() == 6 && teile[0] == "Datei") {
            UpdateDatei d;
            d.name = QString::fromUtf8(teile[1]);
            bool zahl = false;
            d.groesse = teile[2].toLongLong(&zahl);
            d.ausfuehrbar = teile[4] == "x";
            d.ort = QString::fromUtf8(teile[5]);
            if (!erlaubterName(d.name) || !erlaubterName(d.ort))
                abgelehnt(QStringLiteral("Die Datei \u201E%1\u201C darf nicht ersetzt werden.").arg(d.name));
            if (!zahl || d.groesse < 0 || d.groesse > HoechsteDateigroesse || !hex.match(QString::fromLatin1(teile[3])).hasMatch() ||
                (teile[4] != "x" && teile[4] != "-"))
                abgelehnt(QStringLiteral("Die Angaben zur Datei \u201E%1\u201C sind ungültig.").arg(d.name));
            if (namen.contains(d.name.toLower()))
                abgelehnt(QStringLiteral("Die Datei \u201E%1\u201C ist doppelt genannt.").arg(d.name));
            namen.insert(d.name.toLower());
            d.sha256 = QByteArray::fromHex(teile[3]);
            m.dateien << d;
        } else {
            abgelehnt(QStringLiteral("Die Zeile \u201E%1\u201C ist unbekannt.").arg(QString::fromUtf8(z.left(60))));
        }
    }
    if (!hatVersion || !m.ablauf.isValid() || m.dateien.isEmpty())
        abgelehnt(QStringLiteral("Version, Ablaufdatum oder Dateien fehlen."));
    return m;
}
