#include "export/TExportansicht.h"

#include "app/Formats.h"
#include "app/THelperData.h"
#include "ui/Anwendung.h"
#include "ui/Arbeitsanzeige.h"
#include "ui/ErrorDisplay.h"
#include "ui/WidgetInteraction.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

// The export rows as the grid shows them; the file holds exactly these texts.
class ExportModell final : public QAbstractTableModel {
public:
    enum Spalte { Buchungsdatum, Belegnummer, Text, BruttoBetrag, Steuersatz, VST, UST, Spalten };

    using QAbstractTableModel::QAbstractTableModel;

    void setze(std::vector<ExportZeile> zeilen) {
        beginResetModel();
        m_zeilen = std::move(zeilen);
        endResetModel();
    }
    const std::vector<ExportZeile>& zeilen() const { return m_zeilen; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_zeilen.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : Spalten; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const ExportZeile& z = m_zeilen[static_cast<std::size_t>(index.row())];
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(index.column() == Text || index.column() == Buchungsdatum ? Qt::AlignLeft | Qt::AlignVCenter
                                                                                                 : Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case Buchungsdatum: return Formats::date(z.buchungsdatum);
        case Belegnummer: return Formats::integer(z.belegnummer);
        case Text: return z.text;
        case BruttoBetrag: return Formats::shortestDecimal(z.bruttoBetrag);
        case Steuersatz: return Formats::integer(z.steuersatz);
        case VST: return Formats::shortestDecimal(z.vst);
        case UST: return Formats::shortestDecimal(z.ust);
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titel[] = {"Buchungsdatum", "Belegnummer", "Text", "BruttoBetrag", "Steuersatz", "VST", "UST"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < Spalten)
            return QString::fromLatin1(titel[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    std::vector<ExportZeile> m_zeilen;
};

namespace {

QLabel* hilfetext(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

} // namespace

TExportHilfe::TExportHilfe(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TExportHilfe"));
    setWindowTitle(QStringLiteral("Hilfe zum Finanzamtexport"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* rahmen = new QGroupBox(this);
    rahmen->setObjectName(QStringLiteral("GroupBox1"));
    auto* texte = new QVBoxLayout(rahmen);
    texte->addWidget(hilfetext(QStringLiteral("Nach dem Drücken des  Schalters \"Exportieren\"  öffnet sich ein Auswahlfeld, mit "
                                              "dessen Standardvorgaben der Export durchgeführt wird."),
                               rahmen));
    texte->addWidget(hilfetext(QStringLiteral("Die gespeicherte Datei kann vom Finanzamt dann verwendet werden."), rahmen));
    texte->addWidget(hilfetext(QStringLiteral("Diese Funktion wird nur bei einer Steuerprüfung benötigt."), rahmen));
    layout->addWidget(rahmen);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedWidth(380);
}

TExportDialog::TExportDialog(ExportZiel& ziel, QWidget* parent) : QDialog(parent), m_ziel(ziel) {
    setObjectName(QStringLiteral("TExportDialog"));
    setWindowTitle(QStringLiteral("Export Finanzamt"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* rahmen = new QGroupBox(QStringLiteral(" %1 ").arg(QStringLiteral("E&xport Formate:")), this);
    rahmen->setObjectName(QStringLiteral("GroupBoxFormate"));
    auto* innen = new QVBoxLayout(rahmen);
    ComboBoxFormat = new QComboBox(rahmen);
    ComboBoxFormat->setObjectName(QStringLiteral("ComboBoxFormat"));
    ComboBoxFormat->setAccessibleName(QStringLiteral("Export Formate"));
    ComboBoxFormat->addItem(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Tab-Separated Text"));
    ComboBoxFormat->setCurrentIndex(0);
    RadioButtonAnsicht = new QRadioButton(QStringLiteral("&Ansicht"), rahmen);
    RadioButtonAnsicht->setObjectName(QStringLiteral("RadioButtonAnsicht"));
    RadioButtonDatei = new QRadioButton(QStringLiteral("Export &in Datei"), rahmen);
    RadioButtonDatei->setObjectName(QStringLiteral("RadioButtonDatei"));
    innen->addWidget(ComboBoxFormat);
    innen->addWidget(RadioButtonAnsicht);
    innen->addWidget(RadioButtonDatei);
    layout->addWidget(rahmen);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    auto* exportieren = new QPushButton(QStringLiteral("&Exportieren"), this);
    exportieren->setObjectName(QStringLiteral("ButtonExportieren"));
    exportieren->setDefault(true);
    auto* abbruch = new QPushButton(QStringLiteral("&Abbruch"), this);
    abbruch->setObjectName(QStringLiteral("ButtonAbbruch"));
    knoepfe->addWidget(exportieren);
    knoepfe->addWidget(abbruch);
    layout->addLayout(knoepfe);

    connect(RadioButtonAnsicht, &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            m_ziel = ExportZiel::Ansicht;
    });
    connect(RadioButtonDatei, &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            m_ziel = ExportZiel::Datei;
    });
    connect(exportieren, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbruch, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(280);
}

void TExportDialog::FormActivate() {
    const bool ansicht = m_ziel == ExportZiel::Ansicht;
    (ansicht ? RadioButtonAnsicht : RadioButtonDatei)->setChecked(true);
    // Tab stops at the checked target; the arrow keys move between the two.
    RadioButtonAnsicht->setFocusPolicy(ansicht ? Qt::StrongFocus : Qt::ClickFocus);
    RadioButtonDatei->setFocusPolicy(ansicht ? Qt::ClickFocus : Qt::StrongFocus);
    ComboBoxFormat->setFocus();
}

TExportansicht::TExportansicht(Anwendung& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setObjectName(QStringLiteral("TExportansicht"));
    setWindowTitle(QStringLiteral("Exportansicht"));
    setModal(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* oben = new QHBoxLayout;
    auto* BitBtn2 = new QPushButton(QStringLiteral("Exportieren"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* BitBtn3 = new QPushButton(QStringLiteral("&Hilfe zu dieser Funktion"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    auto* BitBtn1 = new QPushButton(QStringLiteral("&Schließen"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    for (QPushButton* b : {BitBtn2, BitBtn3, BitBtn1})
        b->setAutoDefault(false);
    oben->addWidget(BitBtn2);
    oben->addWidget(BitBtn3);
    oben->addStretch(1);
    oben->addWidget(BitBtn1);
    layout->addLayout(oben);

    m_modell = new ExportModell(this);
    DBGrid_Finanzamt = new QTableView(this);
    DBGrid_Finanzamt->setObjectName(QStringLiteral("DBGrid_Finanzamt"));
    DBGrid_Finanzamt->setAccessibleName(QStringLiteral("Zu exportierende Buchungen"));
    DBGrid_Finanzamt->setModel(m_modell);
    DBGrid_Finanzamt->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid_Finanzamt->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid_Finanzamt->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid_Finanzamt->setTabKeyNavigation(false);
    DBGrid_Finanzamt->verticalHeader()->setVisible(false);
    DBGrid_Finanzamt->verticalHeader()->setDefaultSectionSize(DBGrid_Finanzamt->fontMetrics().height() + 6);
    layout->addWidget(DBGrid_Finanzamt, 1);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, BitBtn1);
    setTabOrder(BitBtn1, DBGrid_Finanzamt);
    // Room for the seven columns at their widths.
    setMinimumSize(660, 420);
    resize(720, 500);

    m_exportDialog = new TExportDialog(m_ziel, this);
    m_hilfe = new TExportHilfe(this);
    connect(BitBtn2, &QPushButton::clicked, this, &TExportansicht::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TExportansicht::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TExportansicht::reject);
}

TExportansicht::~TExportansicht() = default;

void TExportansicht::zeige(std::vector<ExportZeile> zeilen) {
    m_modell->setze(std::move(zeilen));
    if (m_modell->rowCount() > 0)
        DBGrid_Finanzamt->selectRow(0);
}

void TExportansicht::FormActivate() {
    const int breiten[] = {90, 70, 180, 70, 70, 60, 60};
    for (int i = 0; i < ExportModell::Spalten; ++i)
        DBGrid_Finanzamt->setColumnWidth(i, breiten[i]);
    DBGrid_Finanzamt->setFocus();
}

void TExportansicht::reject() {
    done(2);
}

void TExportansicht::BitBtn3Click() {
    m_app.ui.execDialog(*m_hilfe);
}

QString TExportansicht::dateiFuerExport(QString& gewaehlt) {
    QString name = m_dateiname;
    bool vomDialog = false;
    if (name.isEmpty()) {
        name = m_app.ui.saveFileName(QStringLiteral("Save document"), m_app.helper.folders().programFolder,
                                     QStringLiteral("Text (Tab getrennt) (*.txt *.TXT)"));
        if (name.isEmpty())
            return {};
        vomDialog = true;
    }
    const QString pfad = FinanzamtExport::txtDateiname(QFileInfo(name).absoluteFilePath());
    // The save dialog has asked about the name it returned; the ".TXT" rule may name another file,
    // and a remembered name may by now hold an earlier export.
    const bool schonGefragt = vomDialog && QFileInfo(name).absoluteFilePath() == pfad;
    if (!schonGefragt && QFileInfo::exists(pfad)) {
        const auto antwort = m_app.ui.confirmation(
            QStringLiteral("Die Datei \u201E%1\u201C gibt es schon.\r\nSoll sie ersetzt werden?\r\n\r\n"
                           "Mit \u201ENein\u201C wird nichts geschrieben; beim nächsten Export können Sie einen anderen "
                           "Dateinamen wählen.")
                .arg(QDir::toNativeSeparators(pfad)),
            {UserInteraction::Answer::Yes, UserInteraction::Answer::No});
        if (antwort != UserInteraction::Answer::Yes) {
            m_dateiname.clear();
            return {};
        }
    }
    gewaehlt = name;
    return pfad;
}

bool TExportansicht::schreibe(const QString& pfad, int& ersetzt) {
    return mitFehleranzeige(m_app.ui, [&] {
        const auto& zeilen = m_modell->zeilen();
        Arbeitsanzeige anzeige(QStringLiteral("Export Finanzamt"), static_cast<int>(zeilen.size()), this);
        const QByteArray inhalt = FinanzamtExport::dateiinhalt(zeilen, [&anzeige](int n) { anzeige.schritt(n); }, &ersetzt);
        FinanzamtExport::schreibe(pfad, inhalt);
    });
}

void TExportansicht::BitBtn2Click() {
    m_exportDialog->FormActivate();
    if (m_app.ui.execDialog(*m_exportDialog) != QDialog::Accepted)
        return;
    const ExportZiel ziel = m_ziel;
    QString gewaehlt;
    const QString pfad = ziel == ExportZiel::Datei ? dateiFuerExport(gewaehlt)
                                                   : FinanzamtExport::ansichtsDateiname(m_app.helper.folders().tempFolder);
    if (pfad.isEmpty())
        return;
    int ersetzt = 0;
    if (!schreibe(pfad, ersetzt))
        return;
    const QString hinweis = FinanzamtExport::ersetztHinweis(ersetzt);
    if (ziel == ExportZiel::Ansicht) {
        if (!hinweis.isEmpty())
            m_app.ui.information(hinweis);
        m_app.ui.openFile(pfad);
        return;
    }
    // Remembered only once written, so that a name that cannot be written is asked for anew.
    m_dateiname = gewaehlt;
    QString meldung = QStringLiteral("Die Exportdatei \u201E%1\u201C wurde geschrieben.").arg(QDir::toNativeSeparators(pfad));
    if (!hinweis.isEmpty())
        meldung += QStringLiteral("\r\n\r\n") + hinweis;
    m_app.ui.information(meldung);
}
