#include "reports/engine/PdfRenderer.h"

#include "app/KassolError.h"
#include "app/Platform.h"
#include "app/SafeFileWriter.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportEngine.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <array>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace ReportEngine {

namespace {

// A text shaped in one of the items' fonts: its glyphs by the face they come from (more than one
// where a fallback face supplies characters the first one lacks), placed from the text's top left
// corner.
struct Geformt {
    struct Teil {
        int face = 0;  // the shaper's face number
        QList<quint32> glyphs;
        QList<QPointF> positions;
        // Decorated or right-to-left: drawn as shaped, never joined to others. Held only where
        // needed: an empty glyph run still costs an allocation.
        std::optional<QGlyphRun> special;
    };
    std::vector<Teil> teile;
    double width = 0;
    // All glyphs from the font's own face and plainly placed: another thread may draw them
    // with its own copy of that face.
    bool eigen = true;
};
using GeformtPtr = std::shared_ptr<const Geformt>;

// Shapes texts in the fonts the items name, for a device of the given resolution. Fonts belong to
// the thread that uses them, so each thread that shapes has its own.
class Former {
public:
    Former(const QPaintDevice* device, double dotsPerMm) : m_device(device), m_dotsPerMm(dotsPerMm) {}

    int schrift(const PreparedItem& item) {
        for (std::size_t i = 0; i < m_schriften.size(); ++i) {
            const Schrift& f = m_schriften[i];
            if (f.maxWidth == item.maxWidth && f.spec.pointSize == item.font.pointSize && f.spec.bold == item.font.bold &&
                f.spec.italic == item.font.italic && f.spec.family == item.font.family)
                return static_cast<int>(i);
        }
        Schrift f;
        f.spec = item.font;
        f.maxWidth = item.maxWidth;
        f.font = QFont(toQFont(item.font), m_device);
        f.eigen = face(QRawFont::fromFont(f.font));
        m_schriften.push_back(std::move(f));
        return static_cast<int>(m_schriften.size() - 1);
    }

    // The face number of the font's own face.
    int eigen(int schrift) const { return m_schriften[static_cast<std::size_t>(schrift)].eigen; }
    const QRawFont& face(int id) const { return m_faces[static_cast<std::size_t>(id)]; }

    // Amounts and numbers hardly repeat, and a long report would keep the shapes of all of them:
    // the texts of the last few pages are kept in two generations, so that what repeats (dates,
    // rates, booking texts) stays.
    GeformtPtr form(int schrift, const QString& text) {
        Schrift& f = m_schriften[static_cast<std::size_t>(schrift)];
        if (GeformtPtr zahl = setzeZahl(f, text))
            return zahl;
        auto found = f.runs.constFind(text);
        if (found != f.runs.cend())
            return *found;
        if (f.runs.size() >= Generation) {
            f.older = std::move(f.runs);
            f.runs.clear();
        }
        auto old = f.older.find(text);
        if (old != f.older.end()) {
            GeformtPtr kept = std::move(*old);
            f.older.erase(old);
            return *f.runs.insert(text, std::move(kept));
        }
        return *f.runs.insert(text, shape(f, text));
    }

private:
    // Numbers, amounts and dates are set from the shapes of their characters and the font's
    // kerning of each pair of them, measured once a font; the kerning found must set every three
    // of them as shaping does, or the font's texts are all shaped whole.
    static constexpr char16_t ZahlZeichen[] = u"0123456789.,-";
    static constexpr std::size_t ZahlZeichenAnzahl = sizeof(ZahlZeichen) / sizeof(char16_t) - 1;
    struct Zeichen {
        quint32 glyph = 0;
        QPointF position;
        double advance = 0;
        int index = -1;  // in ZahlZeichen
    };
    enum class Zahlen { Ungeprueft, Einzeln, Ganz };

    struct Schrift {
        FontSpec spec;
        double maxWidth = 0;
        QFont font;  // resolved for the device
        int eigen = 0;
        Zahlen zahlen = Zahlen::Ungeprueft;
        std::array<Zeichen, 128> zeichen{};
        std::array<double, ZahlZeichenAnzahl * ZahlZeichenAnzahl> kerning{};
        QHash<QString, GeformtPtr> runs;
        QHash<QString, GeformtPtr> older;
    };
    static constexpr qsizetype Generation = 4096;

