// libFuzzer target for the PDB reader: any input is either refused with the
// damaged-database error or parsed into a database that writes back to the
// very same bytes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "handheld/pdb_format.h"
#include "support/conduit_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const corvane::PdbFile file = corvane::ParsePdb(data, size, "fuzz");
    const corvane::Bytes back = corvane::SerializePdb(file);
    if (back.size() != size || !std::equal(back.begin(), back.end(), data)) std::abort();
  } catch (const corvane::ConduitError& e) {
    if (e.number() != corvane::err::kDamagedDatabase) std::abort();
  }
  return 0;
}
