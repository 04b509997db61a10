#pragma once

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>

// Small pieces the administration dialogs share.
namespace DialogTeile {

inline QLabel* label(const QString& text, QWidget* parent, bool fett = false, const QString& farbe = {}) {
    auto* l = new QLabel(text, parent);
    if (fett) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    if (!farbe.isEmpty())
        l->setStyleSheet(QStringLiteral("color: %1;").arg(farbe));
    return l;
}

inline QPushButton* knopf(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Enter belongs to the list's double-click; no button takes it over.
    b->setAutoDefault(false);
    // Screen readers read the caption without the line breaks of the two-line buttons.
    QString klar = text;
    klar.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).remove(QLatin1Char('&'));
    b->setAccessibleName(klar);
    return b;
}

// The id of the highlighted row of a list, or -1 when none is highlighted.
inline int markierteId(const QListWidget* liste) {
    const QListWidgetItem* item = liste->currentItem();
    return item && item->isSelected() ? item->data(Qt::UserRole).toInt() : -1;
}

// Highlights the row with the id; no row when none has it.
inline void markiere(QListWidget* liste, int id) {
    liste->clearSelection();
    liste->setCurrentItem(nullptr);
    for (int i = 0; i < liste->count(); ++i)
        if (liste->item(i)->data(Qt::UserRole).toInt() == id) {
            liste->setCurrentRow(i);
            liste->item(i)->setSelected(true);
            return;
        }
}

} // namespace DialogTeile
