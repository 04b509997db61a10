#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// The small window that shows the download of one file of an update: its name and the bytes
// received. It never blocks; the update closes it when the file has arrived.
class TForm_UpdateDownload final : public QDialog {
    Q_OBJECT
public:
    explicit TForm_UpdateDownload(QWidget* owner);

    // Sizes beyond the range of the bar are shown in proportion.
    void setzeMaximum(qint64 groesse);
    void setzePosition(qint64 position);

    QLabel* label_FileName = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

private:
    int skaliert(qint64 wert) const;
    qint64 m_maximum = 0;
};
