#include "ui/TAboutBox.h"

#include "update/Version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* produkt = new QLabel(QStringLiteral("Kassol"), this);
    produkt->setObjectName(QStringLiteral("ProductName"));
    QFont f = produkt->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.6);
    produkt->setFont(f);
    layout->addWidget(produkt, 0, Qt::AlignHCenter);
    auto* version = new QLabel(QStringLiteral("Version: ") + Programmversion::laufende().text(), this);
    version->setObjectName(QStringLiteral("Version"));
    layout->addWidget(version, 0, Qt::AlignHCenter);
    auto* hersteller = new QLabel(QStringLiteral("Norvik"), this);
    hersteller->setObjectName(QStringLiteral("Copyright"));
    layout->addWidget(hersteller, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setMinimumWidth(280);
}
