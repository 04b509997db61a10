#include "UpdateFixture.h"

#include "ui/DesktopFixture.h"
#include "update/TForm_UpdateDownload.h"
#include "update/WebUpdate.h"
#include "app/IniFile.h"
#include "app/THelperData.h"

#include <QLabel>
#include <QProgressBar>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

const QString Frage = QStringLiteral("Es ist ein Update des Kassol verfügbar.\r\nSoll dieses jetzt installiert werden?");
const QString Neustart = QStringLiteral("Update fertig. Kassol wird jetzt neu gestartet?");

// The desktop program on its books, whose program folder is the fixture's and whose update
// check asks the fixture's loopback server with the fixture's key.
struct DesktopUpdate {
    UpdateFixture f;
    DesktopBooks b;

    DesktopUpdate() {
        // The program folder is the desktop folder too; the first start's icon is not what is looked at.
        (void)b.books.helper.GetIniInstance()->writeString(QStringLiteral("Einstellungen"), QStringLiteral("DesktopIcon"),
                                                           QStringLiteral("true"));
        f.programDir = b.desktop.path();
        f.write(QStringLiteral("kassol"), "altes programm\n", true);
        f.write(QStringLiteral("kassol-cli"), "alte befehlszeile\n", true);
    }

    // Starts the window and waits until the check has ended and what it started is done.
    void start(const QString& paketliste = QStringLiteral("/nicht/vorhanden")) {
        b.window = std::make_unique<TForm_Kassol>(b.app);
        QObject::connect(b.window.get(), &TForm_Kassol::programmEnde, [this] { b.ended = true; });
        WebUpdate& w = b.window->webUpdate();
        w.setzeQuelle(Updatequelle{f.server.url(), f.key.oeffentlich});
        w.setzePaketliste(paketliste);
        QSignalSpy beendet(&w, &WebUpdate::pruefungBeendet);
        b.window->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return beendet.count() > 0; }, 10000));
        QTest::qWait(20);
    }
};

} // namespace

TEST(UpdateFlow, AnsweringNoDownloadsNothing) {
    DesktopUpdate d;
    d.f.publish(QStringLiteral("2026.05"));
    const auto before = d.f.snapshot();
    d.b.ui.confirm(UserInteraction::Answer::No);
    d.start();
    EXPECT_EQ(QStringList{Frage}, d.b.ui.questions);
    EXPECT_TRUE(d.b.ui.finished());
    EXPECT_TRUE(d.b.ui.shownWindows.isEmpty());
    EXPECT_EQ(QStringList{QStringLiteral("/webupdate/Kassol/Kassol.inf")}, d.f.server.requests);
    EXPECT_EQ(before, d.f.snapshot());
    EXPECT_FALSE(d.b.window->webUpdate().neustartGewuenscht());
    EXPECT_FALSE(d.b.ended);
}

TEST(UpdateFlow, YesDownloadsWithAWindowPerFileThenRestartsThroughTheNormalClose) {
    DesktopUpdate d;
    d.f.publish(QStringLiteral("2026.05"));
    d.b.ui.confirm(UserInteraction::Answer::Yes).confirm(UserInteraction::Answer::Ok);
    bool closedBooks = false;
    d.b.ui.dialog("TForm_Datensicherung", [&](QDialog& dlg) {
        closedBooks = !d.b.dm().isConnected();
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    d.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.b.ended; }, 10000));
    EXPECT_EQ((QStringList{Frage, Neustart}), d.b.ui.questions);
    EXPECT_EQ(QStringList(d.f.published.size(), QStringLiteral("TForm_UpdateDownload")), d.b.ui.shownWindows);
    EXPECT_EQ(nullptr, d.b.window->webUpdate().downloadFenster()) << "every download window closed";
    EXPECT_TRUE(closedBooks) << "the backup dialog came with the books closed";
    EXPECT_TRUE(d.b.window->webUpdate().neustartGewuenscht());
    for (auto it = d.f.published.cbegin(); it != d.f.published.cend(); ++it)
        EXPECT_EQ(it.value(), d.f.content(it.key())) << it.key().toStdString();
    EXPECT_EQ("altes programm\n", d.f.content(QStringLiteral("kassol.kassol-alt")));

    // The next run is the new program: the files the update set aside go, nothing else.
    d.f.write(QStringLiteral("Kassol_alt.exe"), "fremd", false);
    d.b.window.reset();
    d.b.ended = false;
    d.b.start();
    const QStringList left = d.f.snapshot().keys();
    EXPECT_FALSE(left.contains(QStringLiteral("kassol.kassol-alt")));
    EXPECT_FALSE(left.contains(QStringLiteral("Kassol_Update.reste")));
    EXPECT_TRUE(left.contains(QStringLiteral("Kassol_alt.exe"))) << "only what the update recorded is removed";
    EXPECT_EQ(d.f.published.value(QStringLiteral("kassol")), d.f.content(QStringLiteral("kassol")));
}

TEST(UpdateFlow, ADownloadBrokenOffAfterYesKeepsTheProgramAsItWas) {
    DesktopUpdate d;
    d.f.publish(QStringLiteral("2026.05"));
    d.f.server.cutAfter(QStringLiteral("/webupdate/Kassol/kassol-cli"), 1000);
    const auto before = d.f.snapshot();
    d.b.ui.confirm(UserInteraction::Answer::Yes);
    d.start();
    EXPECT_EQ(QStringList{Frage}, d.b.ui.questions) << "no restart";
    ASSERT_EQ(1, d.b.ui.messages.size());
    EXPECT_TRUE(d.b.ui.messages.first().startsWith(QStringLiteral("Das Update konnte nicht installiert werden")));
    EXPECT_EQ(nullptr, d.b.window->webUpdate().downloadFenster());
    EXPECT_EQ(before, d.f.snapshot());
    EXPECT_FALSE(d.b.window->webUpdate().neustartGewuenscht());
    EXPECT_FALSE(d.b.ended);
}

