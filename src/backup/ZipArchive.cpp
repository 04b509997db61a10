#include "backup/ZipArchive.h"

#include "app/KassolError.h"
#include "app/SafeFileWriter.h"

#include "backup/Compaction.h"
#include "backup/ParallelDeflate.h"

#include <QFile>
#include <cerrno>
#include <sqlite3.h>
#include <memory>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace {

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

QString fehlerText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

ZipHandle oeffne(const QString& archiv, int flags, QString& grund) {
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(archiv).constData(), flags, &code);
    if (!z)
        grund = fehlerText(code);
    return ZipHandle(z);
}

} // namespace

namespace ZipArchive {

QString schreibe(const QString& archiv, const QList<Eintrag>& eintraege, QList<Geschrieben>* geschrieben) {
    // The files are deflated on every core, and libzip takes the data as they are. The deflaters
    // outlive the archive handle, whose sources read through them.
    std::vector<std::unique_ptr<ParallelDeflate>> deflater;
    QString grund;
    ZipHandle z = oeffne(archiv, ZIP_CREATE | ZIP_TRUNCATE, grund);
    if (!z)
        return grund;
    for (const Eintrag& e : eintraege) {
        deflater.push_back(std::make_unique<ParallelDeflate>(e.pfad));
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = deflater.back()->quelle(&error);
        if (!source) {
            grund = deflater.back()->grund();
            if (grund.isEmpty())
                grund = QString::fromLocal8Bit(zip_error_strerror(&error));
            zip_error_fini(&error);
            return grund;
        }
        zip_error_fini(&error);
        if (zip_file_add(z.get(), e.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            return QString::fromLocal8Bit(zip_strerror(z.get()));
        }
    }
    // zip_close writes the archive; on failure the handle stays open and is discarded.
    if (zip_close(z.get()) != 0) {
        // A file that could not be read says so in German.
        for (const auto& d : deflater)
            if (const QString g = d->grund(); !g.isEmpty())
                return g;
        // A full disk is said as everywhere else, with what to do about it.
        const int system = zip_error_code_system(zip_get_error(z.get()));
        if (system == ENOSPC || system == EDQUOT)
            return sqliteGrund(SQLITE_FULL);
        return QString::fromLocal8Bit(zip_strerror(z.get()));
    }
    z.release();
    if (geschrieben) {
        geschrieben->clear();
        for (qsizetype i = 0; i < eintraege.size(); ++i) {
            const ParallelDeflate::Ergebnis e = deflater[static_cast<std::size_t>(i)]->ergebnis();
            geschrieben->append({eintraege[i].name, e.groesse, e.crc, e.komprimiert, e.crcKomprimiert});
        }
    }
    return QString();
}

QStringList namen(const QString& archiv, QString* grund) {
    QString reason;
    ZipHandle z = oeffne(archiv, ZIP_RDONLY | ZIP_CHECKCONS, reason);
    QStringList result;
    if (!z) {
        if (grund)
            *grund = reason;
        return result;
    }
    const zip_int64_t n = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i)
        result << QString::fromUtf8(zip_get_name(z.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS));
    return result;
}

QList<bool> deflated(const QString& archiv) {
    QString grund;
    ZipHandle z = oeffne(archiv, ZIP_RDONLY, grund);
    QList<bool> result;
    if (!z)
        return result;
    const zip_int64_t n = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        result << (zip_stat_index(z.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0 && st.comp_method == ZIP_CM_DEFLATE);
    }
    return result;
}

namespace {
// Reads the entry to its end; libzip reports a CRC mismatch there. Writes to the file when given.
QString lies(zip_t* z, zip_uint64_t index, SafeFileWriter* ziel) {
    zip_file_t* f = zip_fopen_index(z, index, 0);
    if (!f)
        return QString::fromLocal8Bit(zip_strerror(z));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    QString grund;
    for (;;) {
        const zip_int64_t n = zip_fread(f, buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
        if (n < 0) {
            grund = QString::fromLocal8Bit(zip_file_strerror(f));
            break;
        }
        if (n == 0)
            break;
        if (ziel) {
            try {
                ziel->write(QByteArray::fromRawData(buffer.constData(), static_cast<qsizetype>(n)));
            } catch (const KassolError& e) {
                grund = e.message();
                break;
            }
        }
    }
    if (zip_fclose(f) != 0 && grund.isEmpty())
        grund = QStringLiteral("Prüfsumme stimmt nicht");
    return grund;
}
} // namespace

QString pruefe(const QString& archiv) {
    QString grund;
    ZipHandle z = oeffne(archiv, ZIP_RDONLY | ZIP_CHECKCONS, grund);
    if (!z)
        return grund;
    const zip_int64_t n = zip_get_num_entries(z.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        grund = lies(z.get(), static_cast<zip_uint64_t>(i), nullptr);
        if (!grund.isEmpty())
            return QStringLiteral("%1: %2").arg(QString::fromUtf8(zip_get_name(z.get(), static_cast<zip_uint64_t>(i), 0)), grund);
    }
    return QString();
}

QString pruefe(const QString& archiv, const QList<Geschrieben>& geschrieben) {
    QString grund;
    ZipHandle z = oeffne(archiv, ZIP_RDONLY | ZIP_CHECKCONS, grund);
    if (!z)
        return grund;
    if (zip_get_num_entries(z.get(), 0) != geschrieben.size())
        return QStringLiteral("Das Archiv enthält nicht die geschriebenen Dateien.");
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < geschrieben.size(); ++i) {
        const Geschrieben& g = geschrieben[i];
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z.get(), index, 0, &st) != 0)
            return QString::fromLocal8Bit(zip_strerror(z.get()));
        const QString name = QString::fromUtf8(st.name);
        const zip_uint64_t noetig = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
        if ((st.valid & noetig) != noetig || name != g.name || st.comp_method != ZIP_CM_DEFLATE ||
            st.size != static_cast<zip_uint64_t>(g.groesse) || st.comp_size != static_cast<zip_uint64_t>(g.komprimiert) ||
            st.crc != g.crc)
            return QStringLiteral("%1: Das Inhaltsverzeichnis stimmt nicht mit den geschriebenen Daten überein").arg(g.name);
        // The stored bytes as they are on the disk.
        zip_file_t* f = zip_fopen_index(z.get(), index, ZIP_FL_COMPRESSED);
        if (!f)
            return QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(zip_strerror(z.get())));
        uLong crc = crc32(0, nullptr, 0);
        qint64 gelesen = 0;
        zip_int64_t n = 0;
        while ((n = zip_fread(f, buffer.data(), static_cast<zip_uint64_t>(buffer.size()))) > 0) {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.constData()), static_cast<uInt>(n));
            gelesen += n;
        }
        if (n < 0)
            grund = QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(zip_file_strerror(f)));
        zip_fclose(f);
        if (!grund.isEmpty())
            return grund;
        if (gelesen != g.komprimiert || crc != g.crcKomprimiert)
            return QStringLiteral("%1: Prüfsumme stimmt nicht").arg(name);
    }
    return QString();
}

QString entpacke(const QString& archiv, const QString& name, const QString& ziel) {
    QString grund;
    ZipHandle z = oeffne(archiv, ZIP_RDONLY | ZIP_CHECKCONS, grund);
    if (!z)
        return grund;
    const zip_int64_t index = zip_name_locate(z.get(), name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return QStringLiteral("Das Archiv enthält keine Datei \u201E%1\u201C.").arg(name);
    try {
        SafeFileWriter out(ziel, QStringLiteral("Die entpackte Datei"));
        grund = lies(z.get(), static_cast<zip_uint64_t>(index), &out);
        if (grund.isEmpty())
            out.commit();
    } catch (const KassolError& e) {
        grund = e.message();
    }
    return grund;
}

} // namespace ZipArchive
