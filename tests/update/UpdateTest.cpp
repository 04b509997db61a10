#include "UpdateFixture.h"

#include "app/Clock.h"
#include "app/UpdateLog.h"
#include "cli/CliCommand.h"
#include "update/ProgramUpdate.h"
#include "update/UpdateDownload.h"

#include "../cli/CliTestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// kassol-cli update ... on the fixture's server and key; the running version is 2026.04.
CliRun updateCli(CliFixture& cli, UpdateFixture& f, const QStringList& args) {
    return cli.run(QStringList{QStringLiteral("update")} + args +
                   QStringList{QStringLiteral("--source"), f.server.url().toString(), QStringLiteral("--key"), f.keyFile});
}

QByteArray withoutSignature(const QByteArray& signedFile) {
    return signedFile.left(signedFile.lastIndexOf("Signatur "));
}

} // namespace

TEST(Update, AValidUpdateInstallsEveryFileAndKeepsTheOldOnesUntilTheNextRun) {
    UpdateFixture f;
    CliFixture cli;
    f.publish(QStringLiteral("2026.05"));

    const CliRun check = updateCli(cli, f, {QStringLiteral("check"), QStringLiteral("--json")});
    ASSERT_EQ(0, check.status) << check.err.toStdString();
    EXPECT_TRUE(check.json()[QStringLiteral("verfuegbar")].toBool());
    EXPECT_EQ("2026.05", check.json()[QStringLiteral("version")].toString().toStdString());

    const CliRun install = updateCli(cli, f, {QStringLiteral("install"), QStringLiteral("--program-dir"), f.programDir});
    ASSERT_EQ(0, install.status) << install.err.toStdString();
    for (auto it = f.published.cbegin(); it != f.published.cend(); ++it)
        EXPECT_EQ(it.value(), f.content(it.key())) << it.key().toStdString();
    EXPECT_TRUE(QFileInfo(QDir(f.programDir).filePath(QStringLiteral("kassol"))).isExecutable());
    EXPECT_FALSE(QFileInfo(QDir(f.programDir).filePath(QStringLiteral("plugins/neu.so"))).isExecutable());
    EXPECT_EQ("die buecher", f.content(QStringLiteral("KS_tab.mdb")));
    EXPECT_EQ("altes programm\n", f.content(QStringLiteral("kassol.kassol-alt"))) << "kept until the new program runs";

    // The next run removes exactly what the update set aside, and its record.
    const FixedClock clock(QDateTime(QDate(2024, 3, 16), QTime(9, 0)));
    const UpdateLog log(QString(), clock);
    Programmaktualisierung(Updatequelle{}, f.programDir, log, clock).raeumeAuf();
    const QStringList left = f.snapshot().keys();
    EXPECT_EQ((QStringList{"KS_tab.mdb", "kassol", "kassol-cli", "plugins", "plugins/neu.so"}), left);

    QFile protokoll(QDir(cli.dataDir()).filePath(QStringLiteral("Kassol_UpdateLog.log")));
    ASSERT_TRUE(protokoll.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(protokoll.readAll()).contains(QStringLiteral("Version 2026.05 ist installiert")));
}

