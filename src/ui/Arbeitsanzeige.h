#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// The small window "In Arbeit..." that stands while long work runs (a journal of a whole year, the
// export, a PDF): a bar that follows the steps, and the program's windows stay painted because
// each step lets the pending paint events through now and then. Input waits until the work ends.
class Arbeitsanzeige {
public:
    // schritte 0: the bar only shows that something is going on.
    Arbeitsanzeige(const QString& titel, int schritte, QWidget* parent = nullptr);
    ~Arbeitsanzeige();
    Arbeitsanzeige(const Arbeitsanzeige&) = delete;
    Arbeitsanzeige& operator=(const Arbeitsanzeige&) = delete;

    void schritt(int erledigt);

    // Runs work that needs no database (writing prepared pages) on a thread of its own while the
    // window "In Arbeit..." stands and the program's windows stay painted; what the work raises is
    // raised here.
    static void imHintergrund(const QString& titel, const std::function<void()>& arbeit, QWidget* parent = nullptr);

private:
    void zeichnen();

    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_uhr;
};
