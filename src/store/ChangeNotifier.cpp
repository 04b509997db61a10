#include "store/ChangeNotifier.h"

Aenderungsmelder::Aenderungsmelder(QObject* parent) : QObject(parent) {}

void Aenderungsmelder::melde(Bereiche bereiche) {
    if (bereiche)
        Q_EMIT geaendert(bereiche);
}
