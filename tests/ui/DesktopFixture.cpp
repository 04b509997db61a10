#include "ui/DesktopFixture.h"

#include "app/IniFile.h"
#include "store/DM_KS.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace {
Folders desktopFolders(const QTemporaryDir& desktop) {
    Folders f;
    f.desktopFolder = desktop.path();
    f.programFolder = desktop.path();
    f.tempFolder = desktop.path();
    return f;
}
} // namespace

DesktopBooks::DesktopBooks(bool mitMandant)
    : books(desktopFolders(desktop)), app{books.helper, *books.dm, books.clock, ui} {
    if (!mitMandant)
        return;
    books.addClient(Mandant, QStringLiteral("Muster GmbH"), true, 2024, 1);
    books.addCircle(Mandant, 1, QStringLiteral("Waren"), QStringLiteral("WA"));
    books.addCircle(Mandant, 2, QStringLiteral("Büro"), QStringLiteral("BU"));
    books.db().exec(QStringLiteral("UPDATE T_Stammdaten SET GanzerName = 'Muster GmbH' WHERE mandant = 7"));
}

DesktopBooks::~DesktopBooks() {
    window.reset();
}

TForm_Kassol& DesktopBooks::start() {
    window = std::make_unique<TForm_Kassol>(app);
    QObject::connect(window.get(), &TForm_Kassol::programmEnde, [this] { ended = true; });
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->FAnwendungIstInitiiert() || ended; }, 5000));
    QApplication::processEvents();
    return *window;
}

QString DesktopBooks::iniValue(const QString& section, const QString& key) {
    return books.helper.GetIniInstance()->readString(section, key, QStringLiteral("<fehlt>"));
}

void fillVoucher(QDialog& d, const QString& betrag, const QString& satz, const QString& kreis, const QString& text) {
    in<QLineEdit>(d, "DBEdit_Betrag")->setText(betrag);
    in<QComboBox>(d, "DBCombo_Steuersatz")->setEditText(satz);
    auto* k = in<QComboBox>(d, "DBLookupComboBox1");
    k->setCurrentIndex(k->findText(kreis));
    if (!text.isNull())
        in<QComboBox>(d, "DBComboText")->setEditText(text);
}
