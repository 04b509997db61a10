#include "UpdateFixture.h"

#include "../cli/CliTestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs the tool in the folder given, where a publisher names the folders relative to it.
ToolRun release(const QStringList& args, const QString& folder = QString()) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral(KASSOL_RELEASE_PATH), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(ReleaseTool, KeysMadeAndReleaseSignedByThePublisherInstallThroughTheCommandLine) {
    UpdateFixture f;
    const QString keys = f.root.filePath(QStringLiteral("schluessel"));
    const ToolRun keygen = release({QStringLiteral("keygen"), QStringLiteral("--out"), keys});
    ASSERT_EQ(0, keygen.status) << keygen.err.toStdString();
    const QString secret = keys + QStringLiteral("/kassol-update.key");
    EXPECT_EQ(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser, QFileInfo(secret).permissions())
        << "the secret key is for its owner only";
    const ToolRun again = release({QStringLiteral("keygen"), QStringLiteral("--out"), keys});
    EXPECT_EQ(1, again.status);
    EXPECT_TRUE(again.err.contains(QStringLiteral("nicht überschrieben"))) << again.err.toStdString();

    const QString files = f.root.filePath(QStringLiteral("release"));
    QDir().mkpath(files + QStringLiteral("/plugins"));
    for (auto it = f.published.cbegin(); it != f.published.cend(); ++it) {
        QFile out(QDir(files).filePath(it.key()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(it.value());
        out.close();
        if (!it.key().startsWith(QStringLiteral("plugins")))
            out.setPermissions(out.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    const QString webroot = f.root.filePath(QStringLiteral("web"));
    const QStringList sign{QStringLiteral("sign"), QStringLiteral("--key"), secret, QStringLiteral("--files"), files,
                           QStringLiteral("--out"), webroot, QStringLiteral("--version")};
    for (const char* bad : {"2026", "neu", "2026.04.1"}) {
        const ToolRun r = release(sign + QStringList{QString::fromLatin1(bad)});
        EXPECT_EQ(1, r.status) << bad;
        EXPECT_TRUE(r.err.contains(QStringLiteral("JAHR.NUMMER"))) << r.err.toStdString();
    }
    const ToolRun expired = release(sign + QStringList{QStringLiteral("2026.05"), QStringLiteral("--expires"), QStringLiteral("2001-01-01")});
    EXPECT_EQ(1, expired.status);
    EXPECT_FALSE(QFileInfo::exists(webroot + QStringLiteral("/webupdate/Kassol/Kassol.inf")));

    const ToolRun signedRun = release({QStringLiteral("sign"), QStringLiteral("--key"), secret, QStringLiteral("--files"),
                                       QStringLiteral("release"), QStringLiteral("--out"), QStringLiteral("web"),
                                       QStringLiteral("--version"), QStringLiteral("2026.05")},
                                      f.root.path());
    ASSERT_EQ(0, signedRun.status) << signedRun.err.toStdString();
    QDirIterator it(webroot, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile in(p);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        f.server.put(QLatin1Char('/') + QDir(webroot).relativeFilePath(p), in.readAll());
    }
    CliFixture cli;
    const CliRun r = cli.run({QStringLiteral("update"), QStringLiteral("install"), QStringLiteral("--source"),
                              f.server.url().toString(), QStringLiteral("--key"), keys + QStringLiteral("/kassol-update.pub"),
                              QStringLiteral("--program-dir"), f.programDir});
    ASSERT_EQ(0, r.status) << r.err.toStdString();
    for (auto p = f.published.cbegin(); p != f.published.cend(); ++p)
        EXPECT_EQ(p.value(), f.content(p.key())) << p.key().toStdString();
    EXPECT_TRUE(QFileInfo(QDir(f.programDir).filePath(QStringLiteral("kassol-cli"))).isExecutable());
}
