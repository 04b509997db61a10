// The steps a bookkeeper waits for in the desktop program, measured through its windows on the
// offscreen platform: Enter in the voucher dialog until the booking is posted and both lists and
// the totals are painted anew, and the start until the main window is painted with the books.
#include "BenchBooks.h"

#include "app/IniFile.h"
#include "booking/Bookings.h"
#include "booking/Totals.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/TForm_Kassol.h"
#include "ui/WidgetInteraction.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

// Plays the user: each dialog is handed to the handler set for it; every question is answered
// with its first button.
class BenchInteraction final : public WidgetInteraction {
public:
    std::function<void(QDialog&)> handler;
    QStringList errors;

    void information(const QString&) override {}
    Answer confirmation(const QString&, const QList<Answer>& buttons) override { return buttons.front(); }
    Answer warning(const QString&, const QList<Answer>& buttons) override { return buttons.front(); }
    bool inputBox(const QString&, const QString&, QString&) override { return false; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void openFile(const QString&) override {}
    int execDialog(QDialog& d) override {
        d.setResult(0);
        d.show();
        QApplication::setActiveWindow(&d);
        if (handler)
            handler(d);
        if (d.isVisible())
            d.reject();
        return d.result();
    }
    void showWindow(QWidget& w) override { w.show(); }
    void error(const QString& text) override { errors << text; }
    void vorschau(const ReportEngine::PreparedReport&) override {}
};

template <class T>
T* control(QWidget& parent, const char* name) {
    T* c = parent.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        throw std::runtime_error(std::string("missing control ") + name);
    return c;
}

// Books in a data folder that the desktop program opens as it would at a start: the icon is
// already on the desktop, so the start writes nothing.
struct DesktopBooks : BenchBooks {
    explicit DesktopBooks(const BookSpec& spec) : BenchBooks(spec) {
        (void)helper.GetIniInstance()->writeString(QStringLiteral("Einstellungen"), QStringLiteral("DesktopIcon"), QStringLiteral("true"));
        dm->closeConnection();
    }
};

// Waits until the window has run its deferred start and paints it.
void bisGezeichnet(TForm_Kassol& w) {
    while (!w.FAnwendungIstInitiiert())
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    QApplication::processEvents();
    w.repaint();
}

BookSpec jahrMit(int buchungen) {
    BookSpec s;
    s.bookingsPerYear = buchungen;
    return s;
}

void BM_EnterBisAngezeigt(benchmark::State& state) {
    static DesktopBooks books(jahrMit(50000));
    BenchInteraction ui;
    Anwendung app{books.helper, *books.dm, books.clock, ui};
    TForm_Kassol w(app);
    w.show();
    bisGezeichnet(w);
    auto* einnahmen = control<QLabel>(w, "Label_Einnahmen");
    std::vector<int> neu;
    int runde = 0;
    for (auto _ : state) {
        const QString vorher = einnahmen->text();
        double sekunden = 0;
        ++runde;
        bool gebucht = false;
        ui.handler = [&](QDialog& d) {
            // After "weiterbuchen" the next dialog is left with Cancel.
            if (gebucht)
                return;
            gebucht = true;
            control<QCheckBox>(d, "DBCheckBoxEin")->setChecked(true);
            control<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("%1,00").arg(100 + runde));
            control<QComboBox>(d, "DBCombo_Steuersatz")->setEditText(QStringLiteral("20"));
            auto* kreis = control<QComboBox>(d, "DBLookupComboBox1");
            kreis->setCurrentIndex(0);
            QApplication::processEvents();
            QElapsedTimer t;
            t.start();
            QTest::keyClick(control<QLineEdit>(d, "DBEdit_Betrag"), Qt::Key_Return);
            // The booking is posted; the refresh it asked for runs as soon as the loop is back, and
            // the main window is painted behind the next voucher.
            QApplication::processEvents();
            w.repaint();
            sekunden = static_cast<double>(t.nsecsElapsed()) / 1e9;
        };
        w.Buchen1Click();
        QApplication::processEvents();
        state.SetIterationTime(sekunden);
        if (einnahmen->text() == vorher || !ui.errors.isEmpty()) {
            state.SkipWithError("the booking was not shown");
            break;
        }
    }
    // The bookings made here are taken out again, so that every run starts on the same books.
    books.dm->db().exec(QStringLiteral("DELETE FROM t_kontenbewegungen WHERE mandant = %1 AND Buchungen_id > %2")
                            .arg(books.info.activeClient)
                            .arg(books.info.bookings));
    books.dm->db().exec(QStringLiteral("DELETE FROM T_Buchungen WHERE mandant = %1 AND ID > %2").arg(books.info.activeClient).arg(books.info.bookings));
    state.counters["bookings_in_year"] = 50000;
}

