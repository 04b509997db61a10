#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QIODevice;

// Writes a file so that it is either complete on the disk or not changed at all. The content goes
// to a temporary file in the target's folder (".NAME.PID.neu"); every write, the flush and the
// sync to the disk are checked, and only then is the temporary file renamed over the target. On
// any failure, a full disk included, the temporary file is removed and a previous file of that
// name stays as it was. Failures raise KassolError with a German message that names the file,
// says why and what to do.
//
// Content is written with write() or through device() (for writers that take a QIODevice, such as
// QPdfWriter); writers that open a file by its name (SQLite, libzip) write to temporaryPath().
// Nothing reaches the target before commit().
class SafeFileWriter {
public:
    // what: how messages name the file, e.g. "Die Exportdatei"; the path follows it in quotes.
    // Creates the temporary file; raises KassolError when it cannot be created.
    explicit SafeFileWriter(const QString& target, const QString& what = QStringLiteral("Die Datei"));
    // Removes the temporary file unless commit() succeeded.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    const QString& target() const { return m_target; }
    const QString& temporaryPath() const { return m_temp; }

    // Appends to the temporary file; raises KassolError on failure.
    void write(const QByteArray& data);
    // A device open for writing that appends to the temporary file. A failed write is kept and
    // raised by commit(), since such writers rarely look at the result.
    QIODevice& device();

    // Syncs the temporary file to the disk and renames it over the target.
    void commit();

    // Writes the whole file at once.
    static void writeAll(const QString& target, const QByteArray& content, const QString& what = QStringLiteral("Die Datei"));
    // Removes what writers of this target left in its folder when their process was killed (the
    // temporary files of processes that no longer run). Never raises.
    static void removeLeftovers(const QString& target);

private:
    class Device;
    [[noreturn]] void fail(const QString& reason);
    [[noreturn]] void failErrno(int error);
    void closeFile();
    void discard();

    QString m_target;
    QString m_what;
    QString m_temp;
    int m_fd = -1;
    int m_deferredError = 0;
    bool m_committed = false;
    std::unique_ptr<Device> m_device;
};