    // A single run of the font's own face, plainly placed.
    static bool einfach(const Geformt& run, qsizetype glyphs, int eigen) {
        return run.eigen && run.teile.size() == 1 && run.teile[0].face == eigen && run.teile[0].glyphs.size() == glyphs;
    }

    static bool gleich(const Geformt& a, const Geformt& b) {
        return a.width == b.width && a.teile[0].glyphs == b.teile[0].glyphs && a.teile[0].positions == b.teile[0].positions;
    }

    void pruefeZahlen(Schrift& f) {
        f.zahlen = Zahlen::Ganz;
        if (f.maxWidth > 0)
            return;
        const auto text = [](std::initializer_list<std::size_t> indexes) {
            QString t;
            for (const std::size_t i : indexes)
                t += QChar(ZahlZeichen[i]);
            return t;
        };
        constexpr std::size_t n = ZahlZeichenAnzahl;
        for (std::size_t i = 0; i < n; ++i) {
            const GeformtPtr one = shape(f, text({i}));
            if (!einfach(*one, 1, f.eigen))
                return;
            f.zeichen[ZahlZeichen[i]] = {one->teile[0].glyphs[0], one->teile[0].positions[0], one->width, static_cast<int>(i)};
        }
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                const GeformtPtr two = shape(f, text({i, j}));
                if (!einfach(*two, 2, f.eigen))
                    return;
                f.kerning[i * n + j] = two->width - f.zeichen[ZahlZeichen[i]].advance - f.zeichen[ZahlZeichen[j]].advance;
                if (!gleich(*two, *setze(f, text({i, j}))))
                    return;
            }
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                for (std::size_t k = 0; k < n; ++k)
                    if (f.kerning[i * n + j] != 0 || f.kerning[j * n + k] != 0) {
                        const GeformtPtr three = shape(f, text({i, j, k}));
                        if (!einfach(*three, 3, f.eigen) || !gleich(*three, *setze(f, text({i, j, k}))))
                            return;
                    }
        f.zahlen = Zahlen::Einzeln;
    }

    static GeformtPtr setze(const Schrift& f, const QString& text) {
        auto run = std::make_shared<Geformt>();
        Geformt::Teil teil;
        teil.face = f.eigen;
        teil.glyphs.reserve(text.size());
        teil.positions.reserve(text.size());
        double x = 0;
        int vorher = -1;
        for (const QChar c : text) {
            const Zeichen& z = f.zeichen[c.unicode()];
            if (vorher >= 0)
                x += f.kerning[static_cast<std::size_t>(vorher) * ZahlZeichenAnzahl + static_cast<std::size_t>(z.index)];
            teil.glyphs.append(z.glyph);
            teil.positions.append(QPointF(x + z.position.x(), z.position.y()));
            x += z.advance;
            vorher = z.index;
        }
        run->width = x;
        run->teile.push_back(std::move(teil));
        return run;
    }

    GeformtPtr setzeZahl(Schrift& f, const QString& text) {
        if (text.isEmpty() || text.size() > 24)
            return nullptr;
        if (f.zahlen == Zahlen::Ungeprueft)
            pruefeZahlen(f);
        if (f.zahlen != Zahlen::Einzeln)
            return nullptr;
        for (const QChar c : text)
            if (c.unicode() >= 128 || f.zeichen[c.unicode()].index < 0)
                return nullptr;
        return setze(f, text);
    }

    int face(const QRawFont& raw) {
        for (std::size_t i = 0; i < m_faces.size(); ++i)
            if (m_faces[i] == raw)
                return static_cast<int>(i);
        m_faces.push_back(raw);
        return static_cast<int>(m_faces.size() - 1);
    }

    GeformtPtr shape(const Schrift& f, const QString& original) {
        QString text = original;
        if (f.maxWidth > 0) {
            const QFontMetricsF metrics(f.font, m_device);
            if (metrics.horizontalAdvance(text) > f.maxWidth * m_dotsPerMm)
                text = metrics.elidedText(text, Qt::ElideRight, f.maxWidth * m_dotsPerMm);
        }
        QTextLayout layout(text, f.font, const_cast<QPaintDevice*>(m_device));
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        auto run = std::make_shared<Geformt>();
        run->width = line.isValid() ? line.naturalTextWidth() : 0;
        for (const QGlyphRun& glyphs : layout.glyphRuns()) {
            Geformt::Teil teil;
            teil.face = face(glyphs.rawFont());
            if (glyphs.flags() != QGlyphRun::GlyphRunFlags())
                teil.special = glyphs;
            else {
                teil.glyphs = glyphs.glyphIndexes();
                teil.positions = glyphs.positions();
            }
            run->eigen = run->eigen && teil.face == f.eigen && !teil.special;
            run->teile.push_back(std::move(teil));
        }
        return run;
    }

