#pragma once

#include <QDialog>

// The short description of the voucher entry, shown beside the dialog without blocking it.
class TFormBelegeingabeHilfe final : public QDialog {
    Q_OBJECT
public:
    explicit TFormBelegeingabeHilfe(QWidget* parent = nullptr);
};
