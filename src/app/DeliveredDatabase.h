#pragma once

#include <QString>

// The start-up's step for a database delivered beside the program ("KS_neu.mdb") while the
// program folder already holds the books ("KS_tab.mdb"). The books in use are never replaced by
// it: the delivered file is set aside under a dated name, so that nothing is lost and the next
// start does not meet it again, and the update log says where it lies.
// Returns the new name of the delivered file, or empty text when it could not be moved.
QString legeGelieferteDatenbankBeiseite(const QString& programmOrdner);