// The parts of the step above one by one, to see where its time goes: the posting with its
// fsync, the refresh of totals and lists, the painting.
void BM_EnterTeile(benchmark::State& state) {
    static DesktopBooks books(jahrMit(50000));
    BenchInteraction ui;
    Anwendung app{books.helper, *books.dm, books.clock, ui};
    TForm_Kassol w(app);
    w.show();
    bisGezeichnet(w);
    Buchungsdaten d;
    d.datum = QDate(books.info.activeYear, 6, 1);
    d.betrag = Currency::fromCents(12000);
    d.steuersatz = 20;
    d.bk = books.info.firstCircle;
    d.art = Buchungsart::Einnahme;
    double buchen = 0, summen = 0, listen = 0, malen = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        (void)Buchungen::buchen(*books.dm, d);
        buchen += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        w.Berechne();
        summen += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        w.QueryStarten(books.info.activeZeitraum, books.info.activeClient);
        listen += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        w.repaint();
        malen += static_cast<double>(t.nsecsElapsed()) / 1e6;
        QApplication::processEvents();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["buchen_ms"] = buchen / n;
    state.counters["summen_ms"] = summen / n;
    state.counters["listen_ms"] = listen / n;
    state.counters["malen_ms"] = malen / n;
    books.dm->db().exec(QStringLiteral("DELETE FROM t_kontenbewegungen WHERE mandant = %1 AND Buchungen_id > %2")
                            .arg(books.info.activeClient)
                            .arg(books.info.bookings));
    books.dm->db().exec(QStringLiteral("DELETE FROM T_Buchungen WHERE mandant = %1 AND ID > %2").arg(books.info.activeClient).arg(books.info.bookings));
}

// Notes when the window has been painted for the first time.
class ErstesBild : public QObject {
public:
    explicit ErstesBild(const QElapsedTimer& uhr) : m_uhr(uhr) {}
    qint64 nach = -1;  // nanoseconds from the start, -1 before the first paint

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && nach < 0)
            nach = m_uhr.nsecsElapsed();
        return QObject::eventFilter(o, e);
    }

private:
    const QElapsedTimer& m_uhr;
};

struct Startzeiten {
    double gezeigt = 0;      // painted with the totals and the first rows of both lists
    double erstesBild = 0;   // first painted, before the start-up reads the books
};

// A start of the desktop program on the books: the data module opened, the main window created,
// shown, started and painted with the totals and the first rows of both lists. Returns seconds.
Startzeiten start(DesktopBooks& books) {
    QElapsedTimer t;
    t.start();
    ErstesBild erstesBild(t);
    BenchInteraction ui;
    TDM_EinAus dm(books.helper, books.clock);
    dm.DataModuleCreate();
    const qint64 daten = t.nsecsElapsed();
    Anwendung app{books.helper, dm, books.clock, ui};
    TForm_Kassol w(app);
    const qint64 fenster = t.nsecsElapsed();
    w.installEventFilter(&erstesBild);
    w.show();
    bisGezeichnet(w);
    const double sekunden = static_cast<double>(t.nsecsElapsed()) / 1e9;
    if (qEnvironmentVariableIsSet("KASSOL_BENCH_TEILE")) {
        TDM_EinAus frisch(books.helper, books.clock);
        frisch.DataModuleCreate();
        QElapsedTimer s;
        s.start();
        (void)berechneSummen(frisch);
        const qint64 kalt = s.nsecsElapsed();
        s.restart();
        (void)berechneSummen(frisch);
        std::fprintf(stderr, "Summen kalt %.1f ms, warm %.1f ms\n", kalt / 1e6, s.nsecsElapsed() / 1e6);
        frisch.closeConnection();
    }
    if (qEnvironmentVariableIsSet("KASSOL_BENCH_TEILE"))
        std::fprintf(stderr, "Daten %.1f ms, Fenster %.1f ms, gezeigt %.1f ms\n", daten / 1e6, (fenster - daten) / 1e6, sekunden * 1e3 - fenster / 1e6);
    if (!ui.errors.isEmpty())
        throw std::runtime_error(ui.errors.front().toStdString());
    dm.closeConnection();
    return {sekunden, static_cast<double>(erstesBild.nach) / 1e9};
}

// The start on a file of 1,000,000 bookings (twenty years of 50,000 of one client, the current
// year the last), and beside it, in the same run, the start on empty books of one client and year.
void BM_Start(benchmark::State& state) {
    BookSpec gross;
    gross.clients = 1;
    gross.yearsPerClient = 20;
    gross.firstYear = 2007;
    gross.bookingsPerYear = 50000;
    gross.bookingsPerOtherYear = 50000;
    static DesktopBooks millionen(gross);
    BookSpec leer;
    leer.clients = 1;
    leer.yearsPerClient = 1;
    leer.bookingsPerYear = 0;
    static DesktopBooks leere(leer);
    // One start of each first, as a user's file is in the system's cache after its first use.
    (void)start(millionen);
    (void)start(leere);
    double leerSumme = 0, bildGross = 0, bildLeer = 0;
    for (auto _ : state) {
        const Startzeiten gross = start(millionen);
        const Startzeiten klein = start(leere);
        state.SetIterationTime(gross.gezeigt);
        leerSumme += klein.gezeigt;
        bildGross += gross.erstesBild;
        bildLeer += klein.erstesBild;
    }
    const double n = static_cast<double>(state.iterations());
    const double leerMittel = leerSumme / n;
    // The window as first painted, before the deferred start-up reads the books.
    state.counters["first_paint_ms"] = bildGross / n * 1000.0;
    state.counters["first_paint_empty_ms"] = bildLeer / n * 1000.0;
    state.counters["first_paint_ratio"] = bildLeer > 0 ? bildGross / bildLeer : 0;
    state.counters["bookings"] = static_cast<double>(millionen.info.bookings);
    state.counters["empty_ms"] = leerMittel * 1000.0;
    state.counters["ratio"] = benchmark::Counter(leerMittel, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_EnterBisAngezeigt)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(50);
BENCHMARK(BM_EnterTeile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);
BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
