#include "backup/ParallelDeflate.h"

#include "backup/Compaction.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <sqlite3.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <zlib.h>

namespace {

// Deflate's window: a block may refer back this far into the one before it.
constexpr qint64 Fenster = 32768;

unsigned unixModus(QFileDevice::Permissions p) {
    unsigned m = 0100000; // a regular file
    const struct {
        QFileDevice::Permission recht;
        unsigned bit;
    } bits[] = {{QFileDevice::ReadOwner, 0400}, {QFileDevice::WriteOwner, 0200}, {QFileDevice::ExeOwner, 0100},
                {QFileDevice::ReadGroup, 040},  {QFileDevice::WriteGroup, 020},  {QFileDevice::ExeGroup, 010},
                {QFileDevice::ReadOther, 04},   {QFileDevice::WriteOther, 02},   {QFileDevice::ExeOther, 01}};
    for (const auto& b : bits)
        if (p.testFlag(b.recht))
            m |= b.bit;
    return m;
}

// Deflates the block, after the dictionary before it, into aus: ended on a byte boundary, or
// ending the stream when it is the last. False when zlib refuses.
bool deflatiere(z_stream& s, const unsigned char* block, qint64 vorher, qint64 laenge, bool letzter,
                std::vector<unsigned char>& aus) {
    if (deflateReset(&s) != Z_OK)
        return false;
    if (vorher > 0 && deflateSetDictionary(&s, block - vorher, static_cast<uInt>(vorher)) != Z_OK)
        return false;
    const int flush = letzter ? Z_FINISH : Z_SYNC_FLUSH;
    aus.resize(deflateBound(&s, static_cast<uLong>(laenge)) + 64);
    s.next_in = const_cast<unsigned char*>(block);
    s.avail_in = static_cast<uInt>(laenge);
    s.next_out = aus.data();
    s.avail_out = static_cast<uInt>(aus.size());
    for (;;) {
        const int rc = deflate(&s, flush);
        if (rc == Z_STREAM_ERROR)
            return false;
        // A sync flush is complete when deflate stops with room left; the last block when the
        // stream is ended.
        if (letzter ? rc == Z_STREAM_END : (s.avail_in == 0 && s.avail_out > 0))
            break;
        if (s.avail_out > 0 && rc == Z_BUF_ERROR)
            return false;
        if (s.avail_out == 0) {
            const std::size_t bisher = aus.size();
            aus.resize(bisher * 2);
            s.next_out = aus.data() + bisher;
            s.avail_out = static_cast<uInt>(aus.size() - bisher);
        }
    }
    aus.resize(aus.size() - s.avail_out);
    return true;
}

// Whether the deflated block, inflated after the same dictionary, gives back exactly the block,
// consuming all of it, with the end of the stream in the last block and nowhere else: then the
// blocks one after the other inflate to the file, whoever reads them.
bool gibtZurueck(z_stream& s, const unsigned char* block, qint64 vorher, qint64 laenge, bool letzter,
                 const std::vector<unsigned char>& aus, std::vector<unsigned char>& probe) {
    if (inflateReset(&s) != Z_OK)
        return false;
    if (vorher > 0 && inflateSetDictionary(&s, block - vorher, static_cast<uInt>(vorher)) != Z_OK)
        return false;
    // One byte more than the block: output past its end shows.
    probe.resize(static_cast<std::size_t>(laenge) + 1);
    s.next_in = const_cast<unsigned char*>(aus.data());
    s.avail_in = static_cast<uInt>(aus.size());
    s.next_out = probe.data();
    s.avail_out = static_cast<uInt>(probe.size());
    const int rc = inflate(&s, Z_NO_FLUSH);
    return rc == (letzter ? Z_STREAM_END : Z_OK) && s.avail_in == 0 && s.avail_out == 1 &&
           (laenge == 0 || std::memcmp(probe.data(), block, static_cast<std::size_t>(laenge)) == 0);
}

struct Zlib {
    z_stream deflater;
    z_stream inflater;
    bool deflaterDa = false;
    bool inflaterDa = false;
    Zlib() {
        std::memset(&deflater, 0, sizeof deflater);
        std::memset(&inflater, 0, sizeof inflater);
        // Raw Deflate with zlib's usual memory, as libzip deflates.
        deflaterDa = deflateInit2(&deflater, ParallelDeflate::Stufe, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        inflaterDa = inflateInit2(&inflater, -15) == Z_OK;
    }
    ~Zlib() {
        if (deflaterDa)
            deflateEnd(&deflater);
        if (inflaterDa)
            inflateEnd(&inflater);
    }
    Zlib(const Zlib&) = delete;
    Zlib& operator=(const Zlib&) = delete;
};

} // namespace

ParallelDeflate::ParallelDeflate(QString pfad, int threads) : m_pfad(std::move(pfad)), m_threads(std::max(1, threads)) {
    zip_error_init(&m_fehler);
}

ParallelDeflate::~ParallelDeflate() {
    halte();
    zip_error_fini(&m_fehler);
}

int ParallelDeflate::standardThreads() {
    return std::max(1, QThread::idealThreadCount());
}

ParallelDeflate::Ergebnis ParallelDeflate::ergebnis() const {
    return {m_groesse, static_cast<quint32>(m_crc), m_komprimiert, static_cast<quint32>(m_crcDaten)};
}

QString ParallelDeflate::grund() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_grund;
}

