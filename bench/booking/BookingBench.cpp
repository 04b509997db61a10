// Booking, import, totals and the two lists on realistic books, each beside the same SQL run
// bare through the sqlite3 shell.
#include "BareSql.h"
#include "BenchBooks.h"

#include "app/THelperData.h"
#include "booking/BookingImport.h"
#include "booking/Bookings.h"
#include "booking/Totals.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

constexpr int BookingsPerYear = 50000;

struct Books : BenchBooks {
    Books() : BenchBooks(spec()) {}
    static BookSpec spec() {
        BookSpec s;
        s.bookingsPerYear = BookingsPerYear;
        return s;
    }
};

Books& books() {
    static Books b;
    return b;
}

void report(benchmark::State& state, double bareSeconds, double perIteration = 1.0) {
    state.counters["bare_ms"] = bareSeconds * 1000.0 / perIteration;
    state.counters["ratio"] = benchmark::Counter(bareSeconds / perIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                                                 benchmark::Counter::kInvert);
}

QString listSql(int einnahme, const GeneratedBooks& g) {
    return QStringLiteral(
               "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Text, T_Buchungen.Steuersatz, "
               "T_Buchungen.Betrag, [betrag]/10000.0-(([betrag]/10000.0)/(([steuersatz]+100)/100.0)) AS Ust, T_BKreis.BKKurz, "
               "T_Buchungen.ID AS Buchungsid FROM T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) "
               "AND (T_BKreis.id = T_Buchungen.BK) WHERE (((T_Buchungen.IstEinnahme)=%1) AND ((T_Buchungen.Wirtschaftsjahr)=%2) "
               "AND ((T_Buchungen.mandant)=%3)) ORDER BY T_Buchungen.Buchungsdatum DESC , T_Buchungen.ID;")
        .arg(einnahme)
        .arg(g.activeZeitraum)
        .arg(g.activeClient);
}

void BM_Totals(benchmark::State& state) {
    Books& b = books();
    Summen summen;
    for (auto _ : state)
        benchmark::DoNotOptimize(summen = berechneSummen(*b.dm));
    const auto& g = b.info;
    // The figures must be those of the four documented statements, to the unit.
    const auto dokumentiert = [&](const QString& sql) {
        const auto v = b.dm->db().scalar(sql);
        return v && !v->isNull() ? Currency::fromUnits(v->toLongLong()) : Currency();
    };
    QString bare;
    for (int e : {1, 2})
        bare += QStringLiteral("SELECT Sum(Betrag) FROM T_Buchungen GROUP BY IstEinnahme, Wirtschaftsjahr, IstDrittland, mandant "
                               "HAVING IstEinnahme=%1 AND Wirtschaftsjahr=%2 AND IstDrittland=2 AND mandant=%3;\n")
                    .arg(e).arg(g.activeZeitraum).arg(g.activeClient);
    for (int e : {1, 2})
        bare += QStringLiteral("SELECT Sum(t_kontenbewegungen.St_Betrag) FROM T_Buchungen INNER JOIN t_kontenbewegungen ON "
                               "(t_kontenbewegungen.mandant = T_Buchungen.mandant) AND (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) "
                               "WHERE T_Buchungen.IstEinnahme=%1 AND T_Buchungen.Wirtschaftsjahr=%2 AND T_Buchungen.mandant=%3;\n")
                    .arg(e).arg(g.activeZeitraum).arg(g.activeClient);
    const QStringList statements = bare.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (dokumentiert(statements[0]) != summen.einnahmen || dokumentiert(statements[1]) != summen.ausgaben ||
        dokumentiert(statements[2]) != summen.ust || dokumentiert(statements[3]) != summen.vst)
        state.SkipWithError("the totals differ from the documented statements");
    report(state, timeSqliteShell(b.file(), bare));
}

void BM_List(benchmark::State& state) {
    Books& b = books();
    const int einnahme = static_cast<int>(state.range(0));
    DataSet& q = einnahme == 1 ? b.dm->Query_Ein : b.dm->Query_Aus;
    q.setParam(QStringLiteral("Zeitraum"), b.info.activeZeitraum);
    q.setParam(QStringLiteral("mandant"), b.info.activeClient);
    for (auto _ : state) {
        q.close();
        q.open();
        benchmark::DoNotOptimize(q.recordCount());
    }
    state.counters["rows"] = q.recordCount();
    report(state, timeSqliteShell(b.file(), listSql(einnahme, b.info)));
}

