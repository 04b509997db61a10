#include "app/SafeFileWriter.h"

#include "app/KassolError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

// Why the system refused, in words a user can act on.
QString reasonFor(int error, const QString& folder) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz frei. Schaffen Sie bitte Platz oder wählen Sie "
                              "einen anderen Speicherort.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Kassol darf im Ordner \u201E%1\u201C nicht schreiben. Wählen Sie bitte einen anderen Ordner "
                              "oder lassen Sie sich dort Schreibrechte geben.")
            .arg(native(folder));
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt. Wählen Sie bitte einen anderen Speicherort.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Der Ordner \u201E%1\u201C existiert nicht. Legen Sie ihn bitte an oder wählen Sie einen "
                              "anderen Ordner.")
            .arg(native(folder));
    case EISDIR:
        return QStringLiteral("Unter diesem Namen gibt es bereits einen Ordner. Wählen Sie bitte einen anderen Dateinamen.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Name ist zu lang. Wählen Sie bitte einen kürzeren Namen oder Ordner.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Schreibfehler. Prüfen Sie bitte den Datenträger oder wählen Sie "
                              "einen anderen Speicherort.");
    default:
        return QStringLiteral("Das Betriebssystem meldet den Fehler %1 (%2). Prüfen Sie bitte den Speicherort oder wählen "
                              "Sie einen anderen.")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

bool processRuns(qint64 pid) {
#ifdef Q_OS_WIN
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

int openNew(const QString& path) {
#ifdef Q_OS_WIN
    return _wopen(reinterpret_cast<const wchar_t*>(path.utf16()), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
#endif
}

// Forces the file's content to the disk; 0 or the error.
int syncFd(int fd) {
#ifdef Q_OS_WIN
    return _commit(fd) == 0 ? 0 : errno;
#else
    return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

int closeFd(int fd) {
#ifdef Q_OS_WIN
    return _close(fd) == 0 ? 0 : errno;
#else
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
#endif
}

// Writes everything or returns the error.
int writeFd(int fd, const char* data, qint64 size) {
    while (size > 0) {
#ifdef Q_OS_WIN
        const int chunk = static_cast<int>(std::min<qint64>(size, 1 << 30));
        const int n = _write(fd, data, static_cast<unsigned>(chunk));
#else
        const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(size, qint64(1) << 30)));
#endif
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= n;
    }
    return 0;
}

// Syncs a file that another writer produced under that name; 0 or the error.
int syncPath(const QString& path) {
#ifdef Q_OS_WIN
    const int fd = _wopen(reinterpret_cast<const wchar_t*>(path.utf16()), _O_RDWR | _O_BINARY);
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
#endif
    if (fd < 0)
        return errno;
    const int error = syncFd(fd);
    const int closed = closeFd(fd);
    return error ? error : closed;
}

// Makes the rename itself durable; file systems that cannot sync a folder are let be.
void syncFolder(const QString& folder) {
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// The name under which a writer of this process builds the target.
QString temporaryName(const QString& target) {
    const QFileInfo info(target);
    return info.absoluteDir().filePath(QStringLiteral(".%1.%2.neu").arg(info.fileName()).arg(QCoreApplication::applicationPid()));
}

} // namespace

class SafeFileWriter::Device final : public QIODevice {
public:
    explicit Device(SafeFileWriter& writer) : m_writer(writer) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_writer.m_deferredError)
            return -1;
        if (m_writer.m_fd < 0) {
            m_writer.m_deferredError = EBADF;
            return -1;
        }
        if (const int error = writeFd(m_writer.m_fd, data, size)) {
            m_writer.m_deferredError = error;
            return -1;
        }
        return size;
    }

private:
    SafeFileWriter& m_writer;
};

