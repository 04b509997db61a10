#pragma once

#include "app/KassolError.h"
#include "ui/WidgetInteraction.h"

#include <exception>
#include <utility>

// The one place where a failure raised while handling a user's action is shown: its message in a
// box, and the program keeps running. Returns false when the action failed.
template <class Action>
bool mitFehleranzeige(WidgetInteraction& ui, Action&& action) {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const KassolError& e) {
        ui.error(e.message());
    } catch (const std::exception& e) {
        ui.error(QStringLiteral("Unerwarteter Fehler: ") + QString::fromLocal8Bit(e.what()));
    }
    return false;
}
