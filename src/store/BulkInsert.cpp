#include "store/BulkInsert.h"

#include "store/Database.h"

#include <QThread>

#include <algorithm>
#include <cstring>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const char* const ModulName = "kassol_bulk";

// A statement run through the engine directly: the bulk path binds nothing per row.
class Anweisung {
public:
    Anweisung(sqlite3* db, const QString& sql, const QString& context) : m_db(db), m_sql(sql), m_context(context) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
            throw fehler();
    }
    ~Anweisung() { sqlite3_finalize(m_stmt); }
    Anweisung(const Anweisung&) = delete;
    Anweisung& operator=(const Anweisung&) = delete;

    sqlite3_stmt* get() { return m_stmt; }
    void text(int i, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    // True while a row is there; raises DbError when the step fails.
    bool schritt() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw fehler();
        return false;
    }
    QString spalte(int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i))); }
    DbError fehler() const {
        return DbError(QString::fromUtf8(sqlite3_errmsg(m_db)), m_sql, m_context, sqlite3_extended_errcode(m_db));
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_sql;
    QString m_context;
};

QString name(const QString& bezeichner) { return QStringLiteral("[%1]").arg(bezeichner); }

// ---- the rows as an eponymous virtual table, read by one INSERT ... SELECT ----

struct Quelle {
    const BulkRows* rows = nullptr;
    int spalten = 0;
};

struct Tabelle : sqlite3_vtab {
    Quelle* quelle = nullptr;
};

struct Cursor : sqlite3_vtab_cursor {
    qsizetype zeile = 0;
    // The values of one row, fetched at its first column: the engine asks for every column of
    // every row, and one call per row is cheaper than one per value.
    qsizetype geholt = -1;
    std::vector<BulkValue> werte;
};

int verbinden(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    auto* quelle = static_cast<Quelle*>(aux);
    std::string sql = "CREATE TABLE x(";
    for (int i = 0; i < quelle->spalten; ++i)
        sql += (i ? ",c" : "c") + std::to_string(i);
    sql += ")";
    const int rc = sqlite3_declare_vtab(db, sql.c_str());
    if (rc != SQLITE_OK)
        return rc;
    auto* t = new Tabelle{};
    t->quelle = quelle;
    *out = t;
    return SQLITE_OK;
}

int trennen(sqlite3_vtab* t) {
    delete static_cast<Tabelle*>(t);
    return SQLITE_OK;
}

int planen(sqlite3_vtab* t, sqlite3_index_info* info) {
    const double n = static_cast<double>(static_cast<Tabelle*>(t)->quelle->rows->anzahl());
    info->estimatedCost = n;
    info->estimatedRows = static_cast<sqlite3_int64>(n);
    return SQLITE_OK;
}

int oeffnen(sqlite3_vtab* t, sqlite3_vtab_cursor** out) {
    auto* cursor = new Cursor{};
    cursor->werte.resize(static_cast<size_t>(static_cast<Tabelle*>(t)->quelle->spalten));
    *out = cursor;
    return SQLITE_OK;
}

int schliessen(sqlite3_vtab_cursor* c) {
    delete static_cast<Cursor*>(c);
    return SQLITE_OK;
}

int filtern(sqlite3_vtab_cursor* c, int, const char*, int, sqlite3_value**) {
    static_cast<Cursor*>(c)->zeile = 0;
    static_cast<Cursor*>(c)->geholt = -1;
    return SQLITE_OK;
}

int weiter(sqlite3_vtab_cursor* c) {
    ++static_cast<Cursor*>(c)->zeile;
    return SQLITE_OK;
}

int amEnde(sqlite3_vtab_cursor* c) {
    const auto* cursor = static_cast<Cursor*>(c);
    return cursor->zeile >= static_cast<Tabelle*>(c->pVtab)->quelle->rows->anzahl();
}

