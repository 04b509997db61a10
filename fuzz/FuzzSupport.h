#pragma once

// What every fuzz target needs before its first input: an application object (the SQLite driver
// is a plugin, and Qt loads plugins only with one) and silence from Qt's warnings, which would
// otherwise flood the output at thousands of inputs a second.
#include <QCoreApplication>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline void startQt(int* argc, char*** argv) {
    static int count = 1;
    static char* args[] = {(*argv)[0], nullptr};
    static QCoreApplication app(count, args);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// A broken promise of the code under test: stops the run so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
    fputs(what, stderr);
    fputc('\n', stderr);
    abort();
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace fuzz
