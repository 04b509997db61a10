#include "booking/TFormBelegeingabe.h"

#include "admin/BookingCircles.h"
#include "app/Clock.h"
#include "app/Currency.h"
#include "app/Formats.h"
#include "app/IniFile.h"
#include "app/KassolError.h"
#include "app/THelperData.h"
#include "booking/BookingFlags.h"
#include "booking/BookingList.h"
#include "booking/TFormBelegeingabeHilfe.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"
#include "ui/WidgetInteraction.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString TitelNeu = QStringLiteral("Belegeingabe - Neue Buchung");
const QString TitelAendern = QStringLiteral("Belegeingabe - Buchung bearbeiten");

QLabel* beschriftung(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

QCheckBox* kennzeichen(const QString& name, const QString& text, QWidget* parent) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(name);
    return c;
}

// A date field that is one Tab stop: Tab leaves it instead of walking through day, month and year
// (the arrow keys and typing still move within it).
class Datumsfeld final : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
            return;
        }
        QDateEdit::keyPressEvent(event);
    }
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

void setzeStill(QCheckBox* box, bool checked) {
    const bool vorher = box->blockSignals(true);
    box->setChecked(checked);
    box->blockSignals(vorher);
}

} // namespace

TFormBelegeingabe::TFormBelegeingabe(Anwendung& app, std::optional<int> buchungsId, TFormBelegeingabeHilfe* hilfe,
                                     QWidget* parent)
    : QDialog(parent), m_app(app), m_buchungsId(buchungsId), m_hilfe(hilfe) {
    setObjectName(QStringLiteral("TFormBelegeingabe"));
    setModal(true);
    baueOberflaeche();
    std::optional<Buchungsdaten> buchung;
    if (m_buchungsId)
        buchung = Buchungen::lesen(m_app.dm, *m_buchungsId);
    initialisiere(buchung);
    m_eingerichtet = true;
}

