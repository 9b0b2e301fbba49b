#include "hotsync/pairing.h"

#include <sys/stat.h>

#include "platform/ini_format.h"
#include "platform/settings_file.h"
#include "platform/user_folders.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "support/text_file.h"

namespace corvane::hotsync {
namespace {

constexpr const char* kUserId = "PairedUserId";
constexpr const char* kUserName = "PairedUserName";

}  // namespace

std::string PairingFile() {
  return DefaultConfigHome() + "/Veltrane-soft/hotsync.conf";
}

std::optional<PairedHandheld> ReadPairing() {
  const std::string file = PairingFile();
  struct stat st;
  if (::stat(file.c_str(), &st) != 0 && errno == ENOENT) return std::nullopt;
  const std::string data = ReadWholeFile(file);
  const std::optional<std::string> id = IniValue(data, kUserId);
  if (!id) return std::nullopt;
  if (id->empty() || id->size() > 10 || id->find_first_not_of("0123456789") != std::string::npos ||
      std::stoull(*id) == 0 || std::stoull(*id) > 0xFFFFFFFFull) {
    throw ConduitError(err::kBadArgument, file + ": " + kUserId + " is no user id: " + *id);
  }
  return PairedHandheld{static_cast<uint32_t>(std::stoull(*id)),
                        IniValue(data, kUserName).value_or("")};
}

void WritePairing(const PairedHandheld& handheld) {
  const std::string file = PairingFile();
  MakeFolders(file.substr(0, file.rfind('/')), 0700);
  struct stat st;
  std::string data = ::stat(file.c_str(), &st) == 0 ? ReadWholeFile(file) : "";
  data = IniWithValue(data, kUserId, std::to_string(handheld.user_id));
  data = IniWithValue(data, kUserName, handheld.user_name);
  WriteFileAtomically(file, data);
}

PairingVerdict JudgePairing(const std::optional<PairedHandheld>& paired, uint32_t user_id,
                            bool pair) {
  if (user_id == 0) return PairingVerdict::kNameless;
  if (paired && paired->user_id == user_id) return PairingVerdict::kPaired;
  return !paired || pair ? PairingVerdict::kPairNow : PairingVerdict::kOther;
}

}  // namespace corvane::hotsync
