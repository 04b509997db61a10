#include "migration/JetTestdaten.h"
#include "migration/JetUebernahme.h"
#include "migration/JetUebernahmeStart.h"

#include "app/Clock.h"
#include "store/DatabaseFile.h"
#include "support/ScriptedWidgetInteraction.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace jettest;

namespace {

class JetUebernahmeStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_vorher = standardJetLeser();
        schreibeDatei(jet(), jetKopf());
    }
    void TearDown() override { standardJetLeser() = m_vorher; }
    void lies(std::map<QString, JetTabelle> tabellen) {
        standardJetLeser() = [tabellen](const QString&) { return std::make_unique<TestLeser>(tabellen); };
    }
    QString jet() const { return dir.filePath(QStringLiteral("KS_tab.mdb")); }
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 1, 15), QTime(9, 0))};

private:
    JetLeserFabrik m_vorher;
};

TEST_F(JetUebernahmeStartTest, AskedAtStartUpTheBooksAreTakenOverWithProgressAndASummary) {
    lies(buecher());
    ASSERT_TRUE(hatJetDatenbank(dir.path()));
    ScriptedWidgetInteraction ui;
    ui.confirm(UserInteraction::Answer::Yes);
    EXPECT_TRUE(jetUebernahmeBeimStart(dir.path(), ui, clock));
    EXPECT_TRUE(ui.finished());
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains(QStringLiteral("Sollen die Daten jetzt übernommen werden?")));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains(QStringLiteral("2 Mandant(en), 3 Wirtschaftsjahr(e), 3 Buchungskreis(e), 4 Buchung(en) mit 5 Steuerbewegung(en)")))
        << ui.messages[0].toStdString();
    EXPECT_TRUE(ui.messages[0].contains(QStringLiteral("KS_tab_Access.mdb")));
    EXPECT_FALSE(hatJetDatenbank(dir.path()));
    EXPECT_EQ(checkKassolDatabase(jet()), QString());
    // No progress window stays behind.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && w->objectName() == QLatin1String("JetUebernahmeFortschritt"));
}

TEST_F(JetUebernahmeStartTest, DeclinedTheJetFileStaysUntouched) {
    lies(buecher());
    ScriptedWidgetInteraction ui;
    ui.confirm(UserInteraction::Answer::No);
    EXPECT_FALSE(jetUebernahmeBeimStart(dir.path(), ui, clock));
    EXPECT_EQ(liesDatei(jet()), jetKopf());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Uebernahme-Protokoll.txt"))));
}

} // namespace
