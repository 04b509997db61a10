#pragma once

#include "app/Clock.h"

#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs kassol-cli in the test process on a data folder of its own.
struct CliRun {
    int status = 0;
    QString out;
    QString err;
    QJsonDocument json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

class CliFixture {
public:
    CliFixture();
    CliRun run(const QStringList& args);
    // Runs and fails the test unless the command succeeds.
    CliRun ok(const QStringList& args);
    QString dataDir() const { return m_dir.path(); }
    FixedClock clock;

private:
    QTemporaryDir m_dir;
};
