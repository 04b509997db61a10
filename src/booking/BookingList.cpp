#include "booking/BookingList.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "store/DM_KS.h"

#include <QSqlQuery>

namespace {

// One page after the last row read (keyset paging): the order is the list's own, so each page
// continues exactly where the previous one ended, however many rows the year has.
const QString Seite_Sql = QStringLiteral(
    "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Steuersatz, T_Buchungen.Betrag, "
    "T_Buchungen.Text, T_BKreis.BKKurz, T_Buchungen.ID AS Buchungsid\n"
    "FROM T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id = T_Buchungen.BK)\n"
    "WHERE T_Buchungen.IstEinnahme = :einnahme AND T_Buchungen.Wirtschaftsjahr = :zeitraum "
    "AND T_Buchungen.mandant = :mandant\n"
    "AND (:anfang = 1 OR T_Buchungen.Buchungsdatum < :datum OR (T_Buchungen.Buchungsdatum = :gleichesdatum AND T_Buchungen.ID > :id))\n"
    "ORDER BY T_Buchungen.Buchungsdatum DESC, T_Buchungen.ID\n"
    "LIMIT :anzahl");

const QString Buchungstexte_Sql = QStringLiteral(
    "SELECT DISTINCT T_Buchungen.Text FROM T_Buchungen WHERE mandant = :mandant AND Wirtschaftsjahr = :zeitraum");

} // namespace

QStringList buchungstexte(TDM_EinAus& dm, int mandant, int zeitraum) {
    QStringList texte;
    QSqlQuery q = dm.db().query(Buchungstexte_Sql, {{QStringLiteral(":mandant"), mandant}, {QStringLiteral(":zeitraum"), zeitraum}},
                                QStringLiteral("Die Buchungstexte können nicht gelesen werden"));
    while (q.next())
        texte << q.value(0).toString();
    return texte;
}

Buchungsliste::Buchungsliste(TDM_EinAus& dm, int istEinnahme, QObject* parent)
    : QAbstractTableModel(parent), m_dm(dm), m_istEinnahme(istEinnahme) {}

void Buchungsliste::QueryStarten(int zeitraum, int mandant) {
    m_zeitraum = zeitraum;
    m_mandant = mandant;
    neuLaden();
}

void Buchungsliste::neuLaden() {
    beginResetModel();
    m_zeilen.clear();
    m_alleGelesen = false;
    try {
        m_zeilen = leseSeite();
    } catch (...) {
        m_alleGelesen = true;
        endResetModel();
        throw;
    }
    m_alleGelesen = m_zeilen.size() < static_cast<size_t>(Seitengroesse);
    endResetModel();
}

std::vector<Buchungsliste::Zeile> Buchungsliste::leseSeite() const {
    std::vector<Zeile> seite;
    const bool anfang = m_zeilen.empty();
    QSqlQuery q = m_dm.db().query(Seite_Sql,
                                  {{QStringLiteral(":einnahme"), m_istEinnahme},
                                   {QStringLiteral(":zeitraum"), m_zeitraum},
                                   {QStringLiteral(":mandant"), m_mandant},
                                   {QStringLiteral(":anfang"), anfang ? 1 : 0},
                                   {QStringLiteral(":datum"), anfang ? QString() : m_zeilen.back().datum.toString(Qt::ISODate)},
                                   {QStringLiteral(":gleichesdatum"), anfang ? QString() : m_zeilen.back().datum.toString(Qt::ISODate)},
                                   {QStringLiteral(":id"), anfang ? 0 : m_zeilen.back().id},
                                   {QStringLiteral(":anzahl"), Seitengroesse}},
                                  QStringLiteral("Die Buchungsliste kann nicht gelesen werden"));
    seite.reserve(Seitengroesse);
    while (q.next()) {
        Zeile z;
        z.datum = QDate::fromString(q.value(0).toString(), Qt::ISODate);
        z.datumText = Formats::date(z.datum);
        z.belegnummer = q.value(1).isNull() ? QString() : QString::number(q.value(1).toLongLong());
        z.steuersatz = q.value(2).isNull() ? QString() : QString::number(q.value(2).toLongLong());
        z.betrag = q.value(3).isNull() ? QString() : Formats::amount(Currency::fromUnits(q.value(3).toLongLong()));
        z.text = q.value(4).toString();
        z.bk = q.value(5).toString();
        z.id = q.value(6).toInt();
        seite.push_back(std::move(z));
    }
    return seite;
}

int Buchungsliste::buchungsId(int row) const {
    if (row < 0 || row >= static_cast<int>(m_zeilen.size()))
        return -1;
    return m_zeilen[static_cast<size_t>(row)].id;
}

int Buchungsliste::zeileVon(int id) {
    for (;;) {
        for (size_t i = 0; i < m_zeilen.size(); ++i)
            if (m_zeilen[i].id == id)
                return static_cast<int>(i);
        if (m_alleGelesen)
            return -1;
        fetchMore({});
    }
}

int Buchungsliste::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_zeilen.size());
}

int Buchungsliste::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : SpaltenAnzahl;
}

QVariant Buchungsliste::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_zeilen.size()))
        return {};
    const Zeile& z = m_zeilen[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Buchungsdatum: return z.datumText;
        case Belegnummer: return z.belegnummer;
        case Steuersatz: return z.steuersatz;
        case Betrag: return z.betrag;
        case Buchungstext: return z.text;
        case BK: return z.bk;
        default: return {};
        }
    }
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case Buchungsdatum:
        case Betrag: return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case BK: return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        default: return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    if (role == Qt::UserRole)
        return z.id;
    return {};
}

QVariant Buchungsliste::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Buchungsdatum: return QStringLiteral("Buchungsdatum");
    case Belegnummer: return QStringLiteral("Belegnummer");
    case Steuersatz: return QStringLiteral("Steuersatz");
    case Betrag: return QStringLiteral("Betrag");
    case Buchungstext: return QStringLiteral("Buchungstext");
    case BK: return QStringLiteral("BK");
    default: return {};
    }
}

bool Buchungsliste::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_alleGelesen;
}

void Buchungsliste::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || m_alleGelesen)
        return;
    std::vector<Zeile> seite = leseSeite();
    m_alleGelesen = seite.size() < static_cast<size_t>(Seitengroesse);
    if (seite.empty())
        return;
    const int erste = static_cast<int>(m_zeilen.size());
    beginInsertRows({}, erste, erste + static_cast<int>(seite.size()) - 1);
    for (Zeile& z : seite)
        m_zeilen.push_back(std::move(z));
    endInsertRows();
}
