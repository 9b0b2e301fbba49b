#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::hotsync {

// The handheld this desktop synchronises: the first one it met, or the one
// last accepted with --pair. Kept in hotsync's own settings file,
// $XDG_CONFIG_HOME/Veltrane-soft/hotsync.conf (values in [General]), so that
// one pilot's logbook never takes in another's flights.
struct PairedHandheld {
  uint32_t user_id = 0;
  std::string user_name;
};

std::string PairingFile();
// The pairing, or nothing before the first synchronisation; raises
// ConduitError when the file is there but cannot be read or makes no sense
// (the safe answer is then to refuse, not to pair anew).
std::optional<PairedHandheld> ReadPairing();
void WritePairing(const PairedHandheld& handheld);

enum class PairingVerdict {
  kPaired,    // the handheld this desktop synchronises
  kPairNow,   // the first handheld, or one accepted with --pair
  kOther,     // another pilot's handheld: refused
  kNameless,  // never given a user name (user id 0): refused
};
PairingVerdict JudgePairing(const std::optional<PairedHandheld>& paired, uint32_t user_id,
                            bool pair);

}  // namespace corvane::hotsync