zip_source_t* ParallelDeflate::quelle(zip_error_t* error) {
    const QFileInfo info(m_pfad);
    if (!info.isFile()) {
        scheitere(QStringLiteral("Die Datei \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(m_pfad)));
        zip_error_set(error, ZIP_ER_NOENT, 0);
        return nullptr;
    }
    m_groesse = info.size();
    m_mtime = info.lastModified().toSecsSinceEpoch();
    m_modus = unixModus(info.permissions());
    return zip_source_function_create(&ParallelDeflate::rufe, this, error);
}

zip_int64_t ParallelDeflate::rufe(void* selbst, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    return static_cast<ParallelDeflate*>(selbst)->befehl(data, len, cmd);
}

zip_int64_t ParallelDeflate::befehl(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        return oeffne() ? 0 : -1;
    case ZIP_SOURCE_READ:
        return lies(static_cast<unsigned char*>(data), len);
    case ZIP_SOURCE_CLOSE:
        halte();
        return 0;
    case ZIP_SOURCE_STAT: {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &m_fehler);
        if (!st)
            return -1;
        zip_stat_init(st);
        // Deflate without a compressed size: libzip copies the data as they are, and chooses
        // Zip64 by the size alone, as for data it deflates itself.
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        st->size = static_cast<zip_uint64_t>(m_groesse);
        st->mtime = static_cast<time_t>(m_mtime);
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        if (m_ende) {
            st->valid |= ZIP_STAT_CRC;
            st->crc = static_cast<zip_uint32_t>(m_crc);
        }
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        zip_file_attributes_t* a = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, len, &m_fehler);
        if (!a)
            return -1;
        a->valid |= ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES |
                    ZIP_FILE_ATTRIBUTES_GENERAL_PURPOSE_BIT_FLAGS;
        a->host_system = ZIP_OPSYS_UNIX;
        a->external_file_attributes = static_cast<zip_uint32_t>(m_modus) << 16;
        // Bits 1 and 2 tell the Deflate level; none set is the normal one.
        a->general_purpose_bit_flags = 0;
        a->general_purpose_bit_mask = 0x0006;
        return 0;
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_fehler, data, len);
    case ZIP_SOURCE_FREE:
        halte();
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SUPPORTS,
                                              ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    default:
        zip_error_set(&m_fehler, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void ParallelDeflate::scheitere(const QString& grund) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_grund.isEmpty())
            m_grund = grund;
    }
    m_arbeit.notify_all();
    m_fertig.notify_all();
}

bool ParallelDeflate::oeffne() {
    halte();
    const QString name = QDir::toNativeSeparators(m_pfad);
    auto datei = std::make_unique<QFile>(m_pfad);
    if (!datei->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        scheitere(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2").arg(name, datei->errorString()));
        zip_error_set(&m_fehler, ZIP_ER_OPEN, 0);
        return false;
    }
    if (datei->size() != m_groesse) {
        scheitere(QStringLiteral("Die Datei \u201E%1\u201C hat sich während der Sicherung geändert.").arg(name));
        zip_error_set(&m_fehler, ZIP_ER_CHANGED, 0);
        return false;
    }
    m_datei = std::move(datei);
    m_bloecke = std::max<qint64>(1, (m_groesse + Blockgroesse - 1) / Blockgroesse);
    m_vergeben = 0;
    m_geliefert = 0;
    m_halt = false;
    m_position = 0;
    m_crc = 0;
    m_crcDaten = 0;
    m_komprimiert = 0;
    m_ende = false;
    // Room for every worker's block and as many again, so that the workers go on while the
    // archive is written.
    m_fenster.assign(static_cast<std::size_t>(2 * m_threads + 2), Block());
    const qint64 anzahl = std::min<qint64>(m_threads, m_bloecke);
    try {
        for (qint64 i = 0; i < anzahl; ++i)
            m_worker.emplace_back(&ParallelDeflate::arbeite, this);
    } catch (const std::system_error&) {
        // Fewer workers are slower, not wrong; without any there is nobody to do the work.
        if (m_worker.empty()) {
            scheitere(sqliteGrund(SQLITE_NOMEM));
            zip_error_set(&m_fehler, ZIP_ER_MEMORY, 0);
            m_datei.reset();
            return false;
        }
    }
    return true;
}

void ParallelDeflate::halte() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_halt = true;
    }
    m_arbeit.notify_all();
    for (std::thread& t : m_worker)
        t.join();
    m_worker.clear();
    // Closed only now that nobody reads it: closing a file drops the locks a database connection
    // of this process holds on it.
    m_datei.reset();
}