    const QPaintDevice* m_device;
    double m_dotsPerMm;
    std::vector<Schrift> m_schriften;
    std::vector<QRawFont> m_faces;
};

// Draws prepared items, shaping their texts itself or taking them shaped on another thread.
class Zeichner {
public:
    Zeichner(QPainter& painter, double dotsPerMm) : m_painter(painter), m_dotsPerMm(dotsPerMm), m_former(painter.device(), dotsPerMm) {}

    // texte: for each item, its text shaped elsewhere, or none.
    void paint(const PreparedPage& page, const std::vector<GeformtPtr>* texte = nullptr) {
        QPainter& painter = m_painter;
        const double dotsPerMm = m_dotsPerMm;
        const auto r = [dotsPerMm](const QRectF& mm) {
            return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
        };
        for (std::size_t i = 0; i < page.items.size(); ++i) {
            const PreparedItem& item = page.items[i];
            if (item.kind != PreparedItem::Text)
                flush();
            switch (item.kind) {
            case PreparedItem::Fill:
                painter.fillRect(r(item.rect), item.color);
                break;
            case PreparedItem::Line: {
                painter.setPen(QPen(item.color, item.thickness * dotsPerMm));
                const QRectF d = r(item.rect);
                painter.drawLine(QPointF(d.left(), d.top()), QPointF(d.right(), d.top()));
                break;
            }
            case PreparedItem::Frame:
                painter.setPen(QPen(item.color, item.thickness * dotsPerMm));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(r(item.rect));
                break;
            case PreparedItem::Text: {
                const int schrift = m_former.schrift(item);
                GeformtPtr run = texte && i < texte->size() ? (*texte)[i] : nullptr;
                const bool fremd = run && run->eigen;
                if (!fremd)
                    run = m_former.form(schrift, item.text);
                // Placed by the top edge of the text line; right-aligned texts end at their anchor.
                const QRectF box = r(item.rect);
                const QPointF origin(item.rightAligned ? box.right() - run->width : box.left(), box.top());
                for (const Geformt::Teil& teil : run->teile) {
                    if (teil.special) {
                        flush();
                        setTextPen(item.color);
                        painter.drawGlyphRun(origin, *teil.special);
                        continue;
                    }
                    const int face = fremd ? m_former.eigen(schrift) : teil.face;
                    if (face != m_face || item.color != m_color || weit(origin + teil.positions.value(0))) {
                        flush();
                        m_face = face;
                        m_color = item.color;
                    }
                    m_glyphs.append(teil.glyphs);
                    for (const QPointF& p : teil.positions)
                        m_positions.append(origin + p);
                }
                break;
            }
            }
        }
        flush();
    }

private:
    void setTextPen(const QColor& color) {
        if (m_painter.pen().color() != color || m_painter.pen().widthF() != 0)
            m_painter.setPen(QPen(color, 0));
    }

    // The PDF writer places each glyph from the one before it, with six digits of which those
    // after the point are cut at 1000 units: texts are joined only where that is exact.
    bool weit(const QPointF& next) const {
        if (m_positions.isEmpty())
            return false;
        const QPointF step = next - m_positions.constLast();
        return std::abs(step.x()) >= 1000 || std::abs(step.y()) >= 1000;
    }

    // Glyphs of neighbouring texts in the same face and colour are drawn together: each drawing
    // call costs the PDF writer as much as a dozen glyphs.
    void flush() {
        if (m_glyphs.isEmpty())
            return;
        setTextPen(m_color);
        {
            QGlyphRun joined;
            joined.setRawFont(m_former.face(m_face));
            joined.setGlyphIndexes(m_glyphs);
            joined.setPositions(m_positions);
            // The positions are those on the page already: each is the sum a single text's drawing
            // would form, so every glyph lands where it did.
            m_painter.drawGlyphRun(QPointF(0, 0), joined);
        }
        m_glyphs.clear();
        m_positions.clear();
    }

