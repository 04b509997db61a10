#include "CliTestSupport.h"

#include "cli/CliCommand.h"

#include <gtest/gtest.h>

CliFixture::CliFixture() : clock(QDateTime(QDate(2024, 3, 15), QTime(10, 0))) {}

CliRun CliFixture::run(const QStringList& args) {
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runCli(QStringList{QStringLiteral("--data-dir"), m_dir.path()} + args, out, err, clock);
    out.flush();
    err.flush();
    return r;
}

CliRun CliFixture::ok(const QStringList& args) {
    CliRun r = run(args);
    EXPECT_EQ(0, r.status) << args.join(' ').toStdString() << "\n" << r.err.toStdString();
    return r;
}