int spalte(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
    auto* cursor = static_cast<Cursor*>(c);
    if (cursor->geholt != cursor->zeile) {
        const Quelle* quelle = static_cast<Tabelle*>(c->pVtab)->quelle;
        quelle->rows->zeile(cursor->zeile, cursor->werte.data(), quelle->spalten);
        cursor->geholt = cursor->zeile;
    }
    const BulkValue& v = cursor->werte[static_cast<size_t>(i)];
    if (v.istText)
        sqlite3_result_text(ctx, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
    else
        sqlite3_result_int64(ctx, v.zahl);
    return SQLITE_OK;
}

int zeilenId(sqlite3_vtab_cursor* c, sqlite3_int64* id) {
    *id = static_cast<Cursor*>(c)->zeile;
    return SQLITE_OK;
}

const sqlite3_module& modul() {
    static const sqlite3_module m = [] {
        sqlite3_module x{};
        x.iVersion = 1;
        x.xCreate = nullptr;  // eponymous only: no CREATE VIRTUAL TABLE, nothing in the schema
        x.xConnect = verbinden;
        x.xBestIndex = planen;
        x.xDisconnect = trennen;
        x.xDestroy = trennen;
        x.xOpen = oeffnen;
        x.xClose = schliessen;
        x.xFilter = filtern;
        x.xNext = weiter;
        x.xEof = amEnde;
        x.xColumn = spalte;
        x.xRowid = zeilenId;
        return x;
    }();
    return m;
}

// Registers the rows for the time of one statement.
class Registrierung {
public:
    Registrierung(sqlite3* db, Quelle* quelle) : m_db(db) {
        sqlite3_create_module_v2(db, ModulName, &modul(), quelle, nullptr);
    }
    ~Registrierung() { sqlite3_create_module_v2(m_db, ModulName, nullptr, nullptr, nullptr); }
    Registrierung(const Registrierung&) = delete;
    Registrierung& operator=(const Registrierung&) = delete;

private:
    sqlite3* m_db;
};

// ---- which indexes the rows continue at their end ----

// A key value as the index orders it: NULL before numbers before text (BINARY); anything else
// leaves the order unknown.
struct Schluesselwert {
    enum Art { Null, Zahl, Text, Unbekannt } art = Null;
    std::int64_t zahl = 0;
    std::string text;
};

int vergleiche(const BulkValue& a, const BulkValue& b) {
    if (a.istText != b.istText)
        return a.istText ? 1 : -1;
    if (!a.istText)
        return a.zahl < b.zahl ? -1 : (a.zahl > b.zahl ? 1 : 0);
    const int c = a.text.compare(b.text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int vergleiche(const Schluesselwert& a, const BulkValue& b) {
    if (a.art == Schluesselwert::Null)
        return -1;
    if (a.art == Schluesselwert::Zahl)
        return vergleiche(BulkValue::ganzzahl(a.zahl), b);
    return vergleiche(BulkValue::utf8(a.text), b);
}

struct IndexSpalte {
    QString name;
    int quelle = -1;  // position in the column list; -1: not written by the rows
    bool absteigend = false;
    bool binaer = true;
};

struct SekundaerIndex {
    QString name;
    QString sql;
    std::vector<IndexSpalte> spalten;
    bool teilweise = false;
};

std::vector<SekundaerIndex> sekundaerIndexe(sqlite3* db, const QString& table, const QStringList& columns, const QString& context) {
    std::vector<SekundaerIndex> result;
    {
        Anweisung q(db, QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL "
                                       "AND tbl_name = ?1 COLLATE NOCASE"),
                    context);
        q.text(1, table);
        while (q.schritt())
            result.push_back({q.spalte(0), q.spalte(1), {}, false});
    }
    for (SekundaerIndex& index : result) {
        {
            Anweisung q(db, QStringLiteral("SELECT partial FROM pragma_index_list(?1) WHERE name = ?2"), context);
            q.text(1, table);
            q.text(2, index.name);
            index.teilweise = q.schritt() && sqlite3_column_int(q.get(), 0) != 0;
        }
        Anweisung q(db, QStringLiteral("SELECT cid, name, desc, coll FROM pragma_index_xinfo(?1) WHERE key ORDER BY seqno"), context);
        q.text(1, index.name);
        while (q.schritt()) {
            IndexSpalte s;
            s.name = q.spalte(1);
            s.absteigend = sqlite3_column_int(q.get(), 2) != 0;
            s.binaer = q.spalte(3).compare(QStringLiteral("BINARY"), Qt::CaseInsensitive) == 0;
            if (sqlite3_column_int(q.get(), 0) >= 0)
                for (int i = 0; i < columns.size(); ++i)
                    if (columns[i].compare(s.name, Qt::CaseInsensitive) == 0)
                        s.quelle = i;
            index.spalten.push_back(s);
        }
    }
    return result;
}

// The index's greatest entry, or an empty key when the index has none.
std::vector<Schluesselwert> letzterSchluessel(sqlite3* db, const QString& table, const SekundaerIndex& index, const QString& context) {
    QStringList spalten, ordnung;
    for (const IndexSpalte& s : index.spalten) {
        spalten << name(s.name);
        ordnung << name(s.name) + (s.absteigend ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    Anweisung q(db,
                QStringLiteral("SELECT %1 FROM %2 INDEXED BY %3 ORDER BY %4 LIMIT 1")
                    .arg(spalten.join(QStringLiteral(", ")), name(table), name(index.name), ordnung.join(QStringLiteral(", "))),
                context);
    std::vector<Schluesselwert> key;
    if (!q.schritt())
        return key;
    for (int i = 0; i < static_cast<int>(index.spalten.size()); ++i) {
        Schluesselwert w;
        switch (sqlite3_column_type(q.get(), i)) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER:
            w.art = Schluesselwert::Zahl;
            w.zahl = sqlite3_column_int64(q.get(), i);
            break;
        case SQLITE_TEXT:
            w.art = Schluesselwert::Text;
            w.text.assign(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), i)), static_cast<size_t>(sqlite3_column_bytes(q.get(), i)));
            break;
        default:
            w.art = Schluesselwert::Unbekannt;
        }
        key.push_back(std::move(w));
    }
    return key;
}