TEST(Update, RefusedUpdatesChangeNothing) {
    struct Case {
        const char* what;
        std::function<void(UpdateFixture&)> publish;
        const char* message;
        bool filesFetched; // whether the refusal could only come after downloading
    };
    const std::vector<Case> cases{
        {"a file changed on the server",
         [](UpdateFixture& f) {
             const QByteArray m = f.manifest(QStringLiteral("2026.05")).signiert(f.key.geheim);
             f.published[QStringLiteral("kassol-cli")][1000] = 'X';
             f.publish(m);
         },
         "nicht so angekommen", true},
        {"signed with another key",
         [](UpdateFixture& f) { f.publish(f.manifest(QStringLiteral("2026.05")).signiert(UpdateSchluessel::erzeuge().geheim)); },
         "Signatur passt nicht", false},
        {"unsigned",
         [](UpdateFixture& f) { f.publish(withoutSignature(f.manifest(QStringLiteral("2026.05")).signiert(f.key.geheim))); },
         "nicht signiert", false},
        {"the manifest changed after signing",
         [](UpdateFixture& f) {
             QByteArray m = f.manifest(QStringLiteral("2026.05")).signiert(f.key.geheim);
             m.replace("Version 2026.05", "Version 2026.06");
             f.publish(m);
         },
         "Signatur passt nicht", false},
        {"expired",
         [](UpdateFixture& f) { f.publish(f.manifest(QStringLiteral("2026.05"), QDate(2024, 3, 14)).signiert(f.key.geheim)); },
         "abgelaufen", false},
        {"the same version", [](UpdateFixture& f) { f.publish(QStringLiteral("2026.04")); }, "keine neuere Version", false},
        {"an older version", [](UpdateFixture& f) { f.publish(QStringLiteral("2025.12")); }, "keine neuere Version", false},
        {"a file cut short by the server",
         [](UpdateFixture& f) {
             f.publish(QStringLiteral("2026.05"));
             f.server.cutAfter(QStringLiteral("/webupdate/Kassol/kassol-cli"), 120000);
         },
         "", true},
        {"a manifest naming the books",
         [](UpdateFixture& f) {
             f.published[QStringLiteral("KS_tab.mdb")] = "fremde buecher";
             f.publish(QStringLiteral("2026.05"));
         },
         "darf nicht ersetzt werden", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpdateFixture f;
        CliFixture cli;
        c.publish(f);
        const auto before = f.snapshot();
        const CliRun r = updateCli(cli, f, {QStringLiteral("install"), QStringLiteral("--program-dir"), f.programDir});
        EXPECT_EQ(1, r.status);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_EQ(before, f.snapshot()) << "the program folder is exactly as it was";
        EXPECT_EQ(c.filesFetched, f.server.requests.size() > 1) << f.server.requests.join(' ').toStdString();
    }
}

TEST(Update, CheckTellsSameOrOlderApartFromRefusals) {
    UpdateFixture f;
    CliFixture cli;
    f.publish(QStringLiteral("2026.04"));
    const CliRun same = updateCli(cli, f, {QStringLiteral("check"), QStringLiteral("--json")});
    ASSERT_EQ(0, same.status) << same.err.toStdString();
    EXPECT_FALSE(same.json()[QStringLiteral("verfuegbar")].toBool());

    f.publish(f.manifest(QStringLiteral("2026.05")).signiert(UpdateSchluessel::erzeuge().geheim));
    const CliRun foreign = updateCli(cli, f, {QStringLiteral("check")});
    EXPECT_EQ(1, foreign.status);
    EXPECT_TRUE(foreign.err.contains(QStringLiteral("Signatur"))) << foreign.err.toStdString();
}

TEST(Update, AServerThatIsDownChangesNothing) {
    UpdateFixture f;
    CliFixture cli;
    f.publish(QStringLiteral("2026.05"));
    f.server.stop();
    const auto before = f.snapshot();
    const CliRun r = updateCli(cli, f, {QStringLiteral("install"), QStringLiteral("--program-dir"), f.programDir});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains(QStringLiteral("kann nicht geladen werden"))) << r.err.toStdString();
    EXPECT_EQ(before, f.snapshot());
}

TEST(Update, AFailureWhileReplacingPutsEveryFileBack) {
    UpdateFixture f;
    CliFixture cli;
    f.publish(QStringLiteral("2026.05"));
    // "kassol" is replaced first; setting "kassol-cli" aside then fails, since its place for the
    // old file is taken by a folder.
    QDir().mkpath(QDir(f.programDir).filePath(QStringLiteral("kassol-cli.kassol-alt/belegt")));
    const auto before = f.snapshot();
    const CliRun r = updateCli(cli, f, {QStringLiteral("install"), QStringLiteral("--program-dir"), f.programDir});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains(QStringLiteral("beiseitegelegt"))) << r.err.toStdString();
    EXPECT_EQ(before, f.snapshot());
}

