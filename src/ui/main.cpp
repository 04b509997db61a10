#include "app/Clock.h"
#include "app/FilePaths.h"
#include "app/Folders.h"
#include "app/Formats.h"
#include "app/KassolError.h"
#include "app/THelperData.h"
#include "migration/JetUebernahme.h"
#include "migration/JetUebernahmeStart.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"
#include "ui/Anwendung.h"
#include "ui/QtInteraction.h"
#include "ui/TForm_Kassol.h"
#include "app/UpdateLog.h"
#include "update/ProgramUpdate.h"
#include "update/WebUpdate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// The desktop's session end asks politely with SIGTERM: the program then closes its books at
// once, without the backup dialog that nobody would see (quit() would ask the windows to close,
// which leads to that dialog).
void beiSigterm(int) {
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Read before an update may set the running file aside under another name.
    const QString programmDatei = QApplication::applicationFilePath();
    QApplication::setApplicationName(QStringLiteral("Kassol"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kassol"));
    QApplication::setOrganizationName(QStringLiteral("Norvik"));
    Formats::setLocale(Formats::chooseLocale(QLocale::system()));
    QLocale::setDefault(Formats::locale());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kassol – Einnahmen, Ausgaben und Umsatzsteuer"));
    parser.addHelpOption();
    const QCommandLineOption datenOrdner(QStringLiteral("data-dir"),
                                         QStringLiteral("Datenordner mit KS_tab.mdb und Kassol.ini."), QStringLiteral("ORDNER"));
    parser.addOption(datenOrdner);
    parser.process(app);

    QtInteraction ui;
    // An unset variable in a starter script gives an empty folder; the default books must not take
    // its place. The script that started the program reads the refusal too.
    if (parser.isSet(datenOrdner) && parser.value(datenOrdner).trimmed().isEmpty()) {
        const QString text = QStringLiteral("Der Datenordner bei --data-dir ist leer. Bitte geben Sie einen Ordner an "
                                            "(ist vielleicht eine Variable im Aufruf nicht gesetzt?), oder starten Sie "
                                            "Kassol ohne --data-dir, um den gewohnten Datenordner zu verwenden.");
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        ui.error(text);
        return 1;
    }
    THelperData helper(Folders::ofPlatform(), &Helper_MdbSqlRunner::CreateDatabaseIfMissing);
    std::unique_ptr<QLockFile> sperre;
    SystemClock clock;
    std::unique_ptr<TDM_EinAus> dm;
    try {
        if (parser.isSet(datenOrdner))
            helper.UseDataFolder(QDir::cleanPath(QFileInfo(parser.value(datenOrdner)).absoluteFilePath()));
        else
            helper.InitPathAndDB();
        sperre = std::make_unique<QLockFile>(QDir(helper.DBPath()).filePath(QString::fromLatin1(FilePaths::SperrDatei)));
        sperre->setStaleLockTime(0);
        if (!sperre->tryLock(0))
            throw KassolError(QStringLiteral("Kassol ist mit dem Datenordner „%1“ bereits geöffnet.\n\n"
                                             "Arbeiten Sie bitte in diesem Fenster weiter.")
                                  .arg(QDir::toNativeSeparators(helper.DBPath())));
        // Books kept in the Jet format are offered for taking over; declined, they are refused below.
        if (hatJetDatenbank(helper.DBPath()))
            (void)jetUebernahmeBeimStart(helper.DBPath(), ui, clock);
        dm = std::make_unique<TDM_EinAus>(helper, clock);
        dm->DataModuleCreate();
    } catch (const KassolError& e) {
        ui.error(e.message());
        return 1;
    }

    Anwendung anwendung{helper, *dm, clock, ui};
    TForm_Kassol fenster(anwendung);
    QObject::connect(&fenster, &TForm_Kassol::programmEnde, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    std::signal(SIGTERM, beiSigterm);
    fenster.show();
    const int status = app.exec();
    dm->closeConnection();
    if (fenster.webUpdate().neustartGewuenscht()) {
        // The new program takes the data folder's lock, so this one lets it go first.
        sperre.reset();
        const UpdateLog log(QDir(helper.DBPath()).filePath(QString::fromLatin1(UpdateLog::DateiName)), clock);
        (void)Programmaktualisierung::starteNeu(programmDatei, app.arguments().mid(1),
                                               helper.folders().programFolder, log, clock);
    }
    return status;
}
