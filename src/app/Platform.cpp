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

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Platform {

struct EarlyWriteback::Worker {
    std::mutex mutex;
    std::condition_variable wecker;
    bool ende = false;
    std::thread thread;
};

EarlyWriteback::EarlyWriteback(int descriptor) {
#if defined(Q_OS_LINUX)
    if (descriptor < 0)
        return;
    m_worker = std::make_unique<Worker>();
    Worker* w = m_worker.get();
    w->thread = std::thread([w, descriptor] {
        std::unique_lock lock(w->mutex);
        while (!w->wecker.wait_for(lock, std::chrono::milliseconds(250), [w] { return w->ende; }))
            ::sync_file_range(descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
    });
#else
    (void)descriptor;
#endif
}

EarlyWriteback::~EarlyWriteback() {
    if (!m_worker)
        return;
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->ende = true;
    }
    m_worker->wecker.notify_one();
    m_worker->thread.join();
}

} // namespace Platform

#include <cstdint>
#include <cstdlib>
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace Platform {

namespace {
constexpr std::size_t GrosseSeite = std::size_t(2) << 20;
// Below this, the heap serves the request as always.
constexpr std::size_t AbGross = GrosseSeite;

std::size_t aufgerundet(std::size_t bytes) { return (bytes + GrosseSeite - 1) / GrosseSeite * GrosseSeite; }
} // namespace

void* takeLargeMemory(std::size_t bytes) {
#if defined(Q_OS_LINUX)
    if (bytes >= AbGross) {
        if (bytes > static_cast<std::size_t>(-1) - 2 * GrosseSeite)
            throw std::bad_alloc();
        // One large page more than asked, so that the block can start on a large page's border.
        const std::size_t laenge = aufgerundet(bytes);
        void* roh = ::mmap(nullptr, laenge + GrosseSeite, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (roh == MAP_FAILED)
            throw std::bad_alloc();
        auto* anfang = static_cast<char*>(roh);
        const std::size_t vorne = (GrosseSeite - reinterpret_cast<std::uintptr_t>(anfang) % GrosseSeite) % GrosseSeite;
        if (vorne > 0)
            ::munmap(anfang, vorne);
        ::munmap(anfang + vorne + laenge, GrosseSeite - vorne);
        ::madvise(anfang + vorne, laenge, MADV_HUGEPAGE);
        return anfang + vorne;
    }
#endif
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void releaseLargeMemory(void* memory, std::size_t bytes) {
    if (!memory)
        return;
#if defined(Q_OS_LINUX)
    if (bytes >= AbGross) {
        ::munmap(memory, aufgerundet(bytes));
        return;
    }
#endif
    std::free(memory);
}

} // namespace Platform
