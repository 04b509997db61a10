#pragma once

#include <QString>
#include <QTemporaryDir>

// A file system of its own, a few hundred kilobytes small (tmpfs), for proving what happens when
// a disk is full. Mounting needs the right to (root, or a container that allows it); a test asks
// mounted() and skips with why() where it cannot.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes = 1024);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const QString& why() const { return m_why; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Takes every byte still free with a ballast file; release() gives them back.
    void fill();
    void release();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};
