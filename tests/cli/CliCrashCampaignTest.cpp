// Kills the command line with SIGKILL at random moments of booking, changing, deleting,
// importing, backing up and restoring, and checks after each kill what a crash may leave:
// a sound database, every booking either wholly there with its tax movements or not at all,
// each command's effect either complete or absent, confirmed work kept, and the backup archive
// readable. The moments are drawn from a fixed seed (KASSOL_CRASH_SEED picks another) across the
// time each command took when it ran to its end.
#include "backup/ZipArchive.h"
#include "booking/BookingFlags.h"
#include "booking/TaxPosting.h"
#include "store/Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

namespace {

struct Row {
    QString datum, text;
    int belegnummer = 0, satz = 0, bk = 0, eu = 0, dritt = 0, einnahme = 0, kfz = 0, gebaeude = 0;
    qint64 betrag = 0;
    std::vector<std::pair<int, qint64>> bewegungen;  // account and amount, sorted
    bool operator==(const Row&) const = default;
};
using State = std::map<int, Row>;

// Reads the bookings and checks what must hold after any crash. Failures are reported through
// gtest; the state read is returned in any case.
State readState(const QString& file, const QString& where) {
    State state;
    Database db;
    db.open(file);
    EXPECT_EQ("ok", db.scalar(QStringLiteral("PRAGMA integrity_check"))->toString().toStdString()) << where.toStdString();
    QSqlQuery q = db.query(QStringLiteral("SELECT ID, Buchungsdatum, Text, Belegnummer, Steuersatz, BK, IstEU, IstDrittland, "
                                          "IstEinnahme, IstKFZ, IstGebaeude, Betrag FROM T_Buchungen"));
    while (q.next()) {
        Row r;
        r.datum = q.value(1).toString();
        r.text = q.value(2).toString();
        r.belegnummer = q.value(3).toInt();
        r.satz = q.value(4).toInt();
        r.bk = q.value(5).toInt();
        r.eu = q.value(6).toInt();
        r.dritt = q.value(7).toInt();
        r.einnahme = q.value(8).toInt();
        r.kfz = q.value(9).toInt();
        r.gebaeude = q.value(10).toInt();
        r.betrag = q.value(11).toLongLong();
        state[q.value(0).toInt()] = r;
    }
    QSqlQuery m = db.query(QStringLiteral("SELECT Buchungen_id, Konten_Nr, St_Betrag FROM t_kontenbewegungen"));
    int orphans = 0;
    while (m.next()) {
        const auto it = state.find(m.value(0).toInt());
        if (it == state.end())
            ++orphans;
        else
            it->second.bewegungen.emplace_back(m.value(1).toInt(), m.value(2).toLongLong());
    }
    EXPECT_EQ(0, orphans) << where.toStdString() << ": movements without their booking";
    db.close();
    // A booking is there with exactly the movements its tax posting gives, or not at all.
    for (auto& [id, r] : state) {
        std::sort(r.bewegungen.begin(), r.bewegungen.end());
        std::vector<std::pair<int, qint64>> expected;
        for (const Steuerbewegung& b : berechneSteuerbewegungen(
                 {buchungsartAus(r.einnahme), jaNeinAus(r.eu), jaNeinAus(r.dritt), Currency::fromUnits(r.betrag), r.satz}))
            expected.emplace_back(b.konto, b.betrag.units());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, r.bewegungen) << where.toStdString() << ": booking " << id << " without its movements";
    }
    return state;
}

// Whether the two states agree on every booking except the ones named.
bool sameExcept(const State& a, const State& b, const std::set<int>& except) {
    const auto rest = [&](const State& s) {
        State r = s;
        for (int id : except)
            r.erase(id);
        return r;
    };
    return rest(a) == rest(b);
}

enum Op { Book, Change, Delete, Import, Backup, Restore, OpCount };
const std::array<const char*, OpCount> OpNames{"book", "change", "delete", "import", "backup", "restore"};

