#pragma once
// What the back office's screens share, handed to each screen when the main
// screen makes it: the store, the signed-in operator and the workstation
// name (the session), and the shift period of the main screen's pickers.
#include "signin/operator.h"

#include <QDateTime>

namespace backdesk {

struct Context {
    signin::Session session;
    // Kept up to date by the main screen whenever a picker changes; the
    // screens read them when they run their queries.
    QDateTime shiftFrom;
    QDateTime shiftTo;
};

} // namespace backdesk