void BM_BookOne(benchmark::State& state) {
    Books& b = books();
    Buchungsdaten d;
    d.datum = QDate(b.info.activeYear, 6, 1);
    d.betrag = Currency::fromCents(12000);
    d.steuersatz = 20;
    d.bk = b.info.firstCircle;
    d.art = Buchungsart::Ausgabe;
    d.istEU = JaNein::Ja;
    std::vector<int> ids;
    for (auto _ : state)
        ids.push_back(Buchungen::buchen(*b.dm, d).id);
    for (int id : ids)
        Buchungen::loeschen(*b.dm, id);
    // The bare twin writes the same booking and two movements per transaction, with the key and
    // voucher-number lookups the booking makes.
    const int n = 200;
    QString bare;
    for (int i = 0; i < n; ++i)
        bare += QStringLiteral(
                    "BEGIN IMMEDIATE; SELECT max(ID) FROM T_Buchungen WHERE mandant = %1; "
                    "select max(Belegnummer) from t_Buchungen where Wirtschaftsjahr = %3 and mandant = %1; "
                    "INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, Betrag, BK, "
                    "IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) VALUES (%1, %2, %3, '%4-06-01', 1, 20, 1200000, %5, 1, 2, 2, 2, 2); "
                    "SELECT max(id) FROM t_kontenbewegungen WHERE mandant = %1; "
                    "INSERT INTO t_kontenbewegungen VALUES (%1, %6, %2, 1021, 240000); "
                    "INSERT INTO t_kontenbewegungen VALUES (%1, %7, %2, 2021, 240000); COMMIT;\n")
                    .arg(b.info.activeClient)
                    .arg(900000000 + i)
                    .arg(b.info.activeZeitraum)
                    .arg(b.info.activeYear)
                    .arg(b.info.firstCircle)
                    .arg(900000000 + 2 * i)
                    .arg(900000001 + 2 * i);
    bare += QStringLiteral("DELETE FROM t_kontenbewegungen WHERE id >= 900000000; DELETE FROM T_Buchungen WHERE ID >= 900000000;");
    // The clean-up at the end is one more statement; its share is small beside 200 transactions.
    report(state, timeSqliteShell(b.file(), bare), n);
}

void BM_Import(benchmark::State& state) {
    const int ImportRows = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("import.csv"));
    bool bareDone = false;
    {
        QFile f(csv);
        f.open(QIODevice::WriteOnly);
        QTextStream out(&f);
        out << "Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n";
        for (int i = 0; i < ImportRows; ++i) {
            const bool expense = i % 5 >= 2;
            const bool eu = expense && i % 37 == 0;
            out << QDate(2024, 1, 1).addDays(i % 366).toString(QStringLiteral("dd.MM.yyyy")) << ";;Buchung " << i << ";"
                << (i % 5000) + 1 << "," << (i % 100) << ";" << (eu ? 20 : (i % 3) * 10) << ";" << (i % 2 ? "WA" : "MI") << ";"
                << (expense ? "A" : "E") << ";" << (eu ? "ja" : "") << ";;" << (expense && !eu && i % 11 == 0 ? "ja" : "") << ";\n";
        }
    }
    qint64 movements = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        SystemClock clock;
        THelperData helper(Folders{}, &Helper_MdbSqlRunner::CreateDatabaseIfMissing);
        helper.UseDataFolder(data.path());
        TDM_EinAus dm(helper, clock);
        dm.DataModuleCreate();
        dm.db().exec(QStringLiteral("INSERT INTO T_Mandant VALUES (1, 1, 'Import')"));
        dm.db().exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (1, 1, 2024)"));
        dm.db().exec(QStringLiteral("INSERT INTO T_Einstellungen VALUES (1, 1)"));
        dm.db().exec(QStringLiteral("INSERT INTO T_BKreis VALUES (1, 1, 'Waren', 'WA'), (1, 2, 'Miete', 'MI')"));
        // What the run wrote before (the file of rows, the last round's books, the shell's) goes
        // to the disk now, not during the import's own sync.
        ::sync();
        state.ResumeTiming();
        movements = BuchungsImport::importiereDatei(dm, csv).bewegungen;
        state.PauseTiming();
        if (!bareDone) {
            // The bare twin: the shell's own bulk import of the same rows into a fresh database.
            bareDone = true;
            const QString bareDb = dir.filePath(QStringLiteral("bare.mdb"));
            Helper_MdbSqlRunner::CreateDatabaseIfMissing(bareDb);
            QStringList dots;
            for (const char* table : {"T_Buchungen", "t_kontenbewegungen"}) {
                const QString out = dir.filePath(QString::fromLatin1(table) + QStringLiteral(".csv"));
                QFile f(out);
                f.open(QIODevice::WriteOnly);
                QTextStream ts(&f);
                QSqlQuery q = dm.db().query(QStringLiteral("SELECT * FROM ") + QLatin1String(table));
                const int columns = q.record().count();
                while (q.next()) {
                    for (int c = 0; c < columns; ++c)
                        ts << (c ? "," : "") << q.value(c).toString().replace(QLatin1Char(','), QLatin1Char(' '));
                    ts << "\n";
                }
                dots << QStringLiteral(".import --csv %1 %2").arg(out, QLatin1String(table));
            }
            const QString setup = QStringLiteral("INSERT INTO T_Mandant VALUES (1, 1, 'Import'); INSERT INTO T_BKreis VALUES (1, 1, 'Waren', 'WA'), (1, 2, 'Miete', 'MI');");
            timeSqliteShell(bareDb, setup);
            dots.prepend(QStringLiteral("BEGIN;"));
            dots << QStringLiteral("COMMIT;");
            ::sync();
            bareSeconds = timeSqliteShellWall(bareDb, dots.join(QLatin1Char('\n')));
        }
        state.ResumeTiming();
    }
    state.counters["bookings_per_s"] = benchmark::Counter(ImportRows, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["movements"] = static_cast<double>(movements);
    state.counters["bare_s"] = bareSeconds;
    state.counters["ratio"] = benchmark::Counter(bareSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_Totals)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_List)->Arg(1)->Arg(2)->ArgName("einnahme")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BookOne)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);
BENCHMARK(BM_Import)->Arg(100000)->Arg(1000000)->ArgName("rows")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

