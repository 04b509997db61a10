#include "admin/TFormBuchungskreisNeu.h"

#include "admin/DialogTeile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace DialogTeile;

TFormBuchungskreisNeu::TFormBuchungskreisNeu(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormBuchungskreisNeu"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* felder = new QGridLayout;
    DBEdit1 = new QLineEdit(this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setMaxLength(50);
    DBEdit1->setMinimumWidth(280);
    DBEdit2 = new QLineEdit(this);
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    DBEdit2->setMaxLength(2);
    DBEdit2->setMaximumWidth(60);
    QLabel* l1 = label(QStringLiteral("Bezeichnung"), this);
    QLabel* l2 = label(QStringLiteral("Kurz (1 - 2 Zeichen)"), this);
    l1->setBuddy(DBEdit1);
    l2->setBuddy(DBEdit2);
    felder->addWidget(l1, 0, 0);
    felder->addWidget(DBEdit1, 1, 0);
    felder->addWidget(l2, 2, 0);
    felder->addWidget(DBEdit2, 3, 0, Qt::AlignLeft);
    layout->addLayout(felder);

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
    setTabOrder(DBEdit1, DBEdit2);
    setTabOrder(DBEdit2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(Abbruch); });
}

void TFormBuchungskreisNeu::FormActivate(bool neu, const QString& name, const QString& kurz) {
    setWindowTitle(neu ? QStringLiteral("Neuer Buchungskreis") : QStringLiteral("Buchungskreis bearbeiten"));
    DBEdit1->setText(name);
    DBEdit2->setText(kurz);
}

QString TFormBuchungskreisNeu::name() const {
    return DBEdit1->text();
}
QString TFormBuchungskreisNeu::kurz() const {
    return DBEdit2->text();
}

void TFormBuchungskreisNeu::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    DBEdit1->setFocus();
}
