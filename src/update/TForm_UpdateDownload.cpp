#include "update/TForm_UpdateDownload.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <limits>

TForm_UpdateDownload::TForm_UpdateDownload(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("TForm_UpdateDownload"));
    setWindowTitle(QStringLiteral("Update Download"));
    setFixedSize(652, 80);
    QFont fett = font();
    fett.setBold(true);
    auto* label = new QLabel(QStringLiteral("Dateiname:"), this);
    label->setFont(fett);
    label->move(16, 8);
    label_FileName = new QLabel(this);
    label_FileName->setObjectName(QStringLiteral("label_FileName"));
    label_FileName->setFont(fett);
    label_FileName->setGeometry(120, 8, 652 - 120 - 16, label->sizeHint().height());
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(16, 56, 628, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Fortschritt des Downloads"));
}

int TForm_UpdateDownload::skaliert(qint64 wert) const {
    constexpr qint64 grenze = std::numeric_limits<int>::max();
    if (m_maximum <= grenze)
        return static_cast<int>(std::clamp<qint64>(wert, 0, grenze));
    return static_cast<int>(static_cast<double>(wert) / static_cast<double>(m_maximum) * grenze);
}

void TForm_UpdateDownload::setzeMaximum(qint64 groesse) {
    m_maximum = std::max<qint64>(groesse, 0);
    ProgressBar1->setMaximum(skaliert(m_maximum));
}

void TForm_UpdateDownload::setzePosition(qint64 position) {
    ProgressBar1->setValue(std::min(skaliert(position), ProgressBar1->maximum()));
}
