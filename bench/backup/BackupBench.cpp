// The tax-office export and the backup on large books, each beside its bare twin: the sqlite3
// shell writing the same rows as tab-separated text, and VACUUM INTO followed by zip -6.
#include "BareSql.h"
#include "BenchBooks.h"

#include "app/THelperData.h"
#include "backup/Backup.h"
#include "export/TaxOfficeExport.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Books : BenchBooks {
    explicit Books(int bookings) : BenchBooks(spec(bookings)) {}
    static BookSpec spec(int bookings) {
        BookSpec s;
        s.clients = 1;
        s.yearsPerClient = 1;
        s.bookingsPerYear = bookings;
        return s;
    }
};

void BM_Export(benchmark::State& state) {
    // About 100,000 movements: 95,000 bookings, of which a few carry two.
    static Books books(95000);
    TDM_EinAus& dm = *books.dm;
    const QString out = books.dir.filePath(QStringLiteral("export.csv"));
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto zeilen = FinanzamtExport::lese(dm, 12);
        rows = zeilen.size();
        FinanzamtExport::schreibe(FinanzamtExport::txtDateiname(out), FinanzamtExport::dateiinhalt(zeilen));
    }
    const QString sql = QStringLiteral(
        "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Text, "
        "iif([istdrittland]=1,0,iif([isteinnahme]=2,[betrag]*-1,[betrag])) AS BruttoBetrag, T_Buchungen.Steuersatz, "
        "iif([isteinnahme]=2,[St_betrag],0) AS VST, iif([isteu]=2,iif([isteinnahme]=1,[St_betrag],0),[St_betrag]) AS UST "
        "FROM T_Buchungen INNER JOIN (t_kontenbewegungen INNER JOIN T_Kontenplan ON t_kontenbewegungen.Konten_Nr = "
        "T_Kontenplan.Kontonummer) ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND (T_Buchungen.mandant = "
        "t_kontenbewegungen.mandant) WHERE T_Buchungen.Wirtschaftsjahr=%1 AND T_Buchungen.Buchungsdatum Between '%2-01-01' "
        "And '%2-12-31' AND T_Buchungen.mandant=%3 ORDER BY T_Buchungen.Buchungsdatum, T_Buchungen.ID;")
                            .arg(books.info.activeZeitraum)
                            .arg(books.info.activeYear)
                            .arg(books.info.activeClient);
    const double bare = timeSqliteShellWall(books.helper.DatabaseFile(),
                                            QStringLiteral(".mode tabs\n.headers on\n.output %1\n").arg(books.dir.filePath(QStringLiteral("bare.txt"))) + sql);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["bare_ms"] = bare * 1000.0;
    state.counters["ratio"] = benchmark::Counter(bare, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

double runZip(const QString& folder, const QString& archive, const QStringList& files) {
    QProcess zip;
    zip.setWorkingDirectory(folder);
    QElapsedTimer t;
    t.start();
    zip.start(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), QStringLiteral("-6"), archive} + files);
    zip.waitForFinished(-1);
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

void BM_Backup(benchmark::State& state) {
    static Books books(1000000);
    // The backup works on the closed database, as at the end of a program run.
    books.dm->closeConnection();
    QTemporaryDir target;
    const QString db = books.helper.DatabaseFile();
    for (auto _ : state) {
        const Sicherungsergebnis r = Datensicherung::sichern(books.helper, target.path(), false);
        if (!r.erfolgreich)
            state.SkipWithError(r.meldung.toUtf8().constData());
    }
    // The bare twin: the same compaction by the shell, then zip -6 of the database and the INI file.
    const QString vacuumed = books.dir.filePath(QStringLiteral("vacuum.mdb"));
    QFile::remove(vacuumed);
    const double vacuum = timeSqliteShellWall(db, QStringLiteral("VACUUM INTO '%1';").arg(vacuumed));
    const double zip = runZip(books.dir.path(), target.filePath(QStringLiteral("bare.zip")), {QStringLiteral("vacuum.mdb")});
    state.counters["bookings"] = static_cast<double>(books.info.bookings);
    state.counters["db_MB"] = static_cast<double>(QFileInfo(db).size()) / 1e6;
    state.counters["bare_vacuum_s"] = vacuum;
    state.counters["bare_zip_s"] = zip;
    // The archives' sizes, so that speed is not bought with a larger backup.
    state.counters["zip_MB"] = static_cast<double>(QFileInfo(target.filePath(QStringLiteral("Kassol.zip"))).size()) / 1e6;
    state.counters["bare_zip_MB"] = static_cast<double>(QFileInfo(target.filePath(QStringLiteral("bare.zip"))).size()) / 1e6;
    state.counters["ratio"] = benchmark::Counter(vacuum + zip, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