TEST(UpdateFlow, NoQuestionWhenTheCheckFailsOrFindsNothingValid) {
    const std::vector<std::pair<const char*, std::function<void(UpdateFixture&)>>> cases{
        {"server down", [](UpdateFixture& f) { f.publish(QStringLiteral("2026.05")); f.server.stop(); }},
        {"signed with another key",
         [](UpdateFixture& f) { f.publish(f.manifest(QStringLiteral("2026.05")).signiert(UpdateSchluessel::erzeuge().geheim)); }},
        {"same version", [](UpdateFixture& f) { f.publish(QStringLiteral("2026.04")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        DesktopUpdate d;
        c.second(d.f);
        const auto before = d.f.snapshot();
        d.start();
        EXPECT_TRUE(d.b.ui.questions.isEmpty());
        EXPECT_TRUE(d.b.ui.messages.isEmpty());
        EXPECT_TRUE(d.b.ui.errors.isEmpty());
        EXPECT_EQ(before, d.f.snapshot());
        QFile log(QDir(d.b.books.helper.DBPath()).filePath(QStringLiteral("Kassol_UpdateLog.log")));
        EXPECT_TRUE(log.open(QIODevice::ReadOnly)) << "the failure is written to the update log";
    }
}

TEST(UpdateFlow, APackageManagedInstallationOnlyTellsTheUser) {
    DesktopUpdate d;
    d.f.publish(QStringLiteral("2026.05"));
    QTemporaryDir dpkg;
    QFile liste(dpkg.filePath(QStringLiteral("kassol.list")));
    ASSERT_TRUE(liste.open(QIODevice::WriteOnly));
    liste.write(QDir(d.f.programDir).filePath(QStringLiteral("kassol")).toUtf8() + "\n");
    liste.close();
    const auto before = d.f.snapshot();
    d.start(liste.fileName());
    ASSERT_EQ(1, d.b.ui.messages.size());
    EXPECT_TRUE(d.b.ui.messages.first().contains(QStringLiteral("Softwareaktualisierung Ihres Systems")));
    EXPECT_TRUE(d.b.ui.messages.first().contains(QStringLiteral("2026.05")));
    EXPECT_TRUE(d.b.ui.questions.isEmpty());
    EXPECT_EQ(QStringList{QStringLiteral("/webupdate/Kassol/Kassol.inf")}, d.f.server.requests);
    EXPECT_EQ(before, d.f.snapshot());
}

TEST(UpdateFlow, TheDownloadWindowFollowsEachFile) {
    DesktopBooks b;
    b.start();
    WebUpdate& w = b.window->webUpdate();
    w.UpdateFileProgress(QStringLiteral("Kassol.INF"), 10, 100);
    EXPECT_EQ(nullptr, w.downloadFenster()) << "the manifest opens no window";

    for (const QString& name : {QStringLiteral("kassol"), QStringLiteral("kassol-cli")}) {
        SCOPED_TRACE(name.toStdString());
        w.UpdateFileProgress(name, 0, 1000);
        TForm_UpdateDownload* fenster = w.downloadFenster();
        ASSERT_NE(nullptr, fenster);
        EXPECT_EQ("Update Download", fenster->windowTitle().toStdString());
        EXPECT_EQ(name, fenster->label_FileName->text());
        EXPECT_EQ(1000, fenster->ProgressBar1->maximum());
        w.UpdateFileProgress(name, 500, 1000);
        EXPECT_EQ(500, fenster->ProgressBar1->value());
        w.UpdateFileProgress(name, 1000, 1000);
        EXPECT_EQ(nullptr, w.downloadFenster());
        w.UpdateFileDownloaded(); // finds no window and does nothing
        EXPECT_EQ(nullptr, w.downloadFenster());
    }
    EXPECT_EQ(2, b.ui.shownWindows.count(QStringLiteral("TForm_UpdateDownload")));

    // Sizes beyond the bar's range are shown in proportion.
    w.UpdateFileProgress(QStringLiteral("gross"), 0, qint64(6) << 30);
    w.UpdateFileProgress(QStringLiteral("gross"), qint64(3) << 30, qint64(6) << 30);
    ASSERT_NE(nullptr, w.downloadFenster());
    EXPECT_NEAR(0.5, double(w.downloadFenster()->ProgressBar1->value()) / w.downloadFenster()->ProgressBar1->maximum(), 0.01);
    w.UpdateFileDownloaded();
    EXPECT_EQ(nullptr, w.downloadFenster());
}

TEST(UpdateFlow, TheDesktopIconStartsThisProgramWithTheInstalledIcon) {
    DesktopBooks b;
    b.start();
    QFile entry(QDir(b.desktop.path()).filePath(QStringLiteral("Kassol.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"%1\"\n").arg(QCoreApplication::applicationFilePath()))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Icon=at.norvik.kassol\n"))) << "the name under which the package installs the icon";
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    QProcess p;
    p.start(validator, {entry.fileName()});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(0, p.exitCode()) << p.readAllStandardOutput().toStdString();
}
