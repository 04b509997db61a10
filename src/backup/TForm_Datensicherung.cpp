#include "backup/TForm_Datensicherung.h"

#include "app/THelperData.h"
#include "backup/Backup.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* hinweis(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    return l;
}

} // namespace

TForm_Datensicherung::TForm_Datensicherung(Anwendung& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TForm_Datensicherung"));
    setWindowTitle(QStringLiteral("Kassol :: Datensicherung"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* Label1 = new QLabel(QStringLiteral("Datensicherung"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    f.setUnderline(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    Label1->setFont(f);
    layout->addWidget(Label1);
    layout->addSpacing(6);
    layout->addWidget(hinweis(QStringLiteral("- Ziel auswählen"), this));
    layout->addWidget(hinweis(QStringLiteral("- Auf \"Jetzt sichern\" klicken"), this));
    layout->addSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("Es kann immer das gleiche Sicherungsmedium verwendet werden."), this));
    layout->addSpacing(6);

    auto* zielZeile = new QHBoxLayout;
    BitBtn3 = new QPushButton(QIcon::fromTheme(QStringLiteral("folder")), QStringLiteral("Ziel"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    CheckBox1 = new QCheckBox(QStringLiteral("Datei nur kopieren, nicht zippen"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    zielZeile->addWidget(BitBtn3);
    zielZeile->addSpacing(12);
    zielZeile->addWidget(CheckBox1);
    zielZeile->addStretch();
    layout->addLayout(zielZeile);

    Label6 = new QLabel(this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setFrameShape(QFrame::StyledPanel);
    Label6->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label6->setAccessibleName(QStringLiteral("Sicherungsziel"));
    layout->addWidget(Label6);

    Label5 = hinweis(QStringLiteral("Datensicherung läuft..."), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setVisible(false);
    layout->addWidget(Label5);
    layout->addSpacing(6);

    auto* knoepfe = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("Jetzt sichern"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Beenden ohne Sicherung"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    BitBtn3->setAutoDefault(false);
    knoepfe->addStretch();
    knoepfe->addWidget(BitBtn1);
    knoepfe->addWidget(BitBtn2);
    layout->addLayout(knoepfe);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, CheckBox1);
    BitBtn1->setFocus();

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Datensicherung::BitBtn1Click);
    // Escape and the close box reject the dialog, which is the same as leaving without a backup.
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm_Datensicherung::BitBtn3Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm_Datensicherung::CheckBox1Click);
    FormActivate();
    resize(480, sizeHint().height());
}

void TForm_Datensicherung::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
}

void TForm_Datensicherung::done(int result) {
    m_sicherungFertig = true;
    QDialog::done(result);
}

void TForm_Datensicherung::FormActivate() {
    mitFehleranzeige(m_app.ui, [this] {
        const Sicherungseinstellungen s = Datensicherung::lese(m_app.helper);
        Label6->setText(QDir::toNativeSeparators(s.ziel));
        CheckBox1->setChecked(s.nichtZippen);
    });
}

void TForm_Datensicherung::CheckBox1Click(bool checked) {
    mitFehleranzeige(m_app.ui, [&] { Datensicherung::schreibeNichtZippen(m_app.helper, checked); });
}

void TForm_Datensicherung::BitBtn3Click() {
    const Sicherungseinstellungen s = Datensicherung::lese(m_app.helper);
    const QString name = QString::fromLatin1(CheckBox1->isChecked() ? Datensicherung::KopieName : Datensicherung::ArchivName);
    const QString gewaehlt = m_app.ui.saveFileName(QStringLiteral("Ziel"), QDir(s.ziel).filePath(name),
                                                   CheckBox1->isChecked() ? QStringLiteral("Datenbank (*.mdb)")
                                                                          : QStringLiteral("Zip-Archiv (*.zip)"));
    if (gewaehlt.isEmpty())
        return;
    // Only the folder counts; the backup always bears its own name.
    QString ordner = QFileInfo(gewaehlt).absolutePath();
    if (!ordner.endsWith(QLatin1Char('/')))
        ordner += QLatin1Char('/');
    mitFehleranzeige(m_app.ui, [&] {
        Datensicherung::schreibeZiel(m_app.helper, ordner);
        Label6->setText(QDir::toNativeSeparators(ordner));
    });
}

void TForm_Datensicherung::BitBtn1Click() {
    Label5->setVisible(true);
    for (QWidget* w : {static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(BitBtn3),
                       static_cast<QWidget*>(CheckBox1)})
        w->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The label must be seen before the long work starts.
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    Sicherungsergebnis ergebnis;
    const bool ohneFehler = mitFehleranzeige(m_app.ui, [&] {
        ergebnis = Datensicherung::sichern(m_app.helper, QDir::fromNativeSeparators(Label6->text()), CheckBox1->isChecked());
    });
    QApplication::restoreOverrideCursor();
    Label5->setVisible(false);
    for (QWidget* w : {static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(BitBtn3),
                       static_cast<QWidget*>(CheckBox1)})
        w->setEnabled(true);
    if (!ohneFehler)
        return;
    m_app.ui.information(ergebnis.meldung);
    if (ergebnis.erfolgreich)
        accept();
}