// How each killed (or finished) run ended.
struct Tally {
    int runs = 0;          // runs with a kill planned
    int killed = 0;        // the kill came while the program ran
    int finished = 0;      // it had ended with 0 before the kill
    int failed = 0;        // it had ended with an error before the kill
    int before = 0;        // killed, and its effect is absent
    int after = 0;         // killed, and its effect is complete
    int either = 0;        // killed, and the two cannot be told apart
};

class Campaign {
public:
    Campaign() : m_rng(seed()) {
        m_data = m_dir.filePath(QStringLiteral("Daten"));
        m_target = m_dir.filePath(QStringLiteral("Sicherung"));
        QDir().mkpath(m_target);
        m_archive = m_target + QStringLiteral("/Kassol.zip");
        m_csv = m_dir.filePath(QStringLiteral("buchungen.csv"));
    }

    static unsigned seed() {
        const QByteArray given = qgetenv("KASSOL_CRASH_SEED");
        return given.isEmpty() ? 20240315u : given.toUInt();
    }
    QString database() const { return m_data + QStringLiteral("/KS_tab.mdb"); }
    std::mt19937& rng() { return m_rng; }

    // Runs the program to its end; returns its exit code and how long it took.
    std::pair<int, qint64> run(const QStringList& args) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(KASSOL_CLI_PATH), QStringList{"--data-dir", m_data} + args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, t.elapsed()};
    }

    // Starts the program and kills it after the delay unless it has ended by then. Returns the
    // exit code, or -1 when it was killed.
    int runAndKill(const QStringList& args, qint64 delayUs) {
        QProcess p;
        p.start(QStringLiteral(KASSOL_CLI_PATH), QStringList{"--data-dir", m_data} + args);
        if (!p.waitForStarted())
            return -2;
        QThread::usleep(static_cast<unsigned long>(delayUs));
        if (p.state() != QProcess::NotRunning && !p.waitForFinished(0)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        p.waitForFinished();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    void setUp() {
        ASSERT_EQ(0, run({"init", "--client", "Muster", "--year", "2024"}).first);
        ASSERT_EQ(0, run({"circle", "add", "Waren", "WA"}).first);
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(0, run(bookArgs()).first);
        QFile csv(m_csv);
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write("Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n");
        for (int i = 0; i < ImportLines; ++i)
            csv.write(QStringLiteral("%1.02.2024;;Import;%2,50;%3;WA;%4;;;;\n")
                          .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                          .arg(10 + i % 90)
                          .arg(i % 3 == 0 ? 10 : 20)
                          .arg(i % 2 ? QStringLiteral("E") : QStringLiteral("A"))
                          .toUtf8());
        csv.close();
        ASSERT_EQ(0, run({"backup", "--target", m_target}).first);
        m_archiveState = checkArchive(QStringLiteral("first backup"));
        m_state = readState(database(), QStringLiteral("start"));
        ASSERT_EQ(m_state, m_archiveState);
    }

    // The arguments of the operation, with the values its effect is recognised by.
    QStringList argsFor(Op op) {
        switch (op) {
        case Book:
            return bookArgs();
        case Change: {
            m_changed = pick();
            m_newAmount = 10000 * (500 + ++m_counter);
            m_newText = QStringLiteral("geaendert %1").arg(m_counter);
            return {"change", QString::number(m_changed), "--amount", QString::number(m_newAmount / 10000), "--text", m_newText};
        }
        case Delete:
            m_deleted = pick();
            return {"delete", QString::number(m_deleted)};
        case Import:
            return {"import", m_csv};
        case Backup:
            return {"backup", "--target", m_target};
        case Restore:
            // The kept copy of the replaced database is named by the second; two restores in one
            // second would refuse the second, which is not what is tried here.
            for (const QString& name : QDir(m_data).entryList({QStringLiteral("*_vor_Wiederherstellung_*")}, QDir::Files))
                QFile::remove(m_data + QLatin1Char('/') + name);
            return {"restore", m_archive};
        default:
            return {};
        }
    }

    // Checks the state after a run of the operation that ended with the code (-1: killed) and
    // counts the outcome.
    void judge(Op op, int code, Tally& tally) {
        const QString where = QStringLiteral("%1, seed %2, run %3, %4")
                                  .arg(QLatin1String(OpNames[op]))
                                  .arg(seed())
                                  .arg(tally.runs)
                                  .arg(code == -1 ? QStringLiteral("killed") : QStringLiteral("exit %1").arg(code));
        const std::string w = where.toStdString();
        const State before = m_state;
        const State now = readState(database(), where);
        // Whether the effect is absent (0), complete (1), or either (2, when both look the same).
        int effect = -1;
        switch (op) {
        case Book: {
            std::set<int> added;
            for (const auto& [id, r] : now)
                if (!before.count(id))
                    added.insert(id);
            if (added.empty() && now == before)
                effect = 0;
            else if (added.size() == 1 && sameExcept(before, now, added) && now.at(*added.begin()).betrag == m_bookAmount)
                effect = 1;
            break;
        }
        case Change:
            if (now == before)
                effect = 0;
            else if (sameExcept(before, now, {m_changed}) && now.count(m_changed) && now.at(m_changed).betrag == m_newAmount &&
                     now.at(m_changed).text == m_newText)
                effect = 1;
            break;
        case Delete:
            if (now == before)
                effect = 0;
            else if (!now.count(m_deleted) && sameExcept(before, now, {m_deleted}))
                effect = 1;
            break;
        case Import: {
            std::set<int> added;
            for (const auto& [id, r] : now)
                if (!before.count(id))
                    added.insert(id);
            const bool allImported = std::all_of(added.begin(), added.end(), [&](int id) { return now.at(id).text == QStringLiteral("Import"); });
            if (now == before)
                effect = 0;
            else if (added.size() == static_cast<size_t>(ImportLines) && allImported && sameExcept(before, now, added))
                effect = 1;
            break;
        }
        case Backup: {
            EXPECT_EQ(before, now) << w << ": the backup changed the bookings";
            const State archived = checkArchive(where);
            if (archived == now && archived == m_archiveState)
                effect = 2;
            else if (archived == m_archiveState)
                effect = 0;
            else if (archived == now)
                effect = 1;
            EXPECT_NE(-1, effect) << w << ": the archive holds neither the previous nor the new backup";
            if (effect >= 1)
                m_archiveState = archived;
            break;
        }
        case Restore:
            if (now == before && now == m_archiveState)
                effect = 2;
            else if (now == before)
                effect = 0;
            else if (now == m_archiveState)
                effect = 1;
            // Restoring reads the archive; it must stay as it was.
            EXPECT_EQ(m_archiveState, checkArchive(where)) << w;
            break;
        default:
            break;
        }
        EXPECT_NE(-1, effect) << w << ": neither the state before nor the complete effect";
        if (code == 0) {
            EXPECT_NE(0, effect) << w << ": the program reported success, but its effect is missing";
        }
        if (code > 0) {
            EXPECT_NE(1, effect) << w << ": the program reported an error, but its effect is there";
        }
        if (code == -1) {
            ++tally.killed;
            (effect == 0 ? tally.before : effect == 1 ? tally.after : tally.either) += 1;
        } else if (code == 0) {
            ++tally.finished;
        } else {
            ++tally.failed;
        }
        m_state = now;
    }

    // The backup archive passes unzip's test and libzip's, and holds a sound database; returns it.
    State checkArchive(const QString& where) {
        const std::string w = where.toStdString();
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (!unzip.isEmpty()) {
            QProcess p;
            p.start(unzip, {"-tq", m_archive});
            p.waitForFinished(60000);
            EXPECT_EQ(0, p.exitCode()) << w << ": unzip -t: " << p.readAllStandardOutput().toStdString();
        }
        EXPECT_EQ("", ZipArchive::pruefe(m_archive).toStdString()) << w;
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("ks_tab.mdb"));
        const QString grund = ZipArchive::entpacke(m_archive, QStringLiteral("ks_tab.mdb"), file);
        EXPECT_EQ("", grund.toStdString()) << w;
        return grund.isEmpty() ? readState(file, where + QStringLiteral(" (archive)")) : State{};
    }

    bool haveBookings() const { return m_state.size() >= 2; }
    QStringList bookArgs() {
        m_bookAmount = 10000 * (1000 + ++m_counter);
        return {"book", "--income", "--date", "15.03.2024", "--amount", QString::number(m_bookAmount / 10000), "--rate", "20",
                "--circle", "1", "--text", QStringLiteral("Buchung %1").arg(m_counter)};
    }

    static constexpr int ImportLines = 1000;

private:
    int pick() {
        std::uniform_int_distribution<size_t> d(0, m_state.size() - 1);
        return std::next(m_state.begin(), static_cast<std::ptrdiff_t>(d(m_rng)))->first;
    }

    QTemporaryDir m_dir;
    QString m_data, m_target, m_archive, m_csv;
    std::mt19937 m_rng;
    State m_state, m_archiveState;
    int m_counter = 0;
    qint64 m_bookAmount = 0, m_newAmount = 0;
    int m_changed = 0, m_deleted = 0;
    QString m_newText;
};

} // namespace

