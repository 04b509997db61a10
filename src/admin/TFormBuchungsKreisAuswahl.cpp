#include "admin/TFormBuchungsKreisAuswahl.h"

#include "admin/BookingCircles.h"
#include "admin/DialogTeile.h"
#include "ui/Anwendung.h"

#include <QCheckBox>
#include <QGridLayout>

using namespace DialogTeile;

TFormBuchungsKreisAuswahl::TFormBuchungsKreisAuswahl(Anwendung& app, QWidget* parent)
    : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TFormBuchungsKreisAuswahl"));
    setWindowTitle(QStringLiteral("Buchungskreisauswahl"));
    setModal(true);
    auto* layout = new QGridLayout(this);
    DBLookupListBox1 = new QListWidget(this);
    DBLookupListBox1->setObjectName(QStringLiteral("DBLookupListBox1"));
    DBLookupListBox1->setAccessibleName(QStringLiteral("Buchungskreise"));
    DBLookupListBox1->setAccessibleDescription(QStringLiteral("Buchungskreis durch Doppelklick auswählen"));
    DBLookupListBox1->setMinimumSize(220, 220);
    layout->addWidget(DBLookupListBox1, 0, 0, 6, 1);
    layout->addWidget(label(QStringLiteral("Buchungskreis"), this, true, QStringLiteral("navy")), 0, 1);
    layout->addWidget(label(QStringLiteral("durch Doppelklick"), this, true, QStringLiteral("navy")), 1, 1);
    layout->addWidget(label(QStringLiteral("auswählen"), this, true, QStringLiteral("navy")), 2, 1);
    layout->setRowStretch(3, 1);
    CheckBox_export = new QCheckBox(QStringLiteral("Datenexport"), this);
    CheckBox_export->setObjectName(QStringLiteral("CheckBox_export"));
    CheckBox_export->setVisible(false);
    layout->addWidget(CheckBox_export, 4, 1);
    auto* BitBtn1 = knopf(QStringLiteral("BitBtn1"), QStringLiteral("Alle Buchungskreise"), this);
    BitBtn1->setStyleSheet(QStringLiteral("color: green; font-weight: bold;"));
    auto* BitBtn2 = knopf(QStringLiteral("BitBtn2"), QStringLiteral("Abbrechen"), this);
    BitBtn2->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    layout->addWidget(BitBtn1, 6, 0);
    layout->addWidget(BitBtn2, 6, 1);

    setTabOrder(DBLookupListBox1, CheckBox_export);
    setTabOrder(CheckBox_export, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(DBLookupListBox1, &QListWidget::itemActivated, this,
            &TFormBuchungsKreisAuswahl::DBLookupListBox1DblClick);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(Alle); });
    connect(BitBtn2, &QPushButton::clicked, this, &TFormBuchungsKreisAuswahl::reject);
}

void TFormBuchungsKreisAuswahl::FormActivate(bool exportZeigen) {
    CheckBox_export->setVisible(exportZeigen);
    DBLookupListBox1->clear();
    for (const BuchungskreisEintrag& k : Buchungskreise::liste(m_app.dm)) {
        auto* item = new QListWidgetItem(k.name, DBLookupListBox1);
        item->setData(Qt::UserRole, k.id);
    }
    if (DBLookupListBox1->count() > 0)
        DBLookupListBox1->setCurrentRow(0);
    DBLookupListBox1->setFocus();
}

bool TFormBuchungsKreisAuswahl::datenexport() const {
    return CheckBox_export->isChecked();
}

void TFormBuchungsKreisAuswahl::DBLookupListBox1DblClick() {
    const QListWidgetItem* item = DBLookupListBox1->currentItem();
    if (item)
        done(Alle + item->data(Qt::UserRole).toInt());
}

void TFormBuchungsKreisAuswahl::reject() {
    // "Abbrechen", Escape and the close box all give Cancel.
    done(Abgebrochen);
}