    QPainter& m_painter;
    double m_dotsPerMm;
    Former m_former;
    int m_face = -1;
    QColor m_color;
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
};

} // namespace

struct PagePainter::Cache : Zeichner {
    using Zeichner::Zeichner;
};

PagePainter::PagePainter(QPainter& painter, double dotsPerMm) : m_cache(std::make_unique<Cache>(painter, dotsPerMm)) {}

PagePainter::~PagePainter() = default;

void PagePainter::paint(const PreparedPage& page) { m_cache->paint(page); }

void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm) { PagePainter(painter, dotsPerMm).paint(page); }

namespace {

// Collects the PDF writer's many small writes (a few dozen a page) into large ones for the file.
class Puffer final : public QIODevice {
public:
    explicit Puffer(QIODevice& file) : m_file(file) {
        m_data.reserve(Groesse);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // Hands on what is collected; a failed write is kept by the file and raised when it is committed.
    void leeren() {
        if (!m_data.isEmpty())
            m_file.write(m_data);
        m_data.clear();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_data.size() + size > Groesse)
            leeren();
        if (size >= Groesse)
            return m_file.write(data, size);
        m_data.append(data, size);
        return size;
    }

private:
    static constexpr qsizetype Groesse = 256 * 1024;
    QIODevice& m_file;
    QByteArray m_data;
};

// A page on its way to the drawing thread, with its texts shaped already.
struct Auftrag {
    PreparedPage page;
    std::vector<GeformtPtr> texte;
};

// The PDF writer with its painter: made, used and ended on the thread that draws the pages.
class Ausgabe {
public:
    Ausgabe(QIODevice& device, const QString& path, const QString& title) : m_path(path), m_puffer(device), m_writer(&m_puffer) {
        m_writer.setPageSize(QPageSize(QPageSize::A4));
        m_writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        m_writer.setResolution(Aufloesung);
        m_writer.setCreator(QStringLiteral("Kassol"));
        m_writer.setTitle(title);
    }

    ~Ausgabe() {
        // Ended without ende(): the painter ends on the temporary file, which is then removed.
        if (m_painter && m_painter->isActive())
            m_painter->end();
    }

    static constexpr int Aufloesung = 600;

    void seite(const PreparedPage& page, const std::vector<GeformtPtr>* texte = nullptr) {
        if (!m_painter) {
            m_painter = std::make_unique<QPainter>(&m_writer);
            if (!m_painter->isActive())
                throw KassolError(QStringLiteral("Die PDF-Datei \u201E%1\u201C konnte nicht geschrieben werden: Die PDF-Ausgabe ließ "
                                                 "sich nicht beginnen. Versuchen Sie es bitte erneut.")
                                      .arg(QDir::toNativeSeparators(m_path)));
            m_zeichner = std::make_unique<Zeichner>(*m_painter, Aufloesung / 25.4);
        } else {
            m_writer.newPage();
        }
        m_zeichner->paint(page, texte);
    }

    void ende() {
        // A report has at least one page; an empty one still gives a valid file.
        if (!m_painter)
            seite(PreparedPage{});
        m_painter->end();
        m_zeichner.reset();
        m_painter.reset();
        m_puffer.leeren();
    }

private:
    QString m_path;
    Puffer m_puffer;
    QPdfWriter m_writer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<Zeichner> m_zeichner;
};

// Pages laid out ahead of the drawing: enough to keep both busy, few enough to stay small.
constexpr std::size_t MaxWartend = 8;

} // namespace

struct PdfSeiten::Zustand {
    QString path;
    QString title;
    std::unique_ptr<SafeFileWriter> file;
    // The texts are shaped where the pages are laid out, which leaves the drawing thread only the
    // PDF writer's work; the fonts are resolved for a device of the PDF's resolution.
    QImage aufloesung;
    std::unique_ptr<Former> former;
    // Without a drawing thread (none could be started) the pages are drawn as they arrive.
    std::unique_ptr<Ausgabe> direkt;
    std::thread faden;
    std::mutex mutex;
    std::condition_variable neueSeite;
    std::condition_variable platz;
    std::deque<Auftrag> wartend;
    bool schluss = false;  // no more pages will come
    bool abbruch = false;  // left without abschliessen(): drop what waits
    bool fertig = false;   // the drawing thread has ended
    std::exception_ptr fehler;

