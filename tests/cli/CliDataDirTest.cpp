#include "CliTestSupport.h"

#include "cli/CliCommand.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CliDataDir, AnEmptyFolderIsRefusedInsteadOfTakingTheDefaultBooks) {
    QTemporaryDir home;
    const QByteArray vorher = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    for (const QStringList& option : {QStringList{"--data-dir", ""}, QStringList{"--data-dir="}, QStringList{"--data-dir", "  "}}) {
        QString out, err;
        QTextStream o(&out), e(&err);
        const int status = runCli(option + QStringList{"init", "--client", "Muster", "--year", "2024"}, o, e, clock);
        e.flush();
        EXPECT_EQ(1, status) << option.join(' ').toStdString();
        EXPECT_TRUE(err.contains("Der Datenordner bei --data-dir ist leer")) << err.toStdString();
    }
    qputenv("XDG_DATA_HOME", vorher);
    EXPECT_TRUE(QDir(home.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot)) << "the default books were touched";
}
