#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <utility>

// Named parameters, bound by name (":mandant") in the order given.
using SqlParams = QList<std::pair<QString, QVariant>>;
