#pragma once

#include <array>

#include "support/frm_main.h"

namespace corvane {

class HotSyncLink;

inline constexpr int kFlightFieldCount = 50;
// Value slots of a flight line: one per field and one more that stays empty.
inline constexpr int kFlightSlotCount = kFlightFieldCount + 1;

// The field number held at each storage position of a flight record: the
// handheld stores fields 1 to 50 in the order of their numbers sorted as text
// (1, 10, 11, ..., 19, 2, 20, ...).
const std::array<int, kFlightFieldCount>& FlightStorageOrder();

// Copies every flight into db.txt in the exchange folder, each as the schema's
// field-name line followed by its value line. False after an error, reported
// under "PDA2PCCorvaneDB Error!!"; more than 51 schema fields is such an error.
bool PDAtoPC_CorvaneDB(FrmMain& frm, HotSyncLink& link);

}  // namespace corvane
