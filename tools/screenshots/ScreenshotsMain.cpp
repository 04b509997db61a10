// Opens the main window, the voucher entry, the administration dialogs, the period dialogs, the
// report preview (VAT reconciliation and journal), the export windows and the backup dialog on
// the books of a data folder and writes a PNG of each, so that they can be looked at without
// clicking through the program.
//   kassol-screenshots DATENORDNER ZIELORDNER
#include "admin/TFormBuchungsKreisAuswahl.h"
#include "admin/TFormBuchungskreisNeu.h"
#include "app/Clock.h"
#include "app/Folders.h"
#include "app/Formats.h"
#include "app/THelperData.h"
#include "export/TExportansicht.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"
#include "ui/Anwendung.h"
#include "ui/TForm_Kassol.h"
#include "ui/WidgetInteraction.h"
#include "ui/reports/TReportVorschau.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <cstdio>

namespace {

// Answers every question with its first button, photographs every dialog and closes it again
// (with OK for the dialogs named in annehmen), and photographs the preview of every report.
class Fotograf final : public WidgetInteraction {
public:
    explicit Fotograf(QString ziel) : m_ziel(std::move(ziel)) {}
    void information(const QString& text) override { std::fprintf(stderr, "Meldung: %s\n", qPrintable(text)); }
    Answer confirmation(const QString&, const QList<Answer>& b) override { return b.value(0, Answer::Ok); }
    Answer warning(const QString&, const QList<Answer>& b) override { return b.value(0, Answer::Ok); }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void openFile(const QString&) override {}
    void error(const QString& text) override { std::fprintf(stderr, "Fehler: %s\n", qPrintable(text)); }
    void showWindow(QWidget& w) override { w.show(); }
    int execDialog(QDialog& d) override {
        d.show();
        d.adjustSize();
        QApplication::processEvents();
        speichere(d, d.objectName());
        d.hide();
        return annehmen.contains(d.objectName()) ? QDialog::Accepted : QDialog::Rejected;
    }
    void vorschau(const ReportEngine::PreparedReport& report) override {
        TReportVorschau v(report, *this);
        v.resize(1100, 820);
        v.show();
        QApplication::processEvents();
        speichere(v, berichtName);
    }
    void speichere(QWidget& w, const QString& name) {
        const QString datei = QDir(m_ziel).filePath(name + QStringLiteral(".png"));
        if (!w.grab().save(datei))
            std::fprintf(stderr, "Kann %s nicht schreiben\n", qPrintable(datei));
        else
            std::printf("%s\n", qPrintable(datei));
    }

    QStringList annehmen;
    QString berichtName = QStringLiteral("TReportVorschau");

private:
    QString m_ziel;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kassol"));
    Formats::setLocale(QLocale(QLocale::German, QLocale::Austria));
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: kassol-screenshots DATENORDNER ZIELORDNER\n");
        return 1;
    }
    const QString ziel = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(ziel);
    Folders ordner = Folders::ofPlatform();
    ordner.desktopFolder = ziel;
    THelperData helper(ordner, &Helper_MdbSqlRunner::CreateDatabaseIfMissing);
    helper.UseDataFolder(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    SystemClock clock;
    TDM_EinAus dm(helper, clock);
    dm.DataModuleCreate();
    Fotograf fotograf(ziel);
    Anwendung anwendung{helper, dm, clock, fotograf};
    TForm_Kassol fenster(anwendung);
    fenster.resize(1100, 720);
    fenster.show();
    QTimer::singleShot(500, [&] {
        fotograf.speichere(fenster, QStringLiteral("TForm_Kassol"));
        fenster.Buchen1Click();
        fenster.Stammdaten1Click();
        fenster.Mandanten1Click();
        fenster.Wirtschaftsjahre1Click();
        fenster.Buchungskreise1Click();
        TFormBuchungskreisNeu kreis(&fenster);
        kreis.FormActivate(true, QStringLiteral("Reparaturen"), QStringLiteral("RE"));
        fotograf.execDialog(kreis);
        TFormBuchungsKreisAuswahl& auswahl = fenster.buchungskreisAuswahl();
        auswahl.FormActivate(true);
        fotograf.execDialog(auswahl);
        fotograf.annehmen = QStringList{QStringLiteral("TMonatsAuswahl"), QStringLiteral("TExportauswahl")};
        fotograf.berichtName = QStringLiteral("TReportVorschau_Verprobung");
        fenster.USTVerprobung1Click();
        fotograf.berichtName = QStringLiteral("TReportVorschau_Journal");
        fenster.Journal1Click();
        fenster.Finanzamt1Click();
        ExportZiel ziel = ExportZiel::Datei;
        TExportDialog exportDialog(ziel, &fenster);
        exportDialog.FormActivate();
        fotograf.execDialog(exportDialog);
        TExportHilfe hilfe(&fenster);
        fotograf.execDialog(hilfe);
        fenster.close();
    });
    QObject::connect(&fenster, &TForm_Kassol::programmEnde, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
