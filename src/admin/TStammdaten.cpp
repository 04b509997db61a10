#include "admin/TStammdaten.h"

#include "admin/MasterData.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* fett(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

TStammdaten::TStammdaten(Anwendung& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TStammdaten"));
    setWindowTitle(QStringLiteral("Stammdaten"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* kopf = new QHBoxLayout;
    kopf->addWidget(fett(QStringLiteral("Aktueller Mandant:"), this));
    LabelMandant = fett(QString(), this);
    LabelMandant->setObjectName(QStringLiteral("LabelMandant"));
    LabelMandant->setStyleSheet(QStringLiteral("color: navy;"));
    kopf->addWidget(LabelMandant);
    kopf->addStretch();
    layout->addLayout(kopf);
    layout->addSpacing(6);

    auto* felder = new QGridLayout;
    const struct {
        QLineEdit** feld;
        const char* name;
        QString beschriftung;
        int laenge;
    } spalten[] = {
        {&DBEdit1, "DBEdit1", QStringLiteral("Name"), 50},         {&DBEdit2, "DBEdit2", QStringLiteral("Straße HNr."), 50},
        {&DBEdit3, "DBEdit3", QStringLiteral("PLZ / Ort"), 50},    {&DBEdit4, "DBEdit4", QStringLiteral("Tel"), 50},
        {&DBEdit5, "DBEdit5", QStringLiteral("Referat"), 20},      {&DBEdit6, "DBEdit6", QStringLiteral("Steuernummen"), 50},
    };
    int zeile = 0;
    for (const auto& s : spalten) {
        *s.feld = new QLineEdit(this);
        (*s.feld)->setObjectName(QString::fromLatin1(s.name));
        (*s.feld)->setMaxLength(s.laenge);
        (*s.feld)->setMinimumWidth(300);
        QLabel* l = fett(s.beschriftung, this);
        l->setBuddy(*s.feld);
        felder->addWidget(l, zeile, 0);
        felder->addWidget(*s.feld, zeile, 1);
        ++zeile;
    }
    DBCheckBox1 = new QCheckBox(QStringLiteral("Steuersätze DE"), this);
    DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
    DBCheckBox1->setTristate(true);
    felder->addWidget(fett(QStringLiteral("Für Kleinwalsertal"), this), zeile, 0);
    felder->addWidget(DBCheckBox1, zeile, 1);
    layout->addLayout(felder);
    layout->addSpacing(6);

    auto* knoepfe = new QHBoxLayout;
    auto* BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    auto* BitBtn2 = new QPushButton(QStringLiteral("Abbrechen"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    knoepfe->addStretch();
    knoepfe->addWidget(BitBtn1);
    knoepfe->addWidget(BitBtn2);
    layout->addLayout(knoepfe);

    QWidget* reihenfolge[] = {DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6, BitBtn1, BitBtn2, DBCheckBox1};
    for (size_t i = 0; i + 1 < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);
    DBEdit1->setFocus();

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (mitFehleranzeige(m_app.ui, [this] { speichern(); }))
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TStammdaten::FormActivate() {
    TDM_EinAus& dm = m_app.dm;
    LabelMandant->setText(dm.gibMandantBezeichnung(dm.gibAktiverMandant()));
    const Stammdaten s = StammdatenVerwaltung::lesen(dm);
    DBEdit1->setText(s.ganzerName);
    DBEdit2->setText(s.adresse);
    DBEdit3->setText(s.plzOrt);
    DBEdit4->setText(s.telefon);
    DBEdit5->setText(s.referat);
    DBEdit6->setText(s.steuernummer);
    DBCheckBox1->setCheckState(!s.steuerDE ? Qt::PartiallyChecked : *s.steuerDE ? Qt::Checked : Qt::Unchecked);
    DBEdit1->setFocus();
}

void TStammdaten::speichern() {
    Stammdaten s;
    s.ganzerName = DBEdit1->text();
    s.adresse = DBEdit2->text();
    s.plzOrt = DBEdit3->text();
    s.telefon = DBEdit4->text();
    s.referat = DBEdit5->text();
    s.steuernummer = DBEdit6->text();
    if (DBCheckBox1->checkState() != Qt::PartiallyChecked)
        s.steuerDE = DBCheckBox1->checkState() == Qt::Checked;
    StammdatenVerwaltung::schreiben(m_app.dm, s);
}