// Whether nearly every row's key follows all keys before it, those of the index's present
// entries included: such a row lands at the index's end, where the engine appends it without a
// search. The new rows' row ids exceed all present ones, so equal keys keep that order too. A
// row landing elsewhere costs a search from the root for it and for the next one; up to one in
// ten of them (a rarely set flag) still comes cheaper than sorting all rows anew.
class Wachstum {
public:
    // Only an index over the rows' own columns, ordered as the bytes are, and over all of its
    // rows can be judged.
    static bool beurteilbar(const SekundaerIndex& index) {
        bool ja = !index.teilweise;
        for (const IndexSpalte& s : index.spalten)
            ja = ja && s.quelle >= 0 && s.binaer;
        return ja;
    }

    Wachstum(const SekundaerIndex& index, std::vector<Schluesselwert> letzter, qsizetype zeilen)
        : m_index(index), m_letzter(std::move(letzter)), m_erlaubt(zeilen / 10) {
        m_entschieden = !beurteilbar(index);
        for (const Schluesselwert& w : m_letzter)
            m_entschieden = m_entschieden || w.art == Schluesselwert::Unbekannt;
        m_amEnde = !m_entschieden;
        m_groesste.resize(index.spalten.size());
    }
    bool entschieden() const { return m_entschieden; }
    bool amEnde() const { return m_amEnde; }

