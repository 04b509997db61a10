#include "app/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Platform {

bool runAndWait(const QString& programPath, const QString& parameters, ShowMode) {
    QProcess process;
    process.setWorkingDirectory(QFileInfo(programPath).absolutePath());
    process.setProgram(programPath);
    process.setArguments(QProcess::splitCommand(parameters));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted())
        return false;
    process.waitForFinished(-1);
    return true;
}

bool moveFile(const QString& from, const QString& to) { return QFile::rename(from, to); }

bool createFolder(const QString& path) { return QDir().mkpath(path); }

} // namespace Platform

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Platform {

bool syncFile(const QString& path) {
#ifdef Q_OS_WIN
    HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

} // namespace Platform

#include <filesystem>
#include <system_error>

namespace Platform {

QString replaceFile(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()), error);
    return error ? QString::fromLocal8Bit(error.message().c_str()) : QString();
}

void keepFreedMemory() {
#if defined(__GLIBC__)
    // Blocks up to 32 MB come from the heap, and up to 64 MB freed at its end stay there.
    static const bool set = [] { return mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1 && mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1; }();
    (void)set;
#endif
}

} // namespace Platform