TEST(Update, AnInterruptedOrUnstartableUpdateIsTakenBack) {
    for (const bool interrupted : {true, false}) {
        SCOPED_TRACE(interrupted ? "cut short while replacing" : "the new program does not start");
        UpdateFixture f;
        CliFixture cli;
        f.publish(QStringLiteral("2026.05"));
        const auto before = f.snapshot();
        ASSERT_EQ(0, updateCli(cli, f, {QStringLiteral("install"), QStringLiteral("--program-dir"), f.programDir}).status);
        const FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(11, 0)));
        const UpdateLog log(QString(), clock);
        Programmaktualisierung update(Updatequelle{}, f.programDir, log, clock);
        if (interrupted) {
            // As the record stands when the process dies between two renames.
            const QString record = QDir(f.programDir).filePath(QStringLiteral("Kassol_Update.reste"));
            QFile rf(record);
            ASSERT_TRUE(rf.open(QIODevice::ReadOnly));
            QByteArray text = rf.readAll();
            rf.close();
            text.replace("\"ersetzt\"", "\"ersetzen\"");
            ASSERT_TRUE(rf.open(QIODevice::WriteOnly | QIODevice::Truncate));
            rf.write(text);
            rf.close();
            update.raeumeAuf();
        } else {
            EXPECT_FALSE(Programmaktualisierung::starteNeu(QDir(f.programDir).filePath(QStringLiteral("fehlt")), {},
                                                           f.programDir, log, clock));
        }
        auto after = f.snapshot();
        after.remove(QStringLiteral("plugins")); // an emptied folder of the new version may stay
        EXPECT_EQ(before, after);
    }
}

TEST(Update, TheSourceComesFromKassolIniWhereItIsSet) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Kassol.ini"));
    const std::vector<std::pair<const char*, const char*>> cases{
        {"[Update]\nQuelle=http://127.0.0.1:8000/\n", "http://127.0.0.1:8000/"},
        {"[Update]\nQuelle=\n", ""}, // switched off
        {"[Einstellungen]\nDesktopIcon=true\n", ""}, // the build's own, empty in a build from source
    };
    for (const auto& c : cases) {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.first);
        f.close();
        const Updatequelle q = Updatequelle::ausEinstellungen(ini);
        EXPECT_EQ(c.second, q.adresse.toString().toStdString()) << c.first;
        EXPECT_FALSE(q.eingestellt()) << "a build from source trusts no key";
    }
}

TEST(Update, NamesAnUpdateMayReplace) {
    const std::vector<std::pair<const char*, bool>> cases{
        {"kassol", true},          {"lib/libfoo.so.1", true}, {"kassol-cli", true},
        {"../kassol", false},      {"/usr/bin/kassol", false}, {"a/../b", false},
        {".versteckt", false},     {"", false},               {"KS_tab.mdb", false},
        {"ks_neu.MDB", false},     {"Kassol.ini", false},     {"kassol.kassol-alt", false},
        {"Kassol_Update.reste", false}, {"a b", false},       {"daten/KS_TAB.mdb", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, UpdateManifest::erlaubterName(QString::fromUtf8(c.first))) << c.first;
}

TEST(Update, VersionsCompareByYearThenNumber) {
    const auto v = [](const char* t) { return *Programmversion::lies(QString::fromLatin1(t)); };
    EXPECT_GT(v("2026.10"), v("2026.9"));
    EXPECT_GT(v("2027.01"), v("2026.99"));
    EXPECT_EQ(v("2026.04"), v("2026.4"));
    EXPECT_EQ("2026.04", v("2026.4").text().toStdString());
    for (const char* bad : {"2026", "26.04", "2026.04.1", "2026,04", "v2026.04", ""})
        EXPECT_FALSE(Programmversion::lies(QString::fromLatin1(bad))) << bad;
}

TEST(Update, OnlyHttpsOrTheLoopbackIsFetched) {
    const std::vector<std::pair<const char*, bool>> cases{
        {"https://updates.example.org/", true}, {"http://127.0.0.1:8080/", true}, {"http://localhost/", true},
        {"http://[::1]:9/", true},               {"http://updates.example.org/", false}, {"ftp://127.0.0.1/", false},
        {"http://127.0.0.1.example.org/", false}, {"file:///tmp/x", false},
    };
    for (const auto& c : cases) {
        bool accepted = true;
        try {
            UpdateAbruf::pruefeAdresse(QUrl(QString::fromLatin1(c.first)));
        } catch (const KassolError&) {
            accepted = false;
        }
        EXPECT_EQ(c.second, accepted) << c.first;
    }
}
