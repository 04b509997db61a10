#include "migration/JetReader.h"

#include "app/KassolError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <mdbtools.h>

namespace {

// Texts longer than this (in UTF-8 bytes) do not fit mdbtools' conversion buffer; memo fields of
// a bookkeeping file stay far below it.
constexpr size_t TextPuffer = 4 * 1024 * 1024;

QString anzeige(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

template <typename T>
T roh(const unsigned char* p) {
    T wert;
    std::memcpy(&wert, p, sizeof(T));  // the file is little-endian, as is every platform we build for
    return wert;
}

JetTyp typVon(int colType) {
    switch (colType) {
    case MDB_BOOL:
        return JetTyp::JaNein;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return JetTyp::Ganzzahl;
    case MDB_MONEY:
        return JetTyp::Waehrung;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return JetTyp::Gleitkomma;
    case MDB_DATETIME:
        return JetTyp::Datum;
    case MDB_TEXT:
        return JetTyp::Text;
    case MDB_MEMO:
        return JetTyp::LangerText;
    default:
        return JetTyp::Unbekannt;
    }
}

struct TabellenGuard {
    MdbTableDef* table;
    ~TabellenGuard() { mdb_free_tabledef(table); }
};

} // namespace

JetReader::JetReader(const QString& path) : m_path(path) {
    const QByteArray name = QFile::encodeName(path);
    // MDB_NOFLAGS opens the file for reading only: nothing of it can be changed through this handle.
    MdbHandle* mdb = mdb_open(name.constData(), MDB_NOFLAGS);
    if (!mdb)
        throw KassolError(QStringLiteral("Die Access-Datenbank \u201E%1\u201C kann nicht gelesen werden. Sie ist "
                                         "beschädigt oder keine Datei im Format von Access 2000.")
                              .arg(anzeige(path)));
    if (std::strcmp(mdb_target_charset(mdb), "UTF-8") != 0) {
        mdb_close(mdb);
        throw KassolError(QStringLiteral("Die Access-Datenbank \u201E%1\u201C kann nicht gelesen werden: die "
                                         "Umgebungsvariable MDBICONV verlangt eine andere Zeichenkodierung als UTF-8. "
                                         "Bitte entfernen Sie sie.")
                              .arg(anzeige(path)));
    }
    mdb_set_bind_size(mdb, TextPuffer);
    m_handle = mdb;
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        m_handle = nullptr;
        throw KassolError(QStringLiteral("Das Inhaltsverzeichnis der Access-Datenbank \u201E%1\u201C kann nicht "
                                         "gelesen werden; die Datei ist beschädigt.")
                              .arg(anzeige(path)));
    }
}

JetReader::~JetReader() {
    if (m_handle)
        mdb_close(static_cast<MdbHandle*>(m_handle));
}

QStringList JetReader::tabellen() {
    auto* mdb = static_cast<MdbHandle*>(m_handle);
    QStringList namen;
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            namen << QString::fromUtf8(entry->object_name);
    }
    return namen;
}

