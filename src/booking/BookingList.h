#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

class TDM_EinAus;

// The distinct texts of a client's bookings in a fiscal year, offered as suggestions when booking.
[[nodiscard]] QStringList buchungstexte(TDM_EinAus& dm, int mandant, int zeitraum);

// The income or the expense list of one client's fiscal year, newest booking date first and equal
// dates by ascending booking id, as the main window shows it. Rows are read in pages as the view
// scrolls, so that a year of fifty thousand bookings opens at once.
class Buchungsliste final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Spalte { Buchungsdatum, Belegnummer, Steuersatz, Betrag, Buchungstext, BK, SpaltenAnzahl };
    static constexpr int Seitengroesse = 200;

    Buchungsliste(TDM_EinAus& dm, int istEinnahme, QObject* parent = nullptr);

    // The client and fiscal year shown; reads the list afresh.
    void QueryStarten(int zeitraum, int mandant);
    // Reads the list afresh with the same client and year.
    void neuLaden();
    int zeitraum() const { return m_zeitraum; }
    int mandant() const { return m_mandant; }

    // The booking id of a row (the field "Buchungsid"), -1 outside the rows read.
    [[nodiscard]] int buchungsId(int row) const;
    // The row that shows the booking, reading further pages until it is found; -1 when it is not in the list.
    [[nodiscard]] int zeileVon(int buchungsId);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Zeile {
        QDate datum;
        QString datumText;
        QString belegnummer;
        QString steuersatz;
        QString betrag;
        QString text;
        QString bk;
        int id = 0;
    };
    std::vector<Zeile> leseSeite() const;

    TDM_EinAus& m_dm;
    int m_istEinnahme;
    int m_zeitraum = -1;
    int m_mandant = -1;
    std::vector<Zeile> m_zeilen;
    bool m_alleGelesen = true;
};
