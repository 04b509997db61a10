#include "app/FilePaths.h"
#include "app/Formats.h"
#include "app/THelperData.h"
#include "app/UserInteraction.h"
#include "cli/CliCommand.h"
#include "cli/CliInteraction.h"
#include "store/DM_KS.h"
#include "store/DbError.h"
#include "store/MdbSqlRunner.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <QFileInfo>
#include <optional>

namespace {

void printUsage(QTextStream& out) {
    out << "Kassol – Einnahmen, Ausgaben und Umsatzsteuer\n\n"
           "Aufruf: kassol-cli [--data-dir ORDNER] [--json] [--verbose] BEFEHL [ARGUMENTE]\n\n"
           "  --data-dir ORDNER  Datenordner mit KS_tab.mdb und Kassol.ini; ohne diese Option\n"
           "                     gilt derselbe Ordner wie für das Programm selbst.\n"
           "  --json             Ausgabe als ein JSON-Dokument (Beträge als Text mit Punkt,\n"
           "                     Datumsangaben als jjjj-mm-tt, Kennzeichen als gespeicherte Zahlen).\n"
           "  --verbose          Bei einem Datenbankfehler auch die technischen Einzelheiten\n"
           "                     (Meldung der Datenbank, Anweisung) ausgeben.\n\n"
           "Befehle:\n";
    // In the order a user meets them; commands not named here follow alphabetically.
    static const QStringList order{"init",   "info",   "client", "year",   "circle", "master",  "book",   "change",
                                   "delete", "list",   "totals", "import", "report", "export", "backup", "restore"};
    std::vector<const CliCommand*> commands;
    for (const CliCommand& c : CliRegistry::all())
        commands.push_back(&c);
    const auto rank = [](const CliCommand* c) {
        const qsizetype i = order.indexOf(c->name);
        return std::make_pair(i < 0 ? order.size() : i, c->name);
    };
    std::sort(commands.begin(), commands.end(), [&](const auto* a, const auto* b) { return rank(a) < rank(b); });
    for (const CliCommand* c : commands)
        out << "  " << c->name.leftJustified(10) << " " << c->summary << "\n";
    out << "\n'kassol-cli BEFEHL --help' zeigt die Aufrufe eines Befehls.\n";
}

void printCommandUsage(QTextStream& out, const CliCommand& c) {
    out << c.summary << "\n\n" << c.usage;
    if (!c.usage.endsWith(QLatin1Char('\n')))
        out << "\n";
}

} // namespace

int runCli(const QStringList& argsIn, QTextStream& out, QTextStream& err, const Clock& clock) {
    QStringList args = argsIn;
    std::optional<QString> dataDir;
    bool json = false;
    bool verbose = false;
    // Global options may stand anywhere before or after the command.
    for (int i = 0; i < args.size();) {
        if (args[i] == QStringLiteral("--data-dir")) {
            if (i + 1 >= args.size()) {
                err << "Zur Option --data-dir fehlt der Ordner.\n";
                return 1;
            }
            dataDir = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(QStringLiteral("--data-dir="))) {
            dataDir = args[i].mid(11);
            args.remove(i);
        } else if (args[i] == QStringLiteral("--json")) {
            json = true;
            args.remove(i);
        } else if (args[i] == QStringLiteral("--verbose")) {
            verbose = true;
            args.remove(i);
        } else {
            ++i;
        }
    }
    // An unset variable in a script gives an empty folder; the default books must not take its place.
    if (dataDir && dataDir->trimmed().isEmpty()) {
        err << "Der Datenordner bei --data-dir ist leer. Bitte geben Sie einen Ordner an (ist vielleicht eine "
               "Variable im Aufruf nicht gesetzt?), oder lassen Sie --data-dir weg, um den gewohnten Datenordner "
               "zu verwenden.\n";
        return 1;
    }
    if (args.isEmpty() || args[0] == QStringLiteral("--help") || args[0] == QStringLiteral("-h") ||
        args[0] == QStringLiteral("help")) {
        printUsage(out);
        return args.isEmpty() ? 1 : 0;
    }
    const CliCommand* command = CliRegistry::find(args[0]);
    if (!command) {
        err << QStringLiteral("Unbekannter Befehl \u201E%1\u201C. 'kassol-cli --help' zeigt alle Befehle.\n").arg(args[0]);
        return 1;
    }
    const QStringList rest = args.mid(1);
    if (rest.contains(QStringLiteral("--help"))) {
        printCommandUsage(out, *command);
        return 0;
    }

    // A database this run creates is removed again when the command fails, so that a failed
    // "init" leaves no empty books behind that a later run would take as set up.
    QString createdDatabase;
    QString createdFolder;
    int status = 1;
    try {
        THelperData helper(Folders::ofPlatform(), [&createdDatabase](const QString& file) {
            Helper_MdbSqlRunner::CreateDatabaseIfMissing(file);
            createdDatabase = file;
        });
        if (!dataDir) {
            helper.InitPathAndDB();
        } else if (command->createsDatabase) {
            const QString folder = QDir::cleanPath(QFileInfo(*dataDir).absoluteFilePath());
            if (!QFileInfo::exists(folder))
                createdFolder = folder;
            helper.UseDataFolder(folder);
        } else if (!command->opensDatabase) {
            const QString folder = QDir::cleanPath(QFileInfo(*dataDir).absoluteFilePath());
            if (!QFileInfo(folder).isDir())
                throw KassolError(QStringLiteral("Der Datenordner \u201E%1\u201C existiert nicht.").arg(QDir::toNativeSeparators(folder)));
            helper.PointAtDataFolder(folder);
        } else {
            const QString folder = QDir::cleanPath(QFileInfo(*dataDir).absoluteFilePath());
            if (!FilePaths::existsNoCase(folder, QString::fromLatin1(THelperData::DatabaseFileName)))
                throw KassolError(QStringLiteral("Im Ordner \u201E%1\u201C gibt es keine Kassol-Datenbank. "
                                                 "Legen Sie sie mit \u201Ekassol-cli --data-dir %1 init\u201C an.")
                                      .arg(QDir::toNativeSeparators(folder)));
            helper.UseDataFolder(folder);
        }
        TDM_EinAus dm(helper, clock);
        if (command->opensDatabase)
            dm.DataModuleCreate();
        CliInteraction ui;
        CliContext ctx{helper, dm, clock, ui, out, err, json};
        status = command->run(ctx, rest);
    } catch (const CliUsageError& e) {
        err << e.message() << "\n\n";
        printCommandUsage(err, *command);
    } catch (const KassolError& e) {
        err << e.message() << "\n";
        // The technical account of a database failure, for whoever looks into it.
        if (const auto* db = dynamic_cast<const DbError*>(&e); db && verbose)
            err << "\nEinzelheiten:\n" << db->details() << "\n";
    } catch (const std::exception& e) {
        err << "Unerwarteter Fehler: " << e.what() << "\n";
    }
    if (status != 0 && !createdDatabase.isEmpty()) {
        // The data module is gone and with it the connection; the folder goes only when empty.
        QFile::remove(createdDatabase);
        if (!createdFolder.isEmpty())
            QDir().rmdir(createdFolder);
    }
    return status;
}
