#pragma once
// The shop's serial number: one counter in the system-parameter row, stamped
// on every journal row.
#include <QtGlobal>

namespace store {

class Store;

// Draws the next serial number: reads the counter, adds 1, writes it back and
// returns it. Must run inside the Transaction that writes the journal row, so
// two workstations never get the same number and a failed operation uses none.
qint64 drawSerial(Store &store);

} // namespace store
