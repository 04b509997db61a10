#include "ui/TForm_Kassol.h"

#include "admin/MasterData.h"
#include "admin/Clients.h"
#include "admin/TFormBuchungsKreisAuswahl.h"
#include "admin/TFormBuchungskreis.h"
#include "admin/TFormZeitraum.h"
#include "admin/TMandantenauswahl.h"
#include "admin/TStammdaten.h"
#include "app/Clock.h"
#include "app/Currency.h"
#include "app/Formats.h"
#include "backup/TForm_Datensicherung.h"
#include "booking/BookingList.h"
#include "booking/TFormBelegeingabeHilfe.h"
#include "booking/Totals.h"
#include "export/TExportansicht.h"
#include "reports/TMonatsAuswahl.h"
#include "store/ChangeNotifier.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ClickableLabel.h"
#include "ui/ErrorDisplay.h"
#include "ui/TAboutBox.h"
#include "update/WebUpdate.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QString ListenHinweis = QStringLiteral(
    "Mit einem Doppelklick können sie eine Buchung ändern\r\nMit Entf können sie eine Buchung löschen.");

QLabel* text(const QString& t, QWidget* parent, const QString& farbe = {}, bool fett = false) {
    auto* l = new QLabel(t, parent);
    QString style;
    if (!farbe.isEmpty())
        style += QStringLiteral("color: %1;").arg(farbe);
    if (fett)
        style += QStringLiteral("font-weight: bold;");
    l->setStyleSheet(style);
    return l;
}

ClickableLabel* verweis(const QString& name, const QString& hinweis, QWidget* parent) {
    auto* l = new ClickableLabel(parent);
    l->setObjectName(name);
    l->setStyleSheet(QStringLiteral("color: navy; font-weight: bold;"));
    l->setCursor(Qt::PointingHandCursor);
    l->setToolTip(hinweis);
    return l;
}

QTableView* liste(const QString& name, Buchungsliste* model, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(false);
    grid->setShowGrid(true);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setSectionResizeMode(Buchungsliste::Buchungstext, QHeaderView::Stretch);
    grid->setColumnWidth(Buchungsliste::Buchungsdatum, 100);
    grid->setColumnWidth(Buchungsliste::Belegnummer, 90);
    grid->setColumnWidth(Buchungsliste::Steuersatz, 80);
    grid->setColumnWidth(Buchungsliste::Betrag, 110);
    grid->setColumnWidth(Buchungsliste::Buchungstext, 300);
    grid->setColumnWidth(Buchungsliste::BK, 40);
    // The selected row stays visible while the other list has the focus.
    QPalette p = grid->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    grid->setPalette(p);
    return grid;
}

} // namespace

TForm_Kassol::TForm_Kassol(Anwendung& app, QWidget* parent) : QMainWindow(parent), m_app(app) {
    // The current year's figures are read on the other core while the window is built and shown.
    summenVorbereiten(app.dm);
    setObjectName(QStringLiteral("TForm_Kassol"));
    setWindowTitle(QStringLiteral("Norvik :: Kassol"));
    m_ein = new Buchungsliste(app.dm, 1, this);
    m_aus = new Buchungsliste(app.dm, 2, this);
    baueOberflaeche();
    baueMenue();
    m_about = std::make_unique<TAboutBox>(this);
    m_stammdaten = std::make_unique<TStammdaten>(app, this);
    m_mandanten = std::make_unique<TMandantenauswahl>(app, this);
    m_zeitraum = std::make_unique<TFormZeitraum>(app, this);
    m_buchungskreise = std::make_unique<TFormBuchungskreis>(app, this);
    m_kreisAuswahl = std::make_unique<TFormBuchungsKreisAuswahl>(app, this);
    m_hilfe = std::make_unique<TFormBelegeingabeHilfe>(this);
    m_datensicherung = std::make_unique<TForm_Datensicherung>(app, this);
    m_monatsAuswahl = std::make_unique<TMonatsAuswahl>(this);
    m_exportAuswahl = std::make_unique<TExportauswahl>(this);
    m_exportansicht = std::make_unique<TExportansicht>(app, this);
    connect(&app.dm.melder(), &Aenderungsmelder::geaendert, this, &TForm_Kassol::planeAktualisierung);
    FormCreate();
}

TForm_Kassol::~TForm_Kassol() = default;