    // Takes the next row's values, one for each column of the rows.
    void naechste(const BulkValue* werte) {
        if (hinterDemGroessten(werte)) {
            m_hatGroesste = true;
            for (size_t i = 0; i < m_index.spalten.size(); ++i)
                m_groesste[i] = werte[m_index.spalten[i].quelle];
        } else if (++m_anderswo > m_erlaubt) {
            m_amEnde = false;
            m_entschieden = true;
        }
    }

private:
    bool hinterDemGroessten(const BulkValue* werte) const {
        for (size_t i = 0; i < m_index.spalten.size(); ++i) {
            const IndexSpalte& s = m_index.spalten[i];
            const BulkValue& wert = werte[s.quelle];
            int c = 0;
            if (m_hatGroesste)
                c = vergleiche(m_groesste[i], wert);
            else if (i < m_letzter.size())
                c = vergleiche(m_letzter[i], wert);
            if (s.absteigend)
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return true;
    }

    const SekundaerIndex& m_index;
    std::vector<Schluesselwert> m_letzter;  // the index's greatest entry until a row passes it
    std::vector<BulkValue> m_groesste;      // the greatest row's key so far
    bool m_hatGroesste = false;
    qsizetype m_erlaubt;
    qsizetype m_anderswo = 0;
    bool m_entschieden = false;
    bool m_amEnde = false;
};

// For each index, whether the rows grow it at its end; one pass over the rows serves all.
std::vector<bool> wachsenAmEnde(sqlite3* db, const QString& table, const std::vector<SekundaerIndex>& indexe, const BulkRows& rows,
                                int spalten, bool tabelleLeer, const QString& context) {
    std::vector<Wachstum> wachstum;
    wachstum.reserve(indexe.size());
    for (const SekundaerIndex& index : indexe)
        wachstum.emplace_back(index,
                              tabelleLeer || !Wachstum::beurteilbar(index) ? std::vector<Schluesselwert>()
                                                                            : letzterSchluessel(db, table, index, context),
                              rows.anzahl());
    std::vector<BulkValue> werte(static_cast<size_t>(spalten));
    for (qsizetype i = 0; i < rows.anzahl(); ++i) {
        bool offen = false;
        for (const Wachstum& w : wachstum)
            offen = offen || !w.entschieden();
        if (!offen)
            break;
        rows.zeile(i, werte.data(), spalten);
        for (Wachstum& w : wachstum)
            if (!w.entschieden())
                w.naechste(werte.data());
    }
    std::vector<bool> result;
    for (const Wachstum& w : wachstum)
        result.push_back(w.amEnde());
    return result;
}

// The first row the engine refuses when the rows are written one by one, or -1; what they wrote
// is taken back.
qsizetype abgelehnteZeile(sqlite3* db, const QString& table, const QStringList& columns, const BulkRows& rows, const QString& context) {
    Anweisung(db, QStringLiteral("SAVEPOINT kassol_bulk_suche"), context).schritt();
    qsizetype abgelehnt = -1;
    {
        QStringList ziel, platz;
        for (const QString& c : columns) {
            ziel << name(c);
            platz << QStringLiteral("?");
        }
        Anweisung insert(db, QStringLiteral("INSERT INTO main.%1 (%2) VALUES (%3)").arg(name(table), ziel.join(QStringLiteral(", ")), platz.join(QStringLiteral(", "))),
                         context);
        std::vector<BulkValue> werte(static_cast<size_t>(columns.size()));
        for (qsizetype i = 0; i < rows.anzahl() && abgelehnt < 0; ++i) {
            rows.zeile(i, werte.data(), static_cast<int>(columns.size()));
            for (int s = 0; s < static_cast<int>(columns.size()); ++s) {
                const BulkValue& v = werte[static_cast<size_t>(s)];
                if (v.istText)
                    sqlite3_bind_text(insert.get(), s + 1, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
                else
                    sqlite3_bind_int64(insert.get(), s + 1, v.zahl);
            }
            if (sqlite3_step(insert.get()) != SQLITE_DONE)
                abgelehnt = i;
            sqlite3_reset(insert.get());
        }
    }
    if (!sqlite3_get_autocommit(db)) {
        Anweisung(db, QStringLiteral("ROLLBACK TO kassol_bulk_suche"), context).schritt();
        Anweisung(db, QStringLiteral("RELEASE kassol_bulk_suche"), context).schritt();
    }
    return abgelehnt;
}

// While it lives, the engine builds an index by sorting its keys in pieces of a few MiB, one
// piece on another core while the table is read on, and merging them: on a large table that is
// about twice as fast as sorting all keys in one piece, which it does while they fit into the
// page cache's size. The cache keeps its changed pages meanwhile; those beyond its size are
// written to the file early, as on any large change.
class SortierenNebenher {
public:
    SortierenNebenher(sqlite3* db, const QString& context) : m_db(db), m_context(context) {
        m_threads = wert(QStringLiteral("PRAGMA threads"));
        m_cache = wert(QStringLiteral("PRAGMA cache_size"));
        const int kerne = std::max(1, QThread::idealThreadCount());
        Anweisung(m_db, QStringLiteral("PRAGMA threads = %1").arg(std::min(kerne - 1, 4)), m_context).schritt();
        Anweisung(m_db, QStringLiteral("PRAGMA cache_size = -2048"), m_context).schritt();
    }
    ~SortierenNebenher() {
        // Setting a pragma of the connection does not fail; nothing is left to report here.
        sqlite3_exec(m_db, QStringLiteral("PRAGMA threads = %1").arg(m_threads).toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, QStringLiteral("PRAGMA cache_size = %1").arg(m_cache).toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    SortierenNebenher(const SortierenNebenher&) = delete;
    SortierenNebenher& operator=(const SortierenNebenher&) = delete;

private:
    qint64 wert(const QString& pragma) {
        Anweisung q(m_db, pragma, m_context);
        return q.schritt() ? sqlite3_column_int64(q.get(), 0) : 0;
    }
    sqlite3* m_db;
    QString m_context;
    qint64 m_threads = 0;
    qint64 m_cache = 0;
};

} // namespace

void bulkInsert(Database& db, const QString& table, const QStringList& columns, const BulkRows& rows, const QString& context) {
    if (rows.anzahl() == 0)
        return;
    sqlite3* handle = db.handle();
    std::vector<SekundaerIndex> neuAufbauen;
    {
        qint64 vorhanden = 0;
        {
            Anweisung q(handle, QStringLiteral("SELECT count(*) FROM %1").arg(name(table)), context);
            if (q.schritt())
                vorhanden = sqlite3_column_int64(q.get(), 0);
        }
        if (rows.anzahl() >= std::max<qint64>(vorhanden, 1000)) {
            std::vector<SekundaerIndex> indexe = sekundaerIndexe(handle, table, columns, context);
            const std::vector<bool> amEnde =
                wachsenAmEnde(handle, table, indexe, rows, static_cast<int>(columns.size()), vorhanden == 0, context);
            for (size_t i = 0; i < indexe.size(); ++i)
                if (!amEnde[i])
                    neuAufbauen.push_back(std::move(indexe[i]));
            for (const SekundaerIndex& index : neuAufbauen)
                Anweisung(handle, QStringLiteral("DROP INDEX %1").arg(name(index.name)), context).schritt();
        }
    }

    Quelle quelle;
    quelle.rows = &rows;
    quelle.spalten = static_cast<int>(columns.size());
    {
        const Registrierung registrierung(handle, &quelle);
        QStringList ziel, auswahl;
        for (int i = 0; i < columns.size(); ++i) {
            ziel << name(columns[i]);
            auswahl << QStringLiteral("c%1").arg(i);
        }
        try {
            Anweisung(handle,
                      QStringLiteral("INSERT INTO main.%1 (%2) SELECT %3 FROM %4")
                          .arg(name(table), ziel.join(QStringLiteral(", ")), auswahl.join(QStringLiteral(", ")), QString::fromLatin1(ModulName)),
                      context)
                .schritt();
        } catch (const DbError& e) {
            // A trigger on the table makes the engine read all rows before it writes the first,
            // so the refused row is looked for one by one. A failure that ended the whole
            // transaction leaves nothing to look in.
            const qsizetype zeile = sqlite3_get_autocommit(handle) ? -1 : abgelehnteZeile(handle, table, columns, rows, context);
            if (zeile >= 0)
                throw BulkRowError(e, zeile);
            throw;
        }
    }
    // Right after the rows, while the table's pages are still in the cache.
    if (!neuAufbauen.empty()) {
        const SortierenNebenher sortieren(handle, context);
        for (const SekundaerIndex& index : neuAufbauen)
            Anweisung(handle, index.sql, context).schritt();
    }
}
