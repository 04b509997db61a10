#include "reports/TMonatsAuswahl.h"

#include "reports/ReportContext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char* const Beschriftung[] = {nullptr,      "Jänner",     "Februar",    "März",       "April",
                                    "Mai",        "Juni",       "Juli",       "August",     "September",
                                    "Oktober",    "November",   "Dezember",   "1. Quartal", "2. Quartal",
                                    "3. Quartal", "4. Quartal", "Ganzes Jahr"};

} // namespace

TMonatsAuswahl::TMonatsAuswahl(QWidget* parent)
    : TMonatsAuswahl(parent, QStringLiteral("TMonatsAuswahl"), QStringLiteral("Monats Auswahl"),
                     QStringLiteral("  Auswahl für Umsatzsteuerverprobung  "), {}) {}

TMonatsAuswahl::TMonatsAuswahl(QWidget* parent, const QString& name, const QString& titel, const QString& rahmentitel,
                               const QString& hinweis)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(titel);
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    Label1 = new QLabel(hinweis, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    Label1->setVisible(!hinweis.isEmpty());
    layout->addWidget(Label1);

    RadioGroup1 = new QGroupBox(rahmentitel, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    auto* raster = new QGridLayout(RadioGroup1);
    for (int code = 1; code <= 17; ++code) {
        auto* b = new QRadioButton(QString::fromUtf8(Beschriftung[code]), RadioGroup1);
        b->setObjectName(QStringLiteral("RadioButton%1").arg(code));
        RadioButton[static_cast<std::size_t>(code)] = b;
        // Months run down the columns three at a time; the quarters form the fourth row.
        if (code <= 12)
            raster->addWidget(b, (code - 1) % 3, (code - 1) / 3);
        else if (code <= 16)
            raster->addWidget(b, 3, code - 13);
        else
            raster->addWidget(b, 4, 2);
        connect(b, &QRadioButton::clicked, this, [this, code] { waehle(code); });
    }
    layout->addWidget(RadioGroup1);

    // Holds the choice code as text, the way callers read it.
    Edit_rueckgabe = new QLineEdit(QStringLiteral("17"), this);
    Edit_rueckgabe->setObjectName(QStringLiteral("Edit_rueckgabe"));
    Edit_rueckgabe->setAccessibleName(QStringLiteral("Auswahl"));
    Edit_rueckgabe->setVisible(false);

    auto* unten = new QHBoxLayout;
    CheckBox_export = new QCheckBox(QStringLiteral("Datenexport"), this);
    CheckBox_export->setObjectName(QStringLiteral("CheckBox_export"));
    QFont fett = CheckBox_export->font();
    fett.setBold(true);
    CheckBox_export->setFont(fett);
    unten->addWidget(CheckBox_export);
    unten->addStretch(1);
    auto* BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    auto* BitBtn2 = new QPushButton(QStringLiteral("Abbrechen"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    unten->addWidget(BitBtn1);
    unten->addWidget(BitBtn2);
    layout->addLayout(unten);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(BitBtn2, &QPushButton::clicked, this, &TMonatsAuswahl::reject);
    setTabOrder(CheckBox_export, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    resize(373, hinweis.isEmpty() ? 164 : 192);
}

void TMonatsAuswahl::FormActivate() {
    waehle(Zeitraumwahl::GanzesJahr);
}

void TMonatsAuswahl::waehle(int code) {
    RadioButton[static_cast<std::size_t>(code)]->setChecked(true);
    // Tab stops at the checked button; the arrow keys move within the group.
    for (int c = 1; c <= 17; ++c)
        RadioButton[static_cast<std::size_t>(c)]->setFocusPolicy(c == code ? Qt::StrongFocus : Qt::ClickFocus);
    Edit_rueckgabe->setText(QString::number(code));
}

void TMonatsAuswahl::zeigeDatenexport(bool zeigen) {
    CheckBox_export->setVisible(zeigen);
}

bool TMonatsAuswahl::datenexport() const {
    return CheckBox_export->isChecked();
}

int TMonatsAuswahl::auswahl() const {
    return Edit_rueckgabe->text().toInt();
}

void TMonatsAuswahl::reject() {
    done(Abgebrochen);
}

TExportauswahl::TExportauswahl(QWidget* parent)
    : TMonatsAuswahl(parent, QStringLiteral("TExportauswahl"), QStringLiteral("Exportauswahl"),
                     QStringLiteral("  Auswahl für Export an das Finanzamt  "),
                     QStringLiteral("Es werden Daten vom 1.1 des Jahres bis zum Ende des gewählten Monats exportiert:")) {
    for (int code = 13; code <= 17; ++code)
        RadioButton[static_cast<std::size_t>(code)]->setVisible(false);
    CheckBox_export->setVisible(false);
}

void TExportauswahl::FormActivate() {
    TMonatsAuswahl::FormActivate();
    waehle(12);
}
