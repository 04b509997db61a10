#include "admin/TFormZeitraum.h"

#include "admin/DialogTeile.h"
#include "admin/FiscalYears.h"
#include "app/Clock.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QGridLayout>
#include <QVBoxLayout>

using Answer = UserInteraction::Answer;
using namespace DialogTeile;

TFormZeitraum::TFormZeitraum(Anwendung& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TFormZeitraum"));
    setWindowTitle(QStringLiteral("Wirtschaftsjahre"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* kopf = new QGridLayout;
    kopf->addWidget(label(QStringLiteral("Aktueller Mandant:"), this), 0, 0);
    Label_Mandant = label(QString(), this, true, QStringLiteral("navy"));
    Label_Mandant->setObjectName(QStringLiteral("Label_Mandant"));
    kopf->addWidget(Label_Mandant, 0, 1);
    kopf->addWidget(label(QStringLiteral("Aktuelles Wirtschaftsjahr:"), this), 1, 0);
    LabelAktuellesJahr = label(QString(), this, true, QStringLiteral("navy"));
    LabelAktuellesJahr->setObjectName(QStringLiteral("LabelAktuellesJahr"));
    kopf->addWidget(LabelAktuellesJahr, 1, 1);
    kopf->setColumnStretch(1, 1);
    layout->addLayout(kopf);

    auto* mitte = new QGridLayout;
    DBLookupListBox1 = new QListWidget(this);
    DBLookupListBox1->setObjectName(QStringLiteral("DBLookupListBox1"));
    DBLookupListBox1->setAccessibleName(QStringLiteral("Wirtschaftsjahre"));
    DBLookupListBox1->setAccessibleDescription(
        QStringLiteral("Durch Doppelklick das Wirtschaftsjahr auswählen"));
    DBLookupListBox1->setMinimumSize(140, 180);
    mitte->addWidget(DBLookupListBox1, 0, 0, 6, 1);
    mitte->addWidget(label(QStringLiteral("Durch Doppelklick das"), this, true), 0, 1);
    mitte->addWidget(label(QStringLiteral("Wirtschaftsjahr auswählen"), this, true), 1, 1);
    NeuesJahr = knopf(QStringLiteral("NeuesJahr"), QStringLiteral("Neues Jahr anlegen"), this);
    BitBtn1 = knopf(QStringLiteral("BitBtn1"), QStringLiteral("Wirtschaftsjahr löschen"), this);
    Schliessen = knopf(QStringLiteral("Schliessen"), QStringLiteral("S&chließen"), this);
    mitte->setRowMinimumHeight(2, 8);
    mitte->addWidget(NeuesJahr, 3, 1);
    mitte->addWidget(BitBtn1, 4, 1);
    mitte->setRowStretch(5, 1);
    mitte->addWidget(Schliessen, 6, 1);
    layout->addLayout(mitte);

    QWidget* reihenfolge[] = {DBLookupListBox1, NeuesJahr, Schliessen, BitBtn1};
    for (size_t i = 0; i + 1 < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);

    connect(DBLookupListBox1, &QListWidget::itemActivated, this, &TFormZeitraum::DBLookupListBox1DblClick);
    connect(NeuesJahr, &QPushButton::clicked, this, &TFormZeitraum::NeuesJahrClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormZeitraum::BitBtn1Click);
    connect(Schliessen, &QPushButton::clicked, this, &TFormZeitraum::SchliessenClick);
}

void TFormZeitraum::fuelleListe(int markieren) {
    DBLookupListBox1->clear();
    for (const WirtschaftsjahrEintrag& j : Wirtschaftsjahre::liste(m_app.dm)) {
        auto* item = new QListWidgetItem(QString::number(j.jahr), DBLookupListBox1);
        item->setData(Qt::UserRole, j.id);
        if (j.aktuell)
            LabelAktuellesJahr->setText(QString::number(j.jahr));
    }
    markiere(DBLookupListBox1, markieren);
}

void TFormZeitraum::FormActivate() {
    TDM_EinAus& dm = m_app.dm;
    Label_Mandant->setText(dm.gibMandantBezeichnung(dm.gibAktiverMandant()));
    LabelAktuellesJahr->clear();
    fuelleListe(dm.gibZeitraum());
    DBLookupListBox1->setFocus();
}

void TFormZeitraum::DBLookupListBox1DblClick() {
    // Works on the years shown, the active client's; an empty list offers nothing to choose.
    const int zeitraum = markierteId(DBLookupListBox1);
    if (zeitraum < 0)
        return;
    if (mitFehleranzeige(m_app.ui, [&] { Wirtschaftsjahre::auswaehlen(m_app.dm, zeitraum); })) {
        LabelAktuellesJahr->setText(DBLookupListBox1->currentItem()->text());
        accept();
    }
}

void TFormZeitraum::NeuesJahrClick() {
    QString text = QString::number(m_app.clock.today().year());
    if (!m_app.ui.inputBox(QStringLiteral("Neues Wirtschaftsjahr"), QStringLiteral("Jahreszahl (zb: 2008)"),
                           text))
        return;
    const int markiert = markierteId(DBLookupListBox1);
    // The core names what went wrong: a text that is no number, a year the client has, or the
    // database's own failure.
    if (mitFehleranzeige(m_app.ui, [&] { (void)Wirtschaftsjahre::anlegen(m_app.dm, text); }))
        mitFehleranzeige(m_app.ui, [&] { fuelleListe(markiert); });
}

void TFormZeitraum::BitBtn1Click() {
    const int zeitraum = markierteId(DBLookupListBox1);
    if (zeitraum < 0)
        return;
    mitFehleranzeige(m_app.ui, [&] {
        TDM_EinAus& dm = m_app.dm;
        if (zeitraum == dm.gibZeitraum()) {
            m_app.ui.information(QStringLiteral(
                "Das aktive Wirtschaftsjahr kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick "
                "das Wirtschaftsjahr wechseln. \rDanach das zu löschende Wirtschaftsjahr markieren."));
            return;
        }
        const QList<Answer> jaNein{Answer::Yes, Answer::No};
        if (m_app.ui.warning(QStringLiteral("Soll das markierte Wirtschaftsjahr \rwirklich gelöscht werden?"),
                             jaNein) != Answer::Yes)
            return;
        if (m_app.ui.warning(
                QStringLiteral(
                    "Soll das markierte Wirtschaftsjahr \rwirklich endgültig gelöscht werden?\rEs gibt kein "
                    "Rückgängig!!!"),
                jaNein) != Answer::Yes)
            return;
        const QString meldung = Wirtschaftsjahre::loeschen(dm, zeitraum);
        fuelleListe(dm.gibZeitraum());
        m_app.ui.information(meldung);
    });
}