    void zeichne() {
        try {
            std::unique_ptr<Ausgabe> ausgabe;
            for (;;) {
                Auftrag auftrag;
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    neueSeite.wait(lock, [this] { return !wartend.empty() || schluss || abbruch; });
                    if (abbruch)
                        break;
                    if (!ausgabe)
                        ausgabe = std::make_unique<Ausgabe>(file->device(), path, title);
                    if (wartend.empty()) {
                        lock.unlock();
                        ausgabe->ende();
                        break;
                    }
                    auftrag = std::move(wartend.front());
                    wartend.pop_front();
                }
                platz.notify_one();
                ausgabe->seite(auftrag.page, &auftrag.texte);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            fehler = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            fertig = true;
        }
        platz.notify_all();
    }
};

PdfSeiten::PdfSeiten(const QString& path) : m_d(std::make_unique<Zustand>()) {
    m_d->path = path;
    m_d->file = std::make_unique<SafeFileWriter>(path, QStringLiteral("Die PDF-Datei"));
    // Qt's PDF writer takes and frees a megabyte or two for every page it compresses.
    Platform::keepFreedMemory();
    try {
        m_d->faden = std::thread([this] { m_d->zeichne(); });
    } catch (const std::system_error&) {
        // No thread to be had: the pages are drawn as they arrive.
    }
}

void PdfSeiten::titel(const QString& title) {
    const std::lock_guard<std::mutex> lock(m_d->mutex);
    m_d->title = title;
}

PdfSeiten::~PdfSeiten() {
    if (m_d->faden.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(m_d->mutex);
            m_d->abbruch = true;
        }
        m_d->neueSeite.notify_one();
        m_d->faden.join();
    }
}

void PdfSeiten::seite(PreparedPage&& page) {
    Zustand& d = *m_d;
    if (!d.faden.joinable()) {
        if (!d.direkt)
            d.direkt = std::make_unique<Ausgabe>(d.file->device(), d.path, d.title);
        d.direkt->seite(page);
        return;
    }
    Auftrag auftrag;
    if (!d.former) {
        const int punkteProMeter = static_cast<int>(std::lround(Ausgabe::Aufloesung / 0.0254));
        d.aufloesung = QImage(1, 1, QImage::Format_Mono);
        d.aufloesung.setDotsPerMeterX(punkteProMeter);
        d.aufloesung.setDotsPerMeterY(punkteProMeter);
        d.former = std::make_unique<Former>(&d.aufloesung, Ausgabe::Aufloesung / 25.4);
    }
    auftrag.texte.resize(page.items.size());
    for (std::size_t i = 0; i < page.items.size(); ++i)
        if (page.items[i].kind == PreparedItem::Text) {
            // What only this thread's faces can draw is shaped again by the drawing thread.
            const GeformtPtr text = d.former->form(d.former->schrift(page.items[i]), page.items[i].text);
            if (text->eigen)
                auftrag.texte[i] = text;
        }
    auftrag.page = std::move(page);
    std::unique_lock<std::mutex> lock(d.mutex);
    d.platz.wait(lock, [&d] { return d.wartend.size() < MaxWartend || d.fertig; });
    if (d.fehler)
        std::rethrow_exception(d.fehler);
    d.wartend.push_back(std::move(auftrag));
    lock.unlock();
    d.neueSeite.notify_one();
}

void PdfSeiten::seite(const PreparedPage& page) { seite(PreparedPage(page)); }

void PdfSeiten::abschliessen() {
    Zustand& d = *m_d;
    if (d.faden.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(d.mutex);
            d.schluss = true;
        }
        d.neueSeite.notify_one();
        d.faden.join();
        if (d.fehler)
            std::rethrow_exception(d.fehler);
    } else {
        if (!d.direkt)
            d.direkt = std::make_unique<Ausgabe>(d.file->device(), d.path, d.title);
        d.direkt->ende();
        d.direkt.reset();
    }
    d.file->commit();
}

void writePdf(const PreparedReport& report, const QString& path) {
    PdfSeiten pdf(path);
    pdf.titel(report.title);
    for (const PreparedPage& page : report.pages)
        pdf.seite(page);
    pdf.abschliessen();
}

} // namespace ReportEngine
