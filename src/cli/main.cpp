#include "app/Clock.h"
#include "app/Formats.h"
#include "cli/CliCommand.h"

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kassol"));
    Formats::setLocale(Formats::chooseLocale(QLocale::system()));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    SystemClock clock;
    const int status = runCli(app.arguments().mid(1), out, err, clock);
    out.flush();
    err.flush();
    return status;
}
