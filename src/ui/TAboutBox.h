#pragma once

#include <QDialog>

// "Über Kassol": the product, its version and its maker.
class TAboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