SafeFileWriter::SafeFileWriter(const QString& target, const QString& what) : m_what(what) {
    if (target.trimmed().isEmpty())
        throw KassolError(QStringLiteral("%1 kann nicht geschrieben werden: es ist kein Dateiname angegeben. Geben Sie bitte "
                                         "einen Dateinamen an.")
                              .arg(what));
    QFileInfo info(QFileInfo(target).absoluteFilePath());
    // A link is followed, so that the file it points to is replaced and the link stays.
    if (info.isSymLink() && !info.symLinkTarget().isEmpty())
        info = QFileInfo(info.symLinkTarget());
    m_target = info.absoluteFilePath();
    if (info.isDir())
        fail(reasonFor(EISDIR, info.absolutePath()));
    if (info.exists() &&
        (!info.isWritable() || !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther))))
        fail(QStringLiteral("Die Datei ist schreibgeschützt. Heben Sie bitte den Schreibschutz auf."));

    removeLeftovers(m_target);
    m_temp = temporaryName(m_target);
    QFile::remove(m_temp);
    m_fd = openNew(m_temp);
    if (m_fd < 0)
        failErrno(errno);
#ifndef Q_OS_WIN
    // The replacement keeps the permissions of the file it replaces.
    struct stat st;
    if (::stat(QFile::encodeName(m_target).constData(), &st) == 0)
        (void)::fchmod(m_fd, st.st_mode & 07777);
#endif
}

SafeFileWriter::~SafeFileWriter() {
    if (!m_committed)
        discard();
}

void SafeFileWriter::discard() {
    if (m_device)
        m_device->close();
    if (m_fd >= 0)
        closeFd(m_fd);
    m_fd = -1;
    if (!m_temp.isEmpty())
        QFile::remove(m_temp);
}

void SafeFileWriter::fail(const QString& reason) {
    const bool existed = !m_target.isEmpty() && QFileInfo::exists(m_target) && !QFileInfo(m_target).isDir();
    discard();
    QString message = QStringLiteral("%1 \u201E%2\u201C konnte nicht geschrieben werden. %3").arg(m_what, native(m_target), reason);
    if (existed)
        message += QStringLiteral(" Die bisherige Datei ist unverändert.");
    throw KassolError(message);
}

void SafeFileWriter::failErrno(int error) { fail(reasonFor(error, QFileInfo(m_target).absolutePath())); }

void SafeFileWriter::write(const QByteArray& data) {
    if (m_fd < 0)
        failErrno(EBADF);
    if (const int error = writeFd(m_fd, data.constData(), data.size()))
        failErrno(error);
}

QIODevice& SafeFileWriter::device() {
    if (!m_device)
        m_device = std::make_unique<Device>(*this);
    return *m_device;
}

void SafeFileWriter::closeFile() {
    if (m_device)
        m_device->close();
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    const int synced = syncFd(fd);
    const int closed = closeFd(fd);
    if (synced)
        failErrno(synced);
    if (closed)
        failErrno(closed);
}

void SafeFileWriter::commit() {
    if (m_committed)
        return;
    if (m_deferredError)
        failErrno(m_deferredError);
    closeFile();
    // A writer that opened the file by its name may have replaced it; what counts is what the
    // name holds now.
    if (const int error = syncPath(m_temp))
        failErrno(error);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(m_temp.toStdU16String()), std::filesystem::path(m_target.toStdU16String()), error);
    if (error)
        failErrno(error.value());
    m_committed = true;
    syncFolder(QFileInfo(m_target).absolutePath());
}

void SafeFileWriter::writeAll(const QString& target, const QByteArray& content, const QString& what) {
    SafeFileWriter writer(target, what);
    writer.write(content);
    writer.commit();
}

void SafeFileWriter::removeLeftovers(const QString& target) {
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    const QRegularExpression own(QStringLiteral("^\\.%1\\.(\\d+)\\.neu(\\..*)?$").arg(QRegularExpression::escape(info.fileName())));
    const QStringList names = folder.entryList({QStringLiteral(".*.neu*")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = own.match(name);
        if (!m.hasMatch())
            continue;
        const qint64 pid = m.captured(1).toLongLong();
        if (pid != QCoreApplication::applicationPid() && !processRuns(pid))
            QFile::remove(folder.filePath(name));
    }
}
