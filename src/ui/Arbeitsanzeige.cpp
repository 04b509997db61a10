#include "ui/Arbeitsanzeige.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

Arbeitsanzeige::Arbeitsanzeige(const QString& titel, int schritte, QWidget* parent)
    : m_dialog(std::make_unique<QProgressDialog>(parent ? parent : QApplication::activeWindow())) {
    m_dialog->setObjectName(QStringLiteral("Arbeitsanzeige"));
    m_dialog->setWindowTitle(titel);
    m_dialog->setLabelText(QStringLiteral("In Arbeit..."));
    m_dialog->setCancelButton(nullptr);
    m_dialog->setRange(0, std::max(0, schritte));
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setValue(0);
    m_dialog->show();
    zeichnen();
    m_uhr.start();
}

Arbeitsanzeige::~Arbeitsanzeige() {
    m_dialog->hide();
}

void Arbeitsanzeige::schritt(int erledigt) {
    // Painting after every row would cost more than the work itself; a few times a second is enough.
    if (m_uhr.elapsed() < 40)
        return;
    m_dialog->setValue(std::min(erledigt, m_dialog->maximum()));
    zeichnen();
    m_uhr.restart();
}

void Arbeitsanzeige::zeichnen() {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Arbeitsanzeige::imHintergrund(const QString& titel, const std::function<void()>& arbeit, QWidget* parent) {
    Arbeitsanzeige anzeige(titel, 0, parent);
    std::exception_ptr fehler;
    std::atomic<bool> fertig{false};
    std::thread faden([&] {
        try {
            arbeit();
        } catch (...) {
            fehler = std::current_exception();
        }
        fertig = true;
    });
    while (!fertig) {
        anzeige.zeichnen();
        QThread::msleep(20);
    }
    faden.join();
    if (fehler)
        std::rethrow_exception(fehler);
}