zip_int64_t ParallelDeflate::lies(unsigned char* ziel, zip_uint64_t len) {
    zip_uint64_t geliefert = 0;
    while (geliefert < len && !m_ende) {
        Block& b = m_fenster[static_cast<std::size_t>(m_geliefert % static_cast<qint64>(m_fenster.size()))];
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_fertig.wait(lock, [&] { return b.fertig || !m_grund.isEmpty(); });
            if (!m_grund.isEmpty()) {
                zip_error_set(&m_fehler, ZIP_ER_READ, 0);
                return -1;
            }
        }
        // The block is this side's until it is handed back: no worker writes a slot before
        // the block in it has been read.
        const zip_uint64_t rest = b.daten.size() - static_cast<std::size_t>(m_position);
        const zip_uint64_t n = std::min(rest, len - geliefert);
        std::memcpy(ziel + geliefert, b.daten.data() + m_position, n);
        geliefert += n;
        m_position += static_cast<qint64>(n);
        if (m_position == static_cast<qint64>(b.daten.size())) {
            m_crc = crc32_combine(m_crc, b.crc, static_cast<z_off_t>(b.laenge));
            m_crcDaten = crc32_combine(m_crcDaten, b.crcDaten, static_cast<z_off_t>(b.daten.size()));
            m_komprimiert += static_cast<qint64>(b.daten.size());
            m_position = 0;
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                b.fertig = false;
                ++m_geliefert;
                m_ende = m_geliefert == m_bloecke;
            }
            m_arbeit.notify_all();
        }
    }
    return static_cast<zip_int64_t>(geliefert);
}

bool ParallelDeflate::blockLesen(QFile& datei, qint64 von, qint64 laenge, std::vector<unsigned char>& puffer) {
    puffer.resize(static_cast<std::size_t>(laenge));
    const std::lock_guard<std::mutex> lock(m_dateiMutex);
    if (!datei.seek(von)) {
        scheitere(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2")
                      .arg(QDir::toNativeSeparators(m_pfad), datei.errorString()));
        return false;
    }
    qint64 gelesen = 0;
    while (gelesen < laenge) {
        const qint64 n = datei.read(reinterpret_cast<char*>(puffer.data()) + gelesen, laenge - gelesen);
        if (n < 0) {
            scheitere(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden: %2")
                          .arg(QDir::toNativeSeparators(m_pfad), datei.errorString()));
            return false;
        }
        if (n == 0) {
            scheitere(QStringLiteral("Die Datei \u201E%1\u201C hat sich während der Sicherung geändert.")
                          .arg(QDir::toNativeSeparators(m_pfad)));
            return false;
        }
        gelesen += n;
    }
    return true;
}

void ParallelDeflate::arbeite() {
    try {
        Zlib zlib;
        if (!zlib.deflaterDa || !zlib.inflaterDa) {
            scheitere(sqliteGrund(SQLITE_NOMEM));
            return;
        }
        std::vector<unsigned char> ein;
        std::vector<unsigned char> aus;
        std::vector<unsigned char> probe;
        const QString name = QDir::toNativeSeparators(m_pfad);
        for (;;) {
            qint64 nr = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                const qint64 fenster = static_cast<qint64>(m_fenster.size());
                m_arbeit.wait(lock, [&] {
                    return m_halt || !m_grund.isEmpty() || m_vergeben >= m_bloecke || m_vergeben < m_geliefert + fenster;
                });
                if (m_halt || !m_grund.isEmpty() || m_vergeben >= m_bloecke)
                    return;
                nr = m_vergeben++;
            }
            const qint64 anfang = nr * Blockgroesse;
            const qint64 laenge = std::min(Blockgroesse, m_groesse - anfang);
            const qint64 vorher = std::min(Fenster, anfang);
            const bool letzter = nr == m_bloecke - 1;
            if (!blockLesen(*m_datei, anfang - vorher, vorher + laenge, ein))
                return;
            const unsigned char* block = ein.data() + vorher;
            if (!deflatiere(zlib.deflater, block, vorher, laenge, letzter, aus)) {
                scheitere(QStringLiteral("Die Datei \u201E%1\u201C kann nicht komprimiert werden.").arg(name));
                return;
            }
            if (!gibtZurueck(zlib.inflater, block, vorher, laenge, letzter, aus, probe)) {
                scheitere(
                    QStringLiteral("Beim Komprimieren der Datei \u201E%1\u201C ist ein Fehler aufgetreten: die komprimierten "
                                   "Daten stimmen nicht mit der Datei überein. Versuchen Sie es bitte noch einmal.")
                        .arg(name));
                return;
            }
            const uLong crc = crc32(0, block, static_cast<uInt>(laenge));
            const uLong crcDaten = crc32(0, aus.data(), static_cast<uInt>(aus.size()));
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                Block& b = m_fenster[static_cast<std::size_t>(nr % static_cast<qint64>(m_fenster.size()))];
                // The slot's old buffer comes back for the next block.
                b.daten.swap(aus);
                b.crc = crc;
                b.crcDaten = crcDaten;
                b.laenge = laenge;
                b.fertig = true;
            }
            m_fertig.notify_all();
        }
    } catch (const std::bad_alloc&) {
        scheitere(sqliteGrund(SQLITE_NOMEM));
    }
}
