#include "admin/TMandantenauswahl.h"

#include "admin/Clients.h"
#include "admin/DialogTeile.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QCollator>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

using Answer = UserInteraction::Answer;
using namespace DialogTeile;

TMandantenauswahl::TMandantenauswahl(Anwendung& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TMandantenauswahl"));
    setWindowTitle(QStringLiteral("Mandanten"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* kopf = new QHBoxLayout;
    kopf->addWidget(label(QStringLiteral("Aktueller Mandant:"), this));
    Label_Mandant = label(QString(), this, true, QStringLiteral("navy"));
    Label_Mandant->setObjectName(QStringLiteral("Label_Mandant"));
    kopf->addWidget(Label_Mandant, 1);
    layout->addLayout(kopf);

    auto* mitte = new QHBoxLayout;
    DBLookupListBox1 = new QListWidget(this);
    DBLookupListBox1->setObjectName(QStringLiteral("DBLookupListBox1"));
    DBLookupListBox1->setAccessibleName(QStringLiteral("Mandanten"));
    DBLookupListBox1->setAccessibleDescription(QStringLiteral("Durch Doppelklick den Mandanten auswählen"));
    DBLookupListBox1->setMinimumSize(260, 200);
    mitte->addWidget(DBLookupListBox1, 1);
    auto* rechts = new QVBoxLayout;
    rechts->setSpacing(2);
    rechts->addWidget(label(QStringLiteral("Durch Doppelklick den"), this, true));
    rechts->addWidget(label(QStringLiteral("Mandanten auswählen"), this, true));
    rechts->addSpacing(14);
    Mandant_Bearbeiten =
        knopf(QStringLiteral("Mandant_Bearbeiten"), QStringLiteral("Markierten Mandant\r\nbearbeiten"), this);
    Mandant_Neu = knopf(QStringLiteral("Mandant_Neu"), QStringLiteral("Neuen Mandant\r\nanlegen"), this);
    BitBtn1 = knopf(QStringLiteral("BitBtn1"), QStringLiteral("Markierten Mandant löschen"), this);
    Schliessen = knopf(QStringLiteral("Schliessen"), QStringLiteral("S&chließen"), this);
    for (QPushButton* k : {Mandant_Bearbeiten, Mandant_Neu, BitBtn1}) {
        rechts->addWidget(k);
        rechts->addSpacing(4);
    }
    rechts->addStretch();
    rechts->addWidget(Schliessen);
    mitte->addLayout(rechts);
    layout->addLayout(mitte);

    QWidget* reihenfolge[] = {DBLookupListBox1, Mandant_Bearbeiten, Mandant_Neu, BitBtn1, Schliessen};
    for (size_t i = 0; i + 1 < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);

    // Activation is the double-click, and Enter for the keyboard.
    connect(DBLookupListBox1, &QListWidget::itemActivated, this,
            &TMandantenauswahl::DBLookupListBox1DblClick);
    connect(Mandant_Neu, &QPushButton::clicked, this, &TMandantenauswahl::Mandant_NeuClick);
    connect(Mandant_Bearbeiten, &QPushButton::clicked, this, &TMandantenauswahl::Mandant_BearbeitenClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TMandantenauswahl::BitBtn1Click);
    connect(Schliessen, &QPushButton::clicked, this, &TMandantenauswahl::SchliessenClick);
}

void TMandantenauswahl::fuelleListe(int markieren) {
    // By name, as a bookkeeper reads it: German order, case ignored.
    const std::vector<MandantEintrag> mandanten = Mandanten::liste(m_app.dm);
    DBLookupListBox1->clear();
    for (const MandantEintrag& m : mandanten) {
        auto* item = new QListWidgetItem(m.bezeichnung, DBLookupListBox1);
        item->setData(Qt::UserRole, m.nummer);
    }
    markiere(DBLookupListBox1, markieren);
}

void TMandantenauswahl::FormActivate() {
    TDM_EinAus& dm = m_app.dm;
    const int aktiv = dm.gibAktiverMandant();
    Label_Mandant->setText(dm.gibMandantBezeichnung(aktiv));
    fuelleListe(aktiv);
    DBLookupListBox1->setFocus();
}

void TMandantenauswahl::DBLookupListBox1DblClick() {
    const int nummer = markierteId(DBLookupListBox1);
    if (nummer < 0)
        return;
    mitFehleranzeige(m_app.ui, [&] {
        Mandanten::auswaehlen(m_app.dm, nummer);
        Label_Mandant->setText(m_app.dm.gibMandantBezeichnung(m_app.dm.gibAktiverMandant()));
    });
}

void TMandantenauswahl::Mandant_NeuClick() {
    QString name = QStringLiteral("Bezeichnung des neuen Mandanten");
    if (!m_app.ui.inputBox(QStringLiteral("Neuer Mandant"), QStringLiteral("Bezeichnung des Mandanten"),
                           name) ||
        name.isEmpty())
        return;
    const int markiert = markierteId(DBLookupListBox1);
    if (mitFehleranzeige(m_app.ui, [&] { (void)Mandanten::anlegen(m_app.dm, name); }))
        mitFehleranzeige(m_app.ui, [&] { fuelleListe(markiert); });
}

void TMandantenauswahl::Mandant_BearbeitenClick() {
    const int nummer = markierteId(DBLookupListBox1);
    if (nummer < 0)
        return;
    QString name = DBLookupListBox1->currentItem()->text();
    if (!m_app.ui.inputBox(QStringLiteral("Mandant umbenennen"), QStringLiteral("Bezeichnung des Mandanten"),
                           name) ||
        name.isEmpty())
        return;
    mitFehleranzeige(m_app.ui, [&] {
        Mandanten::umbenennen(m_app.dm, nummer, name);
        Label_Mandant->setText(m_app.dm.gibMandantBezeichnung(m_app.dm.gibAktiverMandant()));
        fuelleListe(nummer);
    });
}

void TMandantenauswahl::BitBtn1Click() {
    const int nummer = markierteId(DBLookupListBox1);
    if (nummer < 0)
        return;
    mitFehleranzeige(m_app.ui, [&] {
        TDM_EinAus& dm = m_app.dm;
        const QString name = dm.gibMandantBezeichnung(nummer);
        if (nummer == dm.gibAktiverMandant()) {
            m_app.ui.information(QStringLiteral(
                "Der aktive Mandant kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick den "
                "Mandanten wechseln. \rDanach den zu löschenden Mandanten markieren."));
            return;
        }
        const QList<Answer> jaNein{Answer::Yes, Answer::No};
        if (m_app.ui.warning(QStringLiteral("Soll der Mandant: \r\r") + name + QStringLiteral("\r\r") +
                                 QStringLiteral("wirklich gelöscht werden?"),
                             jaNein) != Answer::Yes)
            return;
        if (m_app.ui.warning(QStringLiteral("Soll der Mandant: \r\r") + name + QStringLiteral("\r\r") +
                                 QStringLiteral("wirklich endgültig gelöscht werden?") +
                                 QStringLiteral("\r") + QStringLiteral("Es gibt kein Rückgängig!!!"),
                             jaNein) != Answer::Yes)
            return;
        // A failed deletion raises before the INI section is erased and before the closing message.
        const QString meldung = Mandanten::loeschen(dm, m_app.helper, nummer);
        fuelleListe(dm.gibAktiverMandant());
        m_app.ui.information(meldung);
    });
}