void TForm_Kassol::baueOberflaeche() {
    m_inhalt = new QWidget(this);
    m_inhalt->setObjectName(QStringLiteral("PanelInhalt"));
    setCentralWidget(m_inhalt);

    auto* kopf = new QWidget(m_inhalt);
    kopf->setObjectName(QStringLiteral("PanelKopf"));
    auto* kopfLayout = new QGridLayout(kopf);
    kopfLayout->setContentsMargins(8, 6, 8, 0);
    LabelMandant = verweis(QStringLiteral("LabelMandant"), QStringLiteral("Mit einem Klick können sie den Mandanten wechseln"), kopf);
    LabelJahr = verweis(QStringLiteral("LabelJahr"), QStringLiteral("Mit einem Klick können sie das Wirtschaftsjahr wechseln"), kopf);
    auto* mandantText = text(QStringLiteral("Aktueller Mandant:"), kopf, {}, true);
    auto* jahrText = text(QStringLiteral("Aktuelles Wirtschaftsjahr:"), kopf, {}, true);
    mandantText->setBuddy(LabelMandant);
    jahrText->setBuddy(LabelJahr);
    Label7 = new ClickableLabel(QStringLiteral("Die Entertaste öffnet die Buchungsmaske..."), kopf);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setStyleSheet(QStringLiteral("color: green; font-weight: bold; font-size: 12pt;"));
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setToolTip(QStringLiteral("Sie können mich auch anklicken..."));
    kopfLayout->addWidget(mandantText, 0, 0);
    kopfLayout->addWidget(LabelMandant, 0, 1);
    kopfLayout->addWidget(jahrText, 1, 0);
    kopfLayout->addWidget(LabelJahr, 1, 1);
    kopfLayout->addWidget(Label7, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    kopfLayout->setColumnStretch(1, 1);
    kopf->setGeometry(0, 0, 800, PanelAbstand - 6);
    kopf->setProperty("istKopf", true);

    const auto panel = [this](const QString& name, const QString& titel, const QString& farbe, const QString& gesamtName,
                              const QString& steuerText, const QString& steuerName, QLabel*& gesamt, QLabel*& steuer,
                              QTableView*& grid, const QString& gridName, Buchungsliste* model) {
        auto* p = new QWidget(m_inhalt);
        p->setObjectName(name);
        auto* l = new QHBoxLayout(p);
        l->setContentsMargins(8, 0, 8, 0);
        auto* spalte = new QVBoxLayout;
        auto* kopfZeile = new QHBoxLayout;
        kopfZeile->addWidget(text(titel, p, farbe, true));
        kopfZeile->addWidget(text(QStringLiteral("(Brutto)"), p));
        kopfZeile->addStretch();
        spalte->addLayout(kopfZeile);
        spalte->addSpacing(8);
        auto* gesamtText = text(QStringLiteral("Gesamt"), p);
        gesamt = text(Formats::euro(Currency()), p, {}, true);
        gesamt->setObjectName(gesamtName);
        gesamt->setAlignment(Qt::AlignRight);
        auto* steuerLabel = text(steuerText, p, QStringLiteral("purple"));
        steuer = text(Formats::euro(Currency()), p, QStringLiteral("purple"), true);
        steuer->setObjectName(steuerName);
        steuer->setAlignment(Qt::AlignRight);
        for (QLabel* wert : {gesamt, steuer})
            wert->setTextInteractionFlags(Qt::TextSelectableByMouse);
        spalte->addWidget(gesamtText);
        spalte->addWidget(gesamt);
        spalte->addSpacing(4);
        spalte->addWidget(steuerLabel);
        spalte->addWidget(steuer);
        spalte->addStretch();
        auto* spaltenWidget = new QWidget(p);
        spaltenWidget->setLayout(spalte);
        spaltenWidget->setFixedWidth(170);
        l->addWidget(spaltenWidget);
        grid = liste(gridName, model, p);
        grid->setAccessibleName(titel);
        l->addWidget(grid, 1);
        return p;
    };
    Panel1 = panel(QStringLiteral("Panel1"), QStringLiteral("Einnahmen"), QStringLiteral("navy"), QStringLiteral("Label_Einnahmen"),
                   QStringLiteral("UST"), QStringLiteral("Label_Ust"), Label_Einnahmen, Label_Ust, Grid_Ein,
                   QStringLiteral("Grid_Ein"), m_ein);
    Panel2 = panel(QStringLiteral("Panel2"), QStringLiteral("Ausgaben"), QStringLiteral("maroon"), QStringLiteral("Label_Ausgaben"),
                   QStringLiteral("VST"), QStringLiteral("Label_Vst"), Label_Ausgaben, Label_Vst, Grid_Aus,
                   QStringLiteral("Grid_Aus"), m_aus);
    setTabOrder(Grid_Ein, Grid_Aus);

    connect(LabelMandant, &ClickableLabel::clicked, this, &TForm_Kassol::Mandanten1Click);
    connect(LabelJahr, &ClickableLabel::clicked, this, &TForm_Kassol::Wirtschaftsjahre1Click);
    connect(Label7, &ClickableLabel::clicked, this, &TForm_Kassol::Buchen1Click);
    connect(Grid_Ein, &QTableView::doubleClicked, this, [this] { GridDblClick(true); });
    connect(Grid_Aus, &QTableView::doubleClicked, this, [this] { GridDblClick(false); });
    Grid_Ein->installEventFilter(this);
    Grid_Aus->installEventFilter(this);
}

void TForm_Kassol::baueMenue() {
    QMenuBar* leiste = menuBar();
    const auto eintrag = [this](QMenu* menu, const QString& name, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* datei = leiste->addMenu(QStringLiteral("&Datei"));
    datei->setObjectName(QStringLiteral("Datei1"));
    eintrag(datei, QStringLiteral("Beenden1"), QStringLiteral("Been&den"), &TForm_Kassol::Beenden1Click);

    QAction* buchen = leiste->addAction(QStringLiteral("&Buchen"));
    buchen->setObjectName(QStringLiteral("Buchen1"));
    connect(buchen, &QAction::triggered, this, &TForm_Kassol::Buchen1Click);

    QMenu* verwalten = leiste->addMenu(QStringLiteral("Verwalten"));
    verwalten->setObjectName(QStringLiteral("Verwalten1"));
    eintrag(verwalten, QStringLiteral("Stammdaten1"), QStringLiteral("Stammdaten"), &TForm_Kassol::Stammdaten1Click);
    eintrag(verwalten, QStringLiteral("Mandanten1"), QStringLiteral("Mandanten"), &TForm_Kassol::Mandanten1Click);
    eintrag(verwalten, QStringLiteral("Wirtschaftsjahrauswhlen1"), QStringLiteral("Wirtschaftsjahre"), &TForm_Kassol::Wirtschaftsjahre1Click);
    eintrag(verwalten, QStringLiteral("Buchungskreise1"), QStringLiteral("Buchungskreise"), &TForm_Kassol::Buchungskreise1Click);
    verwalten->addSeparator();
    eintrag(verwalten, QStringLiteral("Iconerstellen1"), QStringLiteral("Icon erstellen..."), &TForm_Kassol::Iconerstellen1Click);

    QMenu* auswerten = leiste->addMenu(QStringLiteral("Auswerten"));
    auswerten->setObjectName(QStringLiteral("Auswerten1"));
    eintrag(auswerten, QStringLiteral("USTVerprobung1"), QStringLiteral("UST-Verprobung"), &TForm_Kassol::USTVerprobung1Click);
    eintrag(auswerten, QStringLiteral("Journal1"), QStringLiteral("Journal"), &TForm_Kassol::Journal1Click);
    eintrag(auswerten, QStringLiteral("BuchungskreisAuswertung1"), QStringLiteral("Buchungskreis-Auswertung"), &TForm_Kassol::BuchungskreisAuswertung1Click);
    eintrag(auswerten, QStringLiteral("BuchungskreisDetails1"), QStringLiteral("Buchungskreis Details"), &TForm_Kassol::BuchungskreisDetails1Click);
    eintrag(auswerten, QStringLiteral("Plus_Minus"), QStringLiteral("Plus - Minus"), &TForm_Kassol::Plus_MinusClick);

    QMenu* exportMenu = leiste->addMenu(QStringLiteral("Export"));
    exportMenu->setObjectName(QStringLiteral("Export1"));
    eintrag(exportMenu, QStringLiteral("Finanzamt1"), QStringLiteral("Finanzamt"), &TForm_Kassol::Finanzamt1Click);

    QMenu* info = leiste->addMenu(QStringLiteral("Info"));
    info->setObjectName(QStringLiteral("Info1"));
    eintrag(info, QStringLiteral("UeberKassol1"), QStringLiteral("Über Kassol"), &TForm_Kassol::UeberKassolClick);
}

void TForm_Kassol::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm_Kassol::FormResize() {
    const int h = m_inhalt->height();
    const int w = m_inhalt->width();
    const int a = static_cast<int>(std::ceil((h - PanelAbstand) / 2.0));
    for (QObject* o : m_inhalt->children())
        if (auto* kopf = qobject_cast<QWidget*>(o); kopf && kopf->property("istKopf").toBool())
            kopf->setGeometry(0, 0, w, PanelAbstand - 6);
    Panel1->setGeometry(0, PanelAbstand, w, std::max(0, a - 6));
    Panel2->setGeometry(0, a + PanelAbstand, w, std::max(0, a - 6));
}

void TForm_Kassol::Berechne() {
    TDM_EinAus& dm = m_app.dm;
    const int mandant = dm.gibAktiverMandant();
    // A client without a current year is offered one once; after a refusal the window shows zeros.
    // Not while a dialog of a command is open: its own follow-up asks when it has closed.
    if (mandant != -1 && !m_imBefehl && dm.gibZeitraum() == -1 && m_jahrAngebotenFuerMandant != mandant) {
        m_jahrAngebotenFuerMandant = mandant;
        bieteWirtschaftsjahrAn();
    }
    const Summen s = berechneSummen(dm, dm.gibZeitraum(), mandant);
    LabelJahr->setText(s.jahr ? QString::number(*s.jahr) : QStringLiteral("(kein Wirtschaftsjahr)"));
    LabelMandant->setText(s.mandantBezeichnung);
    Label_Einnahmen->setText(Formats::euro(s.einnahmen));
    Label_Ust->setText(Formats::euro(s.ust));
    Label_Ausgaben->setText(Formats::euro(s.ausgaben));
    Label_Vst->setText(Formats::euro(s.vst));
}

void TForm_Kassol::QueryStarten(int zeitraum, int mandant) {
    m_ein->QueryStarten(zeitraum, mandant);
    m_aus->QueryStarten(zeitraum, mandant);
}

void TForm_Kassol::AnzeigeAktualisieren() {
    if (!m_initiiert || m_beendet)
        return;
    // Read before the books, so that a change made meanwhile is shown at the next activation; a
    // refresh that fails is tried again then.
    const qint64 stand = m_app.dm.db().fremderStand();
    m_gezeigterFremderStand = -1;
    Berechne();
    QueryStarten(m_app.dm.gibZeitraum(), m_app.dm.gibAktiverMandant());
    m_gezeigterFremderStand = stand;
    // A reminder never cuts into a dialog the user is working in.
    if (!QApplication::activeModalWidget())
        erinnereAnStammdaten();
}

void TForm_Kassol::planeAktualisierung() {
    if (m_aktualisierungGeplant)
        return;
    m_aktualisierungGeplant = true;
    QTimer::singleShot(0, this, &TForm_Kassol::fuehreAktualisierungAus);
}

void TForm_Kassol::fuehreAktualisierungAus() {
    m_aktualisierungGeplant = false;
    mitFehleranzeige(m_app.ui, [this] { AnzeigeAktualisieren(); });
}

void TForm_Kassol::erinnereAnStammdaten() {
    const int mandant = m_app.dm.gibAktiverMandant();
    if (mandant == -1 || mandant == m_erinnertFuerMandant)
        return;
    m_erinnertFuerMandant = mandant;
    if (!StammdatenVerwaltung::lesen(m_app.dm).ganzerName.isEmpty())
        return;
    m_app.ui.information(QStringLiteral("Sie müssen noch die Stammdaten eintragen"));
    Stammdaten1Click();
}

void TForm_Kassol::Stammdaten1Click() {
    mitFehleranzeige(m_app.ui, [this] {
        m_stammdaten->FormActivate();
        m_app.ui.execDialog(*m_stammdaten);
    });
}

void TForm_Kassol::Mandanten1Click() {
    if (!m_initiiert || m_imBefehl)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, [this] {
        m_mandanten->FormActivate();
        m_app.ui.execDialog(*m_mandanten);
    });
    // However the dialog was used, the active client now needs a current year.
    mitFehleranzeige(m_app.ui, [this] { frageNachWirtschaftsjahr(); });
    m_imBefehl = false;
}

void TForm_Kassol::frageNachWirtschaftsjahr() {
    TDM_EinAus& dm = m_app.dm;
    const int mandant = dm.gibAktiverMandant();
    if (mandant == -1 || !Mandanten::brauchtWirtschaftsjahr(dm))
        return;
    // Answered here, so the refresh that follows does not ask once more.
    m_jahrAngebotenFuerMandant = mandant;
    QString text = QString::number(m_app.clock.today().year());
    for (;;) {
        // Cancel leaves the client without a year; the window shows it so.
        if (!m_app.ui.inputBox(QStringLiteral("Neues Wirtschaftsjahr"), QStringLiteral("Jahreszahl (zb: 2008)"), text))
            return;
        bool ok = false;
        const int jahr = text.trimmed().toInt(&ok);
        if (!ok) {
            m_app.ui.information(QStringLiteral("Geben sie das Jahr bitte 4-stellig an!"));
            continue;
        }
        if (mitFehleranzeige(m_app.ui, [&] { (void)Mandanten::wirtschaftsjahrEinrichten(dm, jahr); }))
            return;
    }
}

void TForm_Kassol::Wirtschaftsjahre1Click() {
    if (!m_initiiert || m_imBefehl)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, [this] {
        m_zeitraum->FormActivate();
        m_app.ui.execDialog(*m_zeitraum);
    });
    m_imBefehl = false;
}

void TForm_Kassol::Buchungskreise1Click() {
    if (!m_initiiert || m_imBefehl)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, [this] {
        m_buchungskreise->FormActivate();
        m_app.ui.execDialog(*m_buchungskreise);
    });
    m_imBefehl = false;
}

void TForm_Kassol::UeberKassolClick() {
    m_app.ui.execDialog(*m_about);
}
