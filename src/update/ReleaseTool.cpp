// kassol-release: makes the update key pair and signs a release for the update server.
#include "app/KassolError.h"
#include "update/Publisher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

const char* Aufruf =
    "kassol-release keygen --out ORDNER\n"
    "  Schreibt ein neues Schlüsselpaar: kassol-update.pub (öffentlich, wird in Kassol eingebaut)\n"
    "  und kassol-update.key (geheim, nur für den Besitzer lesbar; nie weitergeben).\n"
    "kassol-release sign --key SCHLÜSSELDATEI --version VERSION [--expires JJJJ-MM-TT] --files ORDNER --out WEBROOT\n"
    "  Kopiert alle Dateien aus ORDNER nach WEBROOT/webupdate/Kassol/ und schreibt daneben die\n"
    "  signierte Kassol.inf. VERSION hat die Form 2026.05; ohne --expires gilt sie 180 Tage.\n";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        (args.isEmpty() ? err : out) << QString::fromUtf8(Aufruf);
        return args.isEmpty() ? 1 : 0;
    }
    const QString befehl = args.takeFirst();
    QCommandLineParser p;
    const QCommandLineOption ausgabe(QStringLiteral("out"), QString(), QStringLiteral("ORDNER"));
    const QCommandLineOption schluessel(QStringLiteral("key"), QString(), QStringLiteral("DATEI"));
    const QCommandLineOption version(QStringLiteral("version"), QString(), QStringLiteral("VERSION"));
    const QCommandLineOption ablauf(QStringLiteral("expires"), QString(), QStringLiteral("DATUM"));
    const QCommandLineOption dateien(QStringLiteral("files"), QString(), QStringLiteral("ORDNER"));
    p.addOptions({ausgabe, schluessel, version, ablauf, dateien});
    if (!p.parse(QStringList{QStringLiteral("kassol-release")} + args) || !p.positionalArguments().isEmpty()) {
        err << (p.errorText().isEmpty() ? QStringLiteral("Unerwartete Angabe: %1").arg(p.positionalArguments().join(u' '))
                                        : p.errorText())
            << "\n\n"
            << QString::fromUtf8(Aufruf);
        return 1;
    }
    const auto fehlt = [&](const QCommandLineOption& o) {
        if (p.value(o).trimmed().isEmpty()) {
            err << QStringLiteral("Die Option --%1 fehlt.\n\n").arg(o.names().first()) << QString::fromUtf8(Aufruf);
            return true;
        }
        return false;
    };
    try {
        if (befehl == QStringLiteral("keygen")) {
            if (fehlt(ausgabe))
                return 1;
            Herausgabe::erzeugeSchluessel(p.value(ausgabe));
            out << QStringLiteral("Schlüsselpaar geschrieben: %1 und %2 in \u201E%3\u201C.\n")
                       .arg(QString::fromLatin1(Herausgabe::OeffentlicheDatei), QString::fromLatin1(Herausgabe::GeheimeDatei),
                            QDir::toNativeSeparators(p.value(ausgabe)));
            return 0;
        }
        if (befehl == QStringLiteral("sign")) {
            if (fehlt(schluessel) || fehlt(version) || fehlt(dateien) || fehlt(ausgabe))
                return 1;
            QDate bis = QDate::currentDate().addDays(180);
            if (p.isSet(ablauf)) {
                bis = QDate::fromString(p.value(ablauf), Qt::ISODate);
                if (!bis.isValid()) {
                    err << QStringLiteral("Das Datum bei --expires \u201E%1\u201C ist ungültig (JJJJ-MM-TT).\n").arg(p.value(ablauf));
                    return 1;
                }
            }
            const UpdateManifest m =
                Herausgabe::signiere(p.value(schluessel), p.value(version), bis, p.value(dateien), p.value(ausgabe));
            out << QStringLiteral("Version %1 mit %2 signiert, gültig bis %3: %4\n")
                       .arg(m.version.text(),
                            m.dateien.size() == 1 ? QStringLiteral("1 Datei") : QStringLiteral("%1 Dateien").arg(m.dateien.size()),
                            m.ablauf.toString(Qt::ISODate),
                            QDir::toNativeSeparators(QDir(p.value(ausgabe)).filePath(QStringLiteral("webupdate/Kassol/Kassol.inf"))));
            return 0;
        }
        err << QStringLiteral("Unbekannter Befehl \u201E%1\u201C.\n\n").arg(befehl) << QString::fromUtf8(Aufruf);
        return 1;
    } catch (const KassolError& e) {
        err << e.message() << "\n";
        return 1;
    }
}
