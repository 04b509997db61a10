#include "support/SmallDisk.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace {
const char* const Ballast = ".ballast";
}

SmallDisk::SmallDisk(int kilobytes) {
#ifdef Q_OS_LINUX
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0)
        m_mounted = true;
    else
        m_why = QStringLiteral("cannot mount a small tmpfs here (%1); run the tests as root to prove full-disk handling")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
#else
    m_why = QStringLiteral("small file systems are mounted on Linux only");
#endif
}

SmallDisk::~SmallDisk() {
#ifdef Q_OS_LINUX
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
#endif
}

void SmallDisk::fill() {
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(file(QString::fromLatin1(Ballast))).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return;
    // Large blocks first, then single bytes, so that not one byte is left.
    const QByteArray block(64 * 1024, '\0');
    for (int size : {65536, 4096, 512, 1})
        while (::write(fd, block.constData(), static_cast<size_t>(size)) == size) {
        }
    ::fsync(fd);
    ::close(fd);
#endif
}

void SmallDisk::release() { QFile::remove(file(QString::fromLatin1(Ballast))); }