QStringList TFormBelegeingabe::steuersaetze(int jahr, bool steuerDE) {
    const QString ermaessigt = jahr < 2016 ? QStringLiteral("12") : QStringLiteral("13");
    if (steuerDE)
        return {QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("7"), QStringLiteral("19"),
                QStringLiteral("10"), ermaessigt, QStringLiteral("20")};
    return {QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10"), ermaessigt, QStringLiteral("20")};
}

QString TFormBelegeingabe::iniAbschnitt(int mandant) {
    return QStringLiteral("Buchen Mandant ") + QString::number(mandant);
}

void TFormBelegeingabe::baueOberflaeche() {
    auto* haupt = new QVBoxLayout(this);

    auto* kopf = new QHBoxLayout;
    auto* mandantText = new QLabel(QStringLiteral("Mandant:"), this);
    LabelMandant = new QLabel(this);
    LabelMandant->setObjectName(QStringLiteral("LabelMandant"));
    auto* jahrText = new QLabel(QStringLiteral("Wirtschaftsjahr:"), this);
    LabelJahr = new QLabel(this);
    LabelJahr->setObjectName(QStringLiteral("LabelJahr"));
    for (QLabel* l : {LabelMandant, LabelJahr}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: navy;"));
    }
    kopf->addWidget(mandantText);
    kopf->addWidget(LabelMandant);
    kopf->addSpacing(24);
    kopf->addWidget(jahrText);
    kopf->addWidget(LabelJahr);
    kopf->addStretch();
    haupt->addLayout(kopf);

    auto* art = new QHBoxLayout;
    DBCheckBoxEin = kennzeichen(QStringLiteral("DBCheckBoxEin"), QStringLiteral("&Einnahme"), this);
    DBCheckBoxAus = kennzeichen(QStringLiteral("DBCheckBoxAus"), QStringLiteral("&Ausgabe"), this);
    DBCheckBoxEin->setStyleSheet(QStringLiteral("color: green; font-weight: bold;"));
    DBCheckBoxAus->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    art->addWidget(DBCheckBoxEin);
    art->addSpacing(24);
    art->addWidget(DBCheckBoxAus);
    art->addStretch();
    haupt->addLayout(art);

    auto* felder = new QGridLayout;
    DatumPicker = new Datumsfeld(this);
    DatumPicker->setObjectName(QStringLiteral("DatumPicker"));
    DatumPicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DatumPicker->setCalendarPopup(true);
    // The arrows step whole days, whichever part of the date the cursor is in.
    UpDownAuf = new QToolButton(this);
    UpDownAuf->setObjectName(QStringLiteral("UpDown1Auf"));
    UpDownAuf->setArrowType(Qt::UpArrow);
    UpDownAuf->setAccessibleName(QStringLiteral("Einen Tag später"));
    UpDownAb = new QToolButton(this);
    UpDownAb->setObjectName(QStringLiteral("UpDown1Ab"));
    UpDownAb->setArrowType(Qt::DownArrow);
    UpDownAb->setAccessibleName(QStringLiteral("Einen Tag früher"));
    for (QToolButton* b : {UpDownAuf, UpDownAb}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
    }
    auto* upDown = new QVBoxLayout;
    upDown->setSpacing(0);
    upDown->addWidget(UpDownAuf);
    upDown->addWidget(UpDownAb);
    auto* datumZeile = new QHBoxLayout;
    datumZeile->setSpacing(2);
    datumZeile->addWidget(DatumPicker);
    datumZeile->addLayout(upDown);
    datumZeile->addStretch();

    DBEditBelegnummer = new QLineEdit(this);
    DBEditBelegnummer->setObjectName(QStringLiteral("DBEditBelegnummer"));
    DBEditBelegnummer->setValidator(new QIntValidator(0, 2147483647, DBEditBelegnummer));
    DBEditBelegnummer->setMaximumWidth(110);

    DBComboText = new QComboBox(this);
    DBComboText->setObjectName(QStringLiteral("DBComboText"));
    DBComboText->setEditable(true);
    DBComboText->setInsertPolicy(QComboBox::NoInsert);
    DBComboText->lineEdit()->setMaxLength(100);
    DBComboText->setMinimumWidth(360);

    DBEdit_Betrag = new QLineEdit(this);
    DBEdit_Betrag->setObjectName(QStringLiteral("DBEdit_Betrag"));
    DBEdit_Betrag->setAlignment(Qt::AlignRight);
    DBEdit_Betrag->setMaximumWidth(140);
    LabelBruttoNetto = new QLabel(QStringLiteral("(Brutto)"), this);
    LabelBruttoNetto->setObjectName(QStringLiteral("LabelBruttoNetto"));

    DBCombo_Steuersatz = new QComboBox(this);
    DBCombo_Steuersatz->setObjectName(QStringLiteral("DBCombo_Steuersatz"));
    DBCombo_Steuersatz->setEditable(true);
    DBCombo_Steuersatz->setInsertPolicy(QComboBox::NoInsert);
    DBCombo_Steuersatz->setMaximumWidth(80);

    DBLookupComboBox1 = new QComboBox(this);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setMinimumWidth(220);
    BitBtn1 = new QPushButton(QStringLiteral("Neu"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));

    auto* betragZeile = new QHBoxLayout;
    betragZeile->addWidget(DBEdit_Betrag);
    betragZeile->addWidget(LabelBruttoNetto);
    betragZeile->addStretch();
    auto* kreisZeile = new QHBoxLayout;
    kreisZeile->addWidget(DBLookupComboBox1);
    kreisZeile->addWidget(BitBtn1);
    kreisZeile->addStretch();

    // An editable box would otherwise be announced by its current text instead of its caption.
    DBComboText->setAccessibleName(QStringLiteral("Belegtext"));
    DBComboText->lineEdit()->setAccessibleName(QStringLiteral("Belegtext"));
    DBCombo_Steuersatz->setAccessibleName(QStringLiteral("Steuersatz"));
    DBCombo_Steuersatz->lineEdit()->setAccessibleName(QStringLiteral("Steuersatz"));

    felder->addWidget(beschriftung(QStringLiteral("Belegdatum"), DatumPicker, this), 0, 0);
    felder->addLayout(datumZeile, 0, 1);
    felder->addWidget(beschriftung(QStringLiteral("Belegnummer"), DBEditBelegnummer, this), 0, 2);
    felder->addWidget(DBEditBelegnummer, 0, 3);
    felder->addWidget(beschriftung(QStringLiteral("Belegtext"), DBComboText, this), 1, 0);
    felder->addWidget(DBComboText, 1, 1, 1, 3);
    felder->addWidget(beschriftung(QStringLiteral("Betrag in €"), DBEdit_Betrag, this), 2, 0);
    felder->addLayout(betragZeile, 2, 1);
    felder->addWidget(beschriftung(QStringLiteral("Steuersatz"), DBCombo_Steuersatz, this), 2, 2);
    felder->addWidget(DBCombo_Steuersatz, 2, 3);
    felder->addWidget(beschriftung(QStringLiteral("Buchungskreis"), DBLookupComboBox1, this), 3, 0);
    felder->addLayout(kreisZeile, 3, 1, 1, 3);
    haupt->addLayout(felder);

    auto* flags = new QGridLayout;
    DBCheckBoxEU = kennzeichen(QStringLiteral("DBCheckBoxEU"), QStringLiteral("Innergemeinschaftlich"), this);
    DBCheckBoxDritt = kennzeichen(QStringLiteral("DBCheckBoxDritt"), QStringLiteral("Einfuhr aus Drittland"), this);
    DBCheckBoxKFZ = kennzeichen(QStringLiteral("DBCheckBoxKFZ"), QStringLiteral("KFZ"), this);
    DBCheckBoxGebaeude = kennzeichen(QStringLiteral("DBCheckBoxGebaeude"), QStringLiteral("Gebäude"), this);
    flags->addWidget(DBCheckBoxEU, 0, 0);
    flags->addWidget(DBCheckBoxDritt, 1, 0);
    flags->addWidget(DBCheckBoxKFZ, 0, 1);
    flags->addWidget(DBCheckBoxGebaeude, 1, 1);
    flags->setColumnStretch(2, 1);
    haupt->addLayout(flags);
    for (QCheckBox* c : {DBCheckBoxEU, DBCheckBoxDritt, DBCheckBoxKFZ, DBCheckBoxGebaeude})
        c->setEnabled(false);

    auto* knoepfe = new QHBoxLayout;
    BitBtn2 = new QPushButton(QStringLiteral("&Hilfe"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    SchalterOK_WEITER = new QPushButton(QStringLiteral("OK und\nweiterbuchen"), this);
    SchalterOK_WEITER->setObjectName(QStringLiteral("SchalterOK_WEITER"));
    SchalterOK_WEITER->setAccessibleName(QStringLiteral("OK und weiterbuchen"));
    SchalterOK = new QPushButton(QStringLiteral("OK"), this);
    SchalterOK->setObjectName(QStringLiteral("SchalterOK"));
    SchalterCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    SchalterCancel->setObjectName(QStringLiteral("SchalterCancel"));
    // Enter means "OK und weiterbuchen" wherever the focus is; no other button takes it over.
    for (QPushButton* b : {BitBtn1, BitBtn2, SchalterOK_WEITER, SchalterOK, SchalterCancel})
        b->setAutoDefault(false);
    SchalterOK_WEITER->setDefault(true);
    knoepfe->addWidget(BitBtn2);
    knoepfe->addStretch();
    knoepfe->addWidget(SchalterOK_WEITER);
    knoepfe->addWidget(SchalterOK);
    knoepfe->addWidget(SchalterCancel);
    haupt->addSpacing(6);
    haupt->addLayout(knoepfe);

    QWidget* reihenfolge[] = {DBCheckBoxEin, DBCheckBoxAus,  DatumPicker,       DBEditBelegnummer, DBComboText,
                              DBEdit_Betrag, DBCombo_Steuersatz, DBLookupComboBox1, BitBtn1,       DBCheckBoxEU,
                              DBCheckBoxDritt, SchalterOK_WEITER, SchalterOK,   SchalterCancel,    BitBtn2,
                              DBCheckBoxKFZ, DBCheckBoxGebaeude};
    for (size_t i = 0; i + 1 < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i], reihenfolge[i + 1]);
    DBCheckBoxEin->setFocus();

    connect(DBCheckBoxEin, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxEinClick);
    connect(DBCheckBoxAus, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxAusClick);
    connect(DBCheckBoxEU, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxEUClick);
    connect(DBCheckBoxDritt, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxDrittClick);
    connect(DBCheckBoxKFZ, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxKFZClick);
    connect(DBCheckBoxGebaeude, &QCheckBox::toggled, this, &TFormBelegeingabe::DBCheckBoxGebaeudeClick);
    connect(UpDownAuf, &QToolButton::clicked, this, [this] { UpDown1Click(1); });
    connect(UpDownAb, &QToolButton::clicked, this, [this] { UpDown1Click(-1); });
    connect(SchalterOK, &QPushButton::clicked, this, &TFormBelegeingabe::SchalterOKClick);
    connect(SchalterOK_WEITER, &QPushButton::clicked, this, &TFormBelegeingabe::SchalterOK_WEITERClick);
    connect(SchalterCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormBelegeingabe::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormBelegeingabe::BitBtn2Click);
}

void TFormBelegeingabe::initialisiere(const std::optional<Buchungsdaten>& buchung) {
    TDM_EinAus& dm = m_app.dm;
    const int jahr = dm.gibJahr();
    m_mandant = dm.gibAktiverMandant();
    DatumPicker->setDateRange(QDate(jahr, 1, 1), QDate(jahr, 12, 31));
    LabelJahr->setText(QString::number(jahr));
    LabelMandant->setText(dm.gibMandantBezeichnung(m_mandant));
    m_weiterbuchen = false;

    DBCombo_Steuersatz->clear();
    DBCombo_Steuersatz->addItems(steuersaetze(jahr, dm.gibSteuerDE()));
    DBComboText->clear();
    for (const QString& text : buchungstexte(dm, m_mandant, dm.gibZeitraum()))
        DBComboText->addItem(text.isEmpty() ? QStringLiteral(" ") : text);

    if (buchung) {
        setWindowTitle(TitelAendern);
        DatumPicker->setDate(buchung->datum);
        DBEditBelegnummer->setText(buchung->belegnummer ? QString::number(*buchung->belegnummer) : QString());
        DBComboText->setEditText(buchung->text);
        DBEdit_Betrag->setText(buchung->betrag ? Formats::amount(*buchung->betrag) : QString());
        DBCombo_Steuersatz->setEditText(buchung->steuersatz ? QString::number(*buchung->steuersatz) : QString());
        ladeBuchungskreise(buchung->bk);
        setzeKennzeichen(*buchung);
        SchalterOK_WEITER->setEnabled(false);
        return;
    }

    const auto ini = m_app.helper.GetIniInstance();
    const QString abschnitt = iniAbschnitt(m_mandant);
    const int kreis = ini->readInteger(abschnitt, QStringLiteral("Buchungskreis"), 0);
    const QDate datum = ini->readDate(abschnitt, QStringLiteral("Belegdatum"), m_app.clock.today());
    const int art = ini->readInteger(abschnitt, QStringLiteral("IstEinnahme"), 1);
    // A rate typed as free text that is no whole number cannot be proposed again.
    bool satzGanz = false;
    const int satz = ini->readString(abschnitt, QStringLiteral("Steuersatz"), QStringLiteral("0")).trimmed().toInt(&satzGanz);
    const QString text = ini->readString(abschnitt, QStringLiteral("Buchungstext"), QString());

    DBCombo_Steuersatz->setEditText(QString::number(satzGanz ? satz : 0));
    DBComboText->setEditText(text);
    ladeBuchungskreise(kreis > 0 ? std::optional<int>(kreis) : std::nullopt);
    m_vorgeschlageneNummer = QString::number(dm.neueBelegnummer());
    DBEditBelegnummer->setText(m_vorgeschlageneNummer);
    setWindowTitle(TitelNeu);
    DatumPicker->setDate(datum >= DatumPicker->minimumDate() && datum <= DatumPicker->maximumDate() ? datum
                                                                                                   : QDate(jahr, 1, 1));
    Buchungsdaten neu;
    neu.art = art == 2 ? Buchungsart::Ausgabe : Buchungsart::Einnahme;
    setzeKennzeichen(neu);
    DBEdit_Betrag->clear();
    SchalterOK_WEITER->setEnabled(true);
}

void TFormBelegeingabe::setzeKennzeichen(const Buchungsdaten& d) {
    const bool ausgabe = d.art == Buchungsart::Ausgabe;
    setzeStill(DBCheckBoxEin, !ausgabe);
    setzeStill(DBCheckBoxAus, ausgabe);
    setzeStill(DBCheckBoxEU, d.istEU == JaNein::Ja);
    setzeStill(DBCheckBoxDritt, d.istDrittland == JaNein::Ja);
    setzeStill(DBCheckBoxKFZ, d.istKFZ == JaNein::Ja);
    setzeStill(DBCheckBoxGebaeude, d.istGebaeude == JaNein::Ja);
    for (QCheckBox* c : {DBCheckBoxEU, DBCheckBoxDritt, DBCheckBoxKFZ, DBCheckBoxGebaeude})
        c->setEnabled(ausgabe);
    LabelBruttoNetto->setText(d.istEU == JaNein::Ja ? QStringLiteral("(Netto)") : QStringLiteral("(Brutto)"));
}

void TFormBelegeingabe::ladeBuchungskreise(std::optional<int> auswahl) {
    DBLookupComboBox1->clear();
    for (const BuchungskreisEintrag& k : Buchungskreise::liste(m_app.dm))
        DBLookupComboBox1->addItem(k.name, k.id);
    // A circle that no longer exists (or none remembered) leaves the choice empty.
    DBLookupComboBox1->setCurrentIndex(auswahl ? DBLookupComboBox1->findData(*auswahl) : -1);
}

std::optional<int> TFormBelegeingabe::gewaehlterKreis() const {
    if (DBLookupComboBox1->currentIndex() < 0)
        return std::nullopt;
    return DBLookupComboBox1->currentData().toInt();
}

bool TFormBelegeingabe::event(QEvent* e) {
    // Coming back from "Neu" or the help window only re-reads the circles; what the user typed stays.
    if (e->type() == QEvent::WindowActivate && m_eingerichtet)
        mitFehleranzeige(m_app.ui, [this] { ladeBuchungskreise(gewaehlterKreis()); });
    return QDialog::event(e);
}

void TFormBelegeingabe::DBCheckBoxEinClick(bool checked) {
    if (checked) {
        DBCheckBoxAus->setChecked(false);
        for (QCheckBox* c : {DBCheckBoxEU, DBCheckBoxDritt, DBCheckBoxKFZ, DBCheckBoxGebaeude}) {
            c->setChecked(false);
            c->setEnabled(false);
        }
    } else {
        DBCheckBoxAus->setChecked(true);
        DBCheckBoxEU->setEnabled(true);
        DBCheckBoxDritt->setEnabled(true);
    }
}

void TFormBelegeingabe::DBCheckBoxAusClick(bool checked) {
    if (checked) {
        DBCheckBoxEin->setChecked(false);
        for (QCheckBox* c : {DBCheckBoxEU, DBCheckBoxDritt, DBCheckBoxKFZ, DBCheckBoxGebaeude})
            c->setEnabled(true);
    } else {
        DBCheckBoxEin->setChecked(true);
        for (QCheckBox* c : {DBCheckBoxEU, DBCheckBoxDritt, DBCheckBoxKFZ, DBCheckBoxGebaeude}) {
            c->setChecked(false);
            c->setEnabled(false);
        }
    }
}

void TFormBelegeingabe::DBCheckBoxEUClick(bool checked) {
    LabelBruttoNetto->setText(checked ? QStringLiteral("(Netto)") : QStringLiteral("(Brutto)"));
    if (!checked)
        return;
    DBCombo_Steuersatz->setEditText(QStringLiteral("20"));
    DBCheckBoxDritt->setChecked(false);
    DBCheckBoxKFZ->setChecked(false);
    DBCheckBoxGebaeude->setChecked(false);
}

void TFormBelegeingabe::DBCheckBoxDrittClick(bool checked) {
    if (!checked)
        return;
    DBCombo_Steuersatz->setEditText(QStringLiteral("0"));
    DBCheckBoxEU->setChecked(false);
    DBCheckBoxKFZ->setChecked(false);
    DBCheckBoxGebaeude->setChecked(false);
}

// A vehicle or building expense is never an acquisition or an import at the same time, so ticking
// it clears those too; the books refuse the combination.
void TFormBelegeingabe::DBCheckBoxKFZClick(bool checked) {
    if (!checked)
        return;
    DBCheckBoxGebaeude->setChecked(false);
    DBCheckBoxEU->setChecked(false);
    DBCheckBoxDritt->setChecked(false);
}

void TFormBelegeingabe::DBCheckBoxGebaeudeClick(bool checked) {
    if (!checked)
        return;
    DBCheckBoxKFZ->setChecked(false);
    DBCheckBoxEU->setChecked(false);
    DBCheckBoxDritt->setChecked(false);
}

void TFormBelegeingabe::UpDown1Click(int tage) {
    const QDate neu = DatumPicker->date().addDays(tage);
    if (neu >= DatumPicker->minimumDate() && neu <= DatumPicker->maximumDate())
        DatumPicker->setDate(neu);
}

void TFormBelegeingabe::SchalterOKClick() {
    m_weiterbuchen = false;
    schliesseMitOk();
}

void TFormBelegeingabe::SchalterOK_WEITERClick() {
    if (!SchalterOK_WEITER->isEnabled())
        return;
    m_weiterbuchen = true;
    schliesseMitOk();
}

bool TFormBelegeingabe::pruefeEingabe(Buchungsdaten& d) {
    WidgetInteraction& ui = m_app.ui;
    // Both checks are always made, as the user expects to hear of everything missing at once.
    const QString betragText = DBEdit_Betrag->text().trimmed();
    const bool ohneBetrag = betragText.isEmpty();
    if (ohneBetrag)
        ui.information(QStringLiteral("Sie müssen im Feld Betrag einen Wert angeben!"));
    const bool ohneKreis = !gewaehlterKreis();
    if (ohneKreis)
        ui.information(QStringLiteral("Sie müssen einen Buchungskreis angeben!\n\rBei Bedarf können sie einen neuen anlegen!"));
    if (ohneBetrag || ohneKreis) {
        (ohneBetrag ? static_cast<QWidget*>(DBEdit_Betrag) : DBLookupComboBox1)->setFocus();
        return false;
    }

    d.betrag = Currency::parse(betragText);
    if (!d.betrag) {
        ui.information(QStringLiteral("„%1“ ist kein gültiger Betrag. Geben Sie ihn zum Beispiel als 1.234,50 ein.").arg(betragText));
        DBEdit_Betrag->setFocus();
        DBEdit_Betrag->selectAll();
        return false;
    }
    bool satzOk = false;
    const int satz = DBCombo_Steuersatz->currentText().trimmed().toInt(&satzOk);
    if (!satzOk) {
        ui.information(QStringLiteral("Der Steuersatz muss eine ganze Zahl sein, zum Beispiel 20."));
        DBCombo_Steuersatz->setFocus();
        return false;
    }
    d.steuersatz = satz;
    d.bk = gewaehlterKreis();
    d.datum = DatumPicker->date();
    // The proposed number is only a preview: left as it is, the next number is drawn when the
    // booking is written, so that another program booking meanwhile cannot cause a duplicate.
    const QString nummer = DBEditBelegnummer->text().trimmed();
    if (!nummer.isEmpty() && !(istNeu() && nummer == m_vorgeschlageneNummer))
        d.belegnummer = nummer.toInt();
    // A suggestion that stands for an empty text is offered as a single blank.
    d.text = DBComboText->currentText() == QStringLiteral(" ") ? QString() : DBComboText->currentText();
    d.art = DBCheckBoxAus->isChecked() ? Buchungsart::Ausgabe : Buchungsart::Einnahme;
    d.istEU = DBCheckBoxEU->isChecked() ? JaNein::Ja : JaNein::Nein;
    d.istDrittland = DBCheckBoxDritt->isChecked() ? JaNein::Ja : JaNein::Nein;
    d.istKFZ = DBCheckBoxKFZ->isChecked() ? JaNein::Ja : JaNein::Nein;
    d.istGebaeude = DBCheckBoxGebaeude->isChecked() ? JaNein::Ja : JaNein::Nein;
    return true;
}

void TFormBelegeingabe::schliesseMitOk() {
    Buchungsdaten d;
    if (!pruefeEingabe(d)) {
        m_weiterbuchen = false;
        return;
    }
    bool gespeichert = false;
    const bool ohneFehler = mitFehleranzeige(m_app.ui, [&] {
        Buchungen::pruefe(m_app.dm, d);
        gespeichert = !m_speichern || m_speichern(d);
    });
    if (!ohneFehler) {
        m_weiterbuchen = false;
        return;
    }
    if (!gespeichert) {
        m_weiterbuchen = false;
        reject();
        return;
    }
    if (istNeu())
        merkeEingaben();
    accept();
}

void TFormBelegeingabe::merkeEingaben() {
    // The entries reach the file in one write, so that the next voucher is not kept waiting.
    const auto ini = m_app.helper.GetIniInstance();
    ini->sammeln();
    const QString abschnitt = iniAbschnitt(m_mandant);
    if (const auto kreis = gewaehlterKreis())
        (void)ini->writeInteger(abschnitt, QStringLiteral("Buchungskreis"), *kreis);
    (void)ini->writeDate(abschnitt, QStringLiteral("Belegdatum"), DatumPicker->date());
    (void)ini->writeInteger(abschnitt, QStringLiteral("IstEinnahme"), DBCheckBoxAus->isChecked() ? 2 : 1);
    if (m_weiterbuchen) {
        (void)ini->writeString(abschnitt, QStringLiteral("Steuersatz"), DBCombo_Steuersatz->currentText());
        (void)ini->writeString(abschnitt, QStringLiteral("Buchungstext"), DBComboText->currentText());
    } else {
        (void)ini->deleteKey(abschnitt, QStringLiteral("Steuersatz"));
        (void)ini->deleteKey(abschnitt, QStringLiteral("Buchungstext"));
    }
    (void)ini->schreibeGesammelt();
}

void TFormBelegeingabe::BitBtn1Click() {
    if (!m_neuerKreis)
        return;
    mitFehleranzeige(m_app.ui, [this] {
        const std::optional<int> neu = m_neuerKreis();
        ladeBuchungskreise(neu ? neu : gewaehlterKreis());
    });
    DBLookupComboBox1->setFocus();
}

void TFormBelegeingabe::BitBtn2Click() {
    if (m_hilfe)
        m_app.ui.showWindow(*m_hilfe);
}
