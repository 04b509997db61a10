#include "app/Clock.h"
#include "app/Formats.h"
#include "cli/CliCommand.h"

#include <QGuiApplication>
#include <QLocale>
#include <cstdio>

namespace {
// The offscreen platform complains about a missing runtime folder it never uses.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.startsWith(QStringLiteral("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg)
        std::abort();
}
} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietMessages);
    // Reports are drawn with fonts, which need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Kassol"));
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
