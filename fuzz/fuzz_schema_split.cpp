// The splitting of the schema script into the statements the runner executes.
#include "FuzzSupport.h"
#include "store/MdbSqlRunner.h"

namespace {

bool trimmed(const QString& s) {
    return s.isEmpty() || (s.front().unicode() > 32 && s.back().unicode() > 32);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString script = QString::fromUtf8(fuzz::bytes(data, size));
    // The script is kept with Windows line ends and split at them, as the runner's caller does.
    const Helper_MdbSqlRunner::SqlScriptParts parts = Helper_MdbSqlRunner::SplitSqlScript(script.split(QStringLiteral("\r\n")));
    QStringList again;
    for (const QString& statement : parts.statements) {
        // Only the closing ";" is dropped, so blanks before it may stay at the end.
        if (statement.isEmpty() || statement.front().unicode() <= 32)
            fuzz::fail("empty or untrimmed statement");
        if (statement.startsWith(QStringLiteral("--")) || statement.startsWith(QLatin1Char('\'')))
            fuzz::fail("statement starts as a comment");
        again << statement + QLatin1Char(';');
    }
    if (!trimmed(parts.rest) || parts.rest.endsWith(QLatin1Char(';')))
        fuzz::fail("rest untrimmed or closed");
    // Each statement written on a line of its own splits into itself again.
    if (!parts.rest.isEmpty())
        again << parts.rest;
    const Helper_MdbSqlRunner::SqlScriptParts second = Helper_MdbSqlRunner::SplitSqlScript(again);
    if (second.statements != parts.statements || second.rest != parts.rest)
        fuzz::fail("statements do not split into themselves");
    return 0;
}
