#pragma once

#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <zip.h>

class QFile;

// A file deflated on several cores for libzip, which takes the result as a finished Deflate entry.
//
// The file is cut into blocks; each worker deflates one block at a time (raw Deflate),
// primed with the last 32 KiB before it, so the ratio stays close to that of one stream. Every
// block but the last ends on a byte boundary (a sync flush), the last one ends the stream: put
// one after the other they form one valid Deflate stream. The CRC-32s of the blocks are combined
// in order. libzip reads the stream through the source and writes it as it is; only a few blocks
// are in memory at any time.
//
// Each block is inflated again at once and compared with the file, so a stream that would not
// give back the file is never written; what was written is recorded for checking the archive.
//
// The object must outlive the source and thereby the archive it was added to.
class ParallelDeflate {
public:
    static constexpr qint64 Blockgroesse = qint64(1) << 20;
    // zlib's level, the usual one of zip programs.
    static constexpr int Stufe = 6;

    // What libzip was given, once it has read the source to its end.
    struct Ergebnis {
        qint64 groesse = 0;     // of the file
        quint32 crc = 0;        // of the file
        qint64 komprimiert = 0; // of the Deflate stream
        quint32 crcKomprimiert = 0;
    };

    // threads: how many blocks are deflated at once (at least one).
    explicit ParallelDeflate(QString pfad, int threads = standardThreads());
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    static int standardThreads();

    // A new source for zip_file_add; null with the error when the file cannot be read.
    zip_source_t* quelle(zip_error_t* error);
    // Why reading the file failed, in German; empty when it did not.
    QString grund() const;
    // What the stream was, once libzip has read it to its end.
    Ergebnis ergebnis() const;

private:
    struct Block {
        std::vector<unsigned char> daten; // deflated
        unsigned long crc = 0;            // of the file's bytes
        unsigned long crcDaten = 0;       // of the deflated bytes
        qint64 laenge = 0;                // uncompressed
        bool fertig = false;
    };

    static zip_int64_t rufe(void* selbst, void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    zip_int64_t befehl(void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    bool oeffne();
    zip_int64_t lies(unsigned char* ziel, zip_uint64_t len);
    void halte();
    void arbeite();
    void scheitere(const QString& grund);
    bool blockLesen(QFile& datei, qint64 von, qint64 laenge, std::vector<unsigned char>& puffer);

    const QString m_pfad;
    const int m_threads;
    qint64 m_groesse = 0;
    qint64 m_mtime = 0;
    unsigned m_modus = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_arbeit; // a block may be started, or the workers are to stop
    std::condition_variable m_fertig; // a block is done, or a worker failed
    std::vector<Block> m_fenster;     // block i in slot i % size
    std::vector<std::thread> m_worker;
    std::unique_ptr<QFile> m_datei; // read by the workers in turn
    std::mutex m_dateiMutex;
    qint64 m_bloecke = 0;
    qint64 m_vergeben = 0;  // the next block a worker takes
    qint64 m_geliefert = 0; // the next block libzip reads
    bool m_halt = false;
    QString m_grund;

    // On the reading side only.
    qint64 m_position = 0; // within the block being read
    bool m_offen = false;
    bool m_ende = false;
    unsigned long m_crc = 0;
    unsigned long m_crcDaten = 0;
    qint64 m_komprimiert = 0;
    zip_error_t m_fehler;
};
