#pragma once

#include <QDialog>

// "Über Kassol": the product, its version and its maker.
class TAboutBox final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* Version = "2026.04";
    explicit TAboutBox(QWidget* parent = nullptr);
};