TEST(Crash, KillsAtRandomMomentsLeaveEachCommandWhollyDoneOrNotAtAll) {
    constexpr int KillsPerOperation = 16;
    // A bound on the whole run, for a slow machine: rounds stop early once it is passed.
    constexpr qint64 BudgetMs = 50000;
    QElapsedTimer clock;
    clock.start();
    Campaign c;
    c.setUp();
    if (testing::Test::HasFatalFailure())
        return;

    // Each operation once to its end, to learn how long it takes.
    std::array<qint64, OpCount> duration{};
    std::array<Tally, OpCount> tally{};
    for (int op = 0; op < OpCount; ++op) {
        const auto [code, ms] = c.run(c.argsFor(Op(op)));
        duration[op] = std::max<qint64>(ms, 1);
        c.judge(Op(op), code, tally[op]);
        ASSERT_EQ(0, code) << OpNames[op];
    }
    tally = {};

    std::array<std::array<int, KillsPerOperation>, OpCount> strata;
    for (auto& s : strata) {
        std::iota(s.begin(), s.end(), 0);
        std::shuffle(s.begin(), s.end(), c.rng());
    }
    std::array<Op, OpCount> order{Book, Change, Delete, Import, Backup, Restore};
    int rounds = 0;
    for (; rounds < KillsPerOperation && clock.elapsed() < BudgetMs; ++rounds) {
        std::shuffle(order.begin(), order.end(), c.rng());
        for (Op op : order) {
            if ((op == Change || op == Delete) && !c.haveBookings()) {
                Tally extra;
                c.judge(Book, c.run(c.argsFor(Book)).first, extra);
            }
            // Stratified over the rounds, so that the moments cover the whole run evenly, and a
            // little beyond its end, where the program may just have finished.
            std::uniform_real_distribution<double> within(0.0, 1.0);
            const double fraction = (strata[op][rounds] + within(c.rng())) / KillsPerOperation * 1.15;
            ++tally[op].runs;
            const int code = c.runAndKill(c.argsFor(op), static_cast<qint64>(fraction * duration[op] * 1000));
            c.judge(op, code, tally[op]);
            if (testing::Test::HasFailure())
                break;
        }
        if (testing::Test::HasFailure())
            break;
    }

    std::printf("Crash campaign, seed %u, %d rounds in %.1f s (kill moments spread over each command's own run time)\n",
                Campaign::seed(), rounds, clock.elapsed() / 1000.0);
    std::printf("  %-8s %6s %6s %7s %8s %7s %9s %7s %6s\n", "command", "ms", "runs", "killed", "absent", "whole", "either",
                "exit 0", "error");
    for (int op = 0; op < OpCount; ++op)
        std::printf("  %-8s %6lld %6d %7d %8d %7d %9d %7d %6d\n", OpNames[op], static_cast<long long>(duration[op]), tally[op].runs,
                    tally[op].killed, tally[op].before, tally[op].after, tally[op].either, tally[op].finished, tally[op].failed);
    std::fflush(stdout);
}
