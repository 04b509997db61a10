// The five evaluations on a fiscal year of 50,000 bookings: prepared pages and PDF, each beside
// the report's main statement run bare through the sqlite3 shell.
#include "BareSql.h"
#include "BenchBooks.h"

#include "app/THelperData.h"
#include "reports/CircleDetails.h"
#include "reports/CircleEvaluation.h"
#include "reports/Journal.h"
#include "reports/PlusMinus.h"
#include "reports/ReportContext.h"
#include "reports/VatReconciliation.h"
#include "reports/engine/PdfRenderer.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

using Books = BenchBooks;

Books& books() {
    static Books b;
    return b;
}

enum Report { Vat, Journal, Circles, Details, PlusMinus };

ReportEngine::PreparedReport make(Report which, Books& b) {
    const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm);
    switch (which) {
    case Vat:
        return *TRep_Verprobung::erstelle(*b.dm, d);
    case Journal:
        return TRep_Journal::erstelle(*b.dm, d);
    case Circles:
        return TRep_EinAus::erstelle(*b.dm, d);
    case Details:
        return TRep_EinAusDetail::erstelle(*b.dm, d);
    case PlusMinus:
        return TRep_PlusMinus::erstelle(*b.dm, d);
    }
    return {};
}

// The main statement of each report with the values bound, as the shell runs it.
QString mainStatement(Report which, const GeneratedBooks& g) {
    const QString join = QStringLiteral(
        "FROM T_Buchungen INNER JOIN t_kontenbewegungen ON T_Buchungen.ID = t_kontenbewegungen.Buchungen_id AND "
        "T_Buchungen.mandant = t_kontenbewegungen.mandant ");
    const QString where = QStringLiteral("WHERE T_Buchungen.Wirtschaftsjahr = %1 AND T_Buchungen.mandant = %2 ")
                              .arg(g.activeZeitraum)
                              .arg(g.activeClient);
    switch (which) {
    case Vat:
        return QStringLiteral("SELECT Konten_Nr, T_Kontenplan.Steuersatz, Sum(St_Betrag), Sum(Betrag), Sum(iif(IstKFZ=1,St_Betrag,0)), "
                              "Sum(iif(IstGebaeude=1,St_Betrag,0)) ") +
               join + QStringLiteral("LEFT JOIN T_Kontenplan ON Kontonummer = Konten_Nr ") + where + QStringLiteral("GROUP BY Konten_Nr;");
    case Journal:
        return QStringLiteral("SELECT T_Buchungen.*, Konten_Nr, St_Betrag ") + join + where +
               QStringLiteral("ORDER BY Buchungsdatum, T_Buchungen.ID;");
    case Circles:
        return QStringLiteral("SELECT Sum(iif(isteu=1,betrag,betrag-st_betrag)), Sum(Betrag), IstEinnahme, BK ") + join + where +
               QStringLiteral("AND Konten_Nr <> 2021 GROUP BY IstEinnahme, BK;");
    case Details:
        return QStringLiteral("SELECT iif(isteu=1,betrag,betrag-st_betrag), Betrag, IstEinnahme, BK, Text, Belegnummer, Buchungsdatum ") +
               join + where + QStringLiteral("AND Konten_Nr <> 2021 ORDER BY IstEinnahme, BK, Buchungsdatum;");
    case PlusMinus:
        return QStringLiteral("SELECT Sum(iif(isteinnahme=1,betrag,-betrag)), BK ") + join + where +
               QStringLiteral("AND Konten_Nr <> 2021 GROUP BY BK;");
    }
    return {};
}

void BM_Prepare(benchmark::State& state) {
    Books& b = books();
    const auto which = static_cast<Report>(state.range(0));
    std::size_t pages = 0;
    for (auto _ : state)
        pages = make(which, b).pages.size();
    const double bare = timeSqliteShell(b.file(), mainStatement(which, b.info));
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["bare_ms"] = bare * 1000;
    state.counters["ratio"] = benchmark::Counter(bare, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Pdf(benchmark::State& state) {
    Books& b = books();
    const auto which = static_cast<Report>(state.range(0));
    const QString path = b.dir.filePath(QStringLiteral("bericht.pdf"));
    for (auto _ : state)
        ReportEngine::writePdf(make(which, b), path);
    state.counters["bare_ms"] = timeSqliteShell(b.file(), mainStatement(which, b.info)) * 1000;
}

// The peak resident memory since the last reset, in MB; the reset makes the figure the peak of
// the step measured, not of generating the books.
void resetPeakMemory() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}
double peakMemoryMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

// CPU time of all threads of the process so far, in seconds: the PDF is drawn on a thread of its
// own, which the benchmark's CPU column (the calling thread's) leaves out.
double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Journal and circle details as the program writes them: each page drawn into the PDF as soon
// as it is laid out.
void BM_PdfSeitenweise(benchmark::State& state) {
    Books& b = books();
    const auto which = static_cast<Report>(state.range(0));
    const QString path = b.dir.filePath(QStringLiteral("bericht.pdf"));
    const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm);
    int pages = 0;
    double peak = 0;
    const double cpuBefore = processCpuSeconds();
    for (auto _ : state) {
        resetPeakMemory();
        ReportEngine::PdfSeiten pdf(path);
        pages = which == Journal ? TRep_Journal::erstelle(*b.dm, d, pdf) : TRep_EinAusDetail::erstelle(*b.dm, d, pdf);
        pdf.abschliessen();
        peak = std::max(peak, peakMemoryMb());
    }
    state.counters["all_threads_cpu_ms"] = (processCpuSeconds() - cpuBefore) * 1000 / static_cast<double>(state.iterations());
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = peak;
    state.counters["bare_ms"] = timeSqliteShell(b.file(), mainStatement(which, b.info)) * 1000;
}

void BM_PdfGanz(benchmark::State& state) {
    Books& b = books();
    const auto which = static_cast<Report>(state.range(0));
    const QString path = b.dir.filePath(QStringLiteral("bericht.pdf"));
    double peak = 0;
    for (auto _ : state) {
        resetPeakMemory();
        ReportEngine::writePdf(make(which, b), path);
        peak = std::max(peak, peakMemoryMb());
    }
    state.counters["peak_MB"] = peak;
}

} // namespace

BENCHMARK(BM_PdfSeitenweise)->ArgName("bericht")->Arg(Journal)->Arg(Details)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PdfGanz)->ArgName("bericht")->Arg(Journal)->Arg(Details)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Prepare)->ArgName("bericht")->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pdf)->ArgName("bericht")->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