JetTabelle JetReader::lies(const QString& tabelle) {
    auto* mdb = static_cast<MdbHandle*>(m_handle);
    const auto fehler = [&](const QString& warum) {
        return KassolError(QStringLiteral("Die Tabelle \u201E%1\u201C der Access-Datenbank \u201E%2\u201C kann nicht "
                                          "gelesen werden: %3")
                               .arg(tabelle, anzeige(m_path), warum));
    };
    QByteArray name = tabelle.toUtf8();
    MdbTableDef* table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (!table)
        throw fehler(QStringLiteral("Es gibt sie nicht."));
    const TabellenGuard guard{table};
    if (!mdb_read_columns(table))
        throw fehler(QStringLiteral("Ihre Spalten sind nicht lesbar."));
    mdb_rewind_table(table);

    JetTabelle ergebnis;
    ergebnis.name = QString::fromUtf8(table->name);
    const unsigned int spalten = table->num_cols;
    for (unsigned int i = 0; i < spalten; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        ergebnis.spalten << QString::fromUtf8(col->name);
        ergebnis.typen.push_back(typVon(col->col_type));
    }

    std::vector<MdbField> felder(MDB_MAX_COLS);
    while (mdb_fetch_row(table)) {
        // The row just fetched is still on the current page: it is taken apart again here to
        // reach its stored bytes and its null flags, which the text that mdbtools binds loses.
        int start = 0;
        size_t laenge = 0;
        if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &laenge) != 0)
            throw fehler(QStringLiteral("Eine Zeile ist beschädigt."));
        const int anzahl = mdb_crack_row(table, start & 0x1fff, laenge, felder.data());
        if (anzahl != static_cast<int>(spalten))
            throw fehler(QStringLiteral("Eine Zeile ist beschädigt."));
        std::vector<JetWert> zeile(spalten);
        for (int f = 0; f < anzahl; ++f) {
            const MdbField& feld = felder[f];
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, feld.colnum));
            JetWert& wert = zeile[feld.colnum];
            // A Boolean is kept in the null flags alone: a set flag means true.
            if (col->col_type == MDB_BOOL) {
                wert = !feld.is_null;
                continue;
            }
            if (feld.is_null)
                continue;
            const auto* p = static_cast<const unsigned char*>(feld.value);
            const auto braucht = [&](int bytes) {
                if (feld.siz < bytes)
                    throw fehler(QStringLiteral("Ein Wert der Spalte \u201E%1\u201C ist beschädigt.").arg(QString::fromUtf8(col->name)));
            };
            switch (col->col_type) {
            case MDB_BYTE:
                braucht(1);
                wert = static_cast<std::int64_t>(p[0]);
                break;
            case MDB_INT:
                braucht(2);
                wert = static_cast<std::int64_t>(roh<std::int16_t>(p));
                break;
            case MDB_LONGINT:
                braucht(4);
                wert = static_cast<std::int64_t>(roh<std::int32_t>(p));
                break;
            case MDB_MONEY:
                braucht(8);
                wert = JetWaehrung{roh<std::int64_t>(p)};
                break;
            case MDB_FLOAT:
                braucht(4);
                wert = static_cast<double>(roh<float>(p));
                break;
            case MDB_DOUBLE:
                braucht(8);
                wert = roh<double>(p);
                break;
            case MDB_DATETIME:
                braucht(8);
                wert = JetDatum{roh<double>(p)};
                break;
            case MDB_TEXT:
            case MDB_MEMO: {
                if (feld.siz == 0) {
                    wert = QString(QLatin1String(""));
                    break;
                }
                // Text conversion goes from the stored UCS-2 (compressed or not) to UTF-8 and does
                // not depend on the locale.
                char* text = mdb_col_to_string(mdb, mdb->pg_buf, feld.start, col->col_type, feld.siz);
                if (!text)
                    throw fehler(QStringLiteral("Ein Text der Spalte \u201E%1\u201C ist nicht lesbar.").arg(QString::fromUtf8(col->name)));
                const size_t bytes = std::strlen(text);
                const QString s = QString::fromUtf8(text, static_cast<qsizetype>(bytes));
                g_free(text);
                if (bytes + 8 >= TextPuffer)
                    throw fehler(QStringLiteral("Ein Text der Spalte \u201E%1\u201C ist zu lang.").arg(QString::fromUtf8(col->name)));
                wert = s;
                break;
            }
            default:
                // Types the bookkeeping tables do not use stay empty; the take-over refuses such a
                // column where it needs one.
                break;
            }
        }
        ergebnis.zeilen.push_back(std::move(zeile));
    }
    if (ergebnis.zeilen.size() != table->num_rows)
        throw fehler(QStringLiteral("Es wurden nur %1 von %2 Zeilen gefunden.").arg(ergebnis.zeilen.size()).arg(table->num_rows));
    return ergebnis;
}
