#include "BareSql.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

double timeSqliteShell(const QString& databaseFile, const QString& sql, const QStringList& dotCommands) {
    QProcess shell;
    shell.setProgram(QStringLiteral("sqlite3"));
    shell.setArguments({QStringLiteral("-batch"), databaseFile});
    shell.start();
    if (!shell.waitForStarted())
        return -1;
    QByteArray input = ".timer on\n.output /dev/null\n";
    for (const QString& dot : dotCommands)
        input += dot.toUtf8() + '\n';
    input += sql.toUtf8();
    if (!sql.trimmed().endsWith(QLatin1Char(';')))
        input += ';';
    input += "\n.quit\n";
    shell.write(input);
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    // The shell's own timer measures the statements alone, without starting the process. Its real
    // time has millisecond steps; user plus system time is finer, and the larger of both counts.
    static const QRegularExpression line(QStringLiteral("Run Time: real ([0-9.]+) user ([0-9.]+) sys ([0-9.]+)"));
    double total = 0;
    auto it = line.globalMatch(QString::fromUtf8(shell.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto m = it.next();
        total += std::max(m.captured(1).toDouble(), m.captured(2).toDouble() + m.captured(3).toDouble());
    }
    return total;
}

namespace {
double runShell(const QString& databaseFile, const QByteArray& input) {
    QProcess shell;
    shell.setProgram(QStringLiteral("sqlite3"));
    shell.setArguments({QStringLiteral("-batch"), databaseFile});
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start();
    if (!shell.waitForStarted())
        return -1;
    shell.write(input);
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}
} // namespace

double timeSqliteShellWall(const QString& databaseFile, const QString& script) {
    double baseline = 1e9;
    for (int i = 0; i < 3; ++i)
        baseline = std::min(baseline, runShell(databaseFile, ".quit\n"));
    return runShell(databaseFile, script.toUtf8() + "\n.quit\n") - baseline;
}
