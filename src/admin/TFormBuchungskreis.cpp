#include "admin/TFormBuchungskreis.h"

#include "admin/BookingCircles.h"
#include "admin/DialogTeile.h"
#include "admin/TFormBuchungskreisNeu.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace DialogTeile;

TFormBuchungskreis::TFormBuchungskreis(Anwendung& app, QWidget* parent)
    : QDialog(parent), m_app(app), m_bearbeiten(std::make_unique<TFormBuchungskreisNeu>(this)) {
    setObjectName(QStringLiteral("TFormBuchungskreis"));
    setWindowTitle(QStringLiteral("Buchungskreise"));
    setModal(true);
    auto* layout = new QHBoxLayout(this);

    DBGrid1 = new QTableWidget(0, 2, this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Buchungskreise"));
    DBGrid1->setHorizontalHeaderLabels({QStringLiteral("Bezeichnung"), QStringLiteral("Kurz")});
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setTabKeyNavigation(false);
    DBGrid1->verticalHeader()->setVisible(false);
    DBGrid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    DBGrid1->setColumnWidth(1, 50);
    DBGrid1->setMinimumSize(320, 240);
    layout->addWidget(DBGrid1, 1);

    auto* knoepfe = new QVBoxLayout;
    auto* SchalterNeu = knopf(QStringLiteral("SchalterNeu"), QStringLiteral("Neu"), this);
    auto* SchalterLoeschen = knopf(QStringLiteral("SchalterLoeschen"), QStringLiteral("Löschen"), this);
    auto* SchalterAendern = knopf(QStringLiteral("SchalterAendern"), QStringLiteral("Ändern"), this);
    auto* SchalterFertig = knopf(QStringLiteral("SchalterFertig"), QStringLiteral("S&chließen"), this);
    knoepfe->addWidget(SchalterNeu);
    knoepfe->addWidget(SchalterAendern);
    knoepfe->addWidget(SchalterLoeschen);
    knoepfe->addStretch();
    knoepfe->addWidget(SchalterFertig);
    layout->addLayout(knoepfe);

    QWidget* reihenfolge[] = {DBGrid1, SchalterNeu, SchalterLoeschen, SchalterFertig, SchalterAendern};
    for (size_t i = 0; i + 1 < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);

    connect(SchalterNeu, &QPushButton::clicked, this, &TFormBuchungskreis::SchalterNeuClick);
    connect(SchalterAendern, &QPushButton::clicked, this, &TFormBuchungskreis::SchalterAendernClick);
    connect(SchalterLoeschen, &QPushButton::clicked, this, &TFormBuchungskreis::SchalterLoeschenClick);
    connect(SchalterFertig, &QPushButton::clicked, this, &QDialog::accept);
}

TFormBuchungskreis::~TFormBuchungskreis() = default;

void TFormBuchungskreis::FormActivate() {
    m_neuerKreis.reset();
    fuelleListe(std::nullopt);
    DBGrid1->setFocus();
}

void TFormBuchungskreis::fuelleListe(std::optional<int> markieren) {
    const std::vector<BuchungskreisEintrag> kreise = Buchungskreise::liste(m_app.dm);
    DBGrid1->setRowCount(0);
    DBGrid1->setRowCount(static_cast<int>(kreise.size()));
    int zeile = 0;
    int markiert = kreise.empty() ? -1 : 0;
    for (const BuchungskreisEintrag& k : kreise) {
        auto* name = new QTableWidgetItem(k.name);
        name->setData(Qt::UserRole, k.id);
        DBGrid1->setItem(zeile, 0, name);
        DBGrid1->setItem(zeile, 1, new QTableWidgetItem(k.kurz));
        if (markieren && *markieren == k.id)
            markiert = zeile;
        ++zeile;
    }
    if (markiert >= 0)
        DBGrid1->selectRow(markiert);
}

std::optional<int> TFormBuchungskreis::markierterKreis() const {
    const int zeile = DBGrid1->currentRow();
    if (zeile < 0 || !DBGrid1->item(zeile, 0))
        return std::nullopt;
    return DBGrid1->item(zeile, 0)->data(Qt::UserRole).toInt();
}

void TFormBuchungskreis::SchalterNeuClick() {
    m_bearbeiten->FormActivate(true, QString(), QString());
    // A refused entry brings the dialog back with what was typed, until it is stored or given up.
    while (m_app.ui.execDialog(*m_bearbeiten) == QDialog::Accepted) {
        std::optional<int> id;
        if (mitFehleranzeige(m_app.ui, [&] {
                id = Buchungskreise::anlegen(m_app.dm, m_bearbeiten->name(), m_bearbeiten->kurz());
            })) {
            m_neuerKreis = id;
            mitFehleranzeige(m_app.ui, [&] { fuelleListe(id); });
            return;
        }
    }
}

void TFormBuchungskreis::SchalterAendernClick() {
    const std::optional<int> id = markierterKreis();
    if (!id)
        return;
    const int zeile = DBGrid1->currentRow();
    m_bearbeiten->FormActivate(false, DBGrid1->item(zeile, 0)->text(),
                               DBGrid1->item(zeile, 1) ? DBGrid1->item(zeile, 1)->text() : QString());
    while (m_app.ui.execDialog(*m_bearbeiten) == QDialog::Accepted) {
        if (mitFehleranzeige(m_app.ui, [&] {
                Buchungskreise::aendern(m_app.dm, *id, m_bearbeiten->name(), m_bearbeiten->kurz());
            })) {
            mitFehleranzeige(m_app.ui, [&] { fuelleListe(id); });
            return;
        }
    }
}

void TFormBuchungskreis::SchalterLoeschenClick() {
    const std::optional<int> id = markierterKreis();
    if (!id)
        return;
    if (mitFehleranzeige(m_app.ui, [&] { Buchungskreise::loeschen(m_app.dm, *id); }))
        mitFehleranzeige(m_app.ui, [&] { fuelleListe(std::nullopt); });
}
