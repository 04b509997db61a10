#include "booking/TFormBelegeingabeHilfe.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* zeile(const QString& text, bool fett, int einzug, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont f = l->font();
    f.setBold(fett);
    l->setFont(f);
    l->setContentsMargins(einzug, 0, 0, 0);
    return l;
}

} // namespace

TFormBelegeingabeHilfe::TFormBelegeingabeHilfe(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormBelegeingabeHilfe"));
    setWindowTitle(QStringLiteral("Belegeingabe: Hilfe"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* titel = new QLabel(QStringLiteral("Belegeingabe: Kurzbeschreibung"), this);
    QFont tf = titel->font();
    tf.setBold(true);
    tf.setUnderline(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.2);
    titel->setFont(tf);
    layout->addWidget(titel);
    layout->addSpacing(8);

    const int einzug = 24;
    layout->addWidget(zeile(QStringLiteral("Klicken sie Einnahme oder Ausgabe an (oder Alt + E bzw. Alt + A)"), true, 0, this));
    layout->addSpacing(6);
    layout->addWidget(zeile(QStringLiteral("Belegdatum:"), true, 0, this));
    layout->addWidget(zeile(QStringLiteral("Eintippen oder auswählen (Pfeil anklicken)"), false, einzug, this));
    layout->addSpacing(6);
    layout->addWidget(zeile(QStringLiteral("Betrag in €"), true, 0, this));
    layout->addWidget(zeile(QStringLiteral("Es wird der Bruttobetrag eingegeben"), false, einzug, this));
    layout->addSpacing(6);
    layout->addWidget(zeile(QStringLiteral("Innergemeinschaftlich: (Import aus einem EU-Land)"), true, 0, this));
    layout->addWidget(zeile(QStringLiteral("Es wird der Nettobetrag angegeben, die 20% Steuerbuchungen erfolgen automatisch."),
                            false, einzug, this));
    layout->addSpacing(6);
    layout->addWidget(zeile(QStringLiteral("Einfuhr aus Drittland: (Import aus einem nicht-EU-Land)"), true, 0, this));
    layout->addWidget(zeile(QStringLiteral("Dieser Schalter wird nur gebraucht,  um die  Einfuhrumsatzsteuer, die beim "
                                           "Zollamt bezahlt wurde, zu verbuchen."),
                            false, einzug, this));
    layout->addWidget(zeile(QStringLiteral("Der Steuersatz ist 0%."), false, einzug, this));
    layout->addWidget(zeile(QStringLiteral("Der eigentliche Rechnungsbetrag wird als normale Ausgabe ebenfalls mit einem "
                                           "Steuersatz von 0% verbucht."),
                            false, einzug, this));
    layout->addSpacing(10);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("SchalterOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(460, sizeHint().height());
}
