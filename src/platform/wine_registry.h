#pragma once

#include <optional>
#include <string>

namespace corvane {

// The registry file Wine keeps for a prefix (user.reg for HKEY_CURRENT_USER):
//
//   WINE REGISTRY Version 2
//   [Software\\Veltrane-soft\\Corvane] 1733472000
//   #time=1db47c2f1a4e8e0
//   "PalmSyncPath"="C:\\Users\\pilot\\Corvane\\Sync\\"
//   "Counter"=dword:00000001
//
// The string value name of key (a path below the root such as
// Software\Veltrane-soft\Corvane), read only: nothing when the file has no
// such key or value, or when the value is of another kind (dword:, hex:,
// str(2):...). Key and value names match without regard to letter case, as
// in the registry; a trailing backslash of key does not matter. Wine's
// escapes are decoded: \\, \", \n, \r, \t, octal \0..\377 and \x with up to
// four hex digits, a UTF-16 unit that becomes UTF-8 (the text names files,
// and Wine keeps Unix file names in UTF-8). Raises ConduitError
// (err::kDamagedWineRegistry) for a file that is no Wine registry or whose
// lines for that key cannot be parsed; other keys' lines are not looked at.
std::optional<std::string> FindWineRegistryString(const std::string& file_text,
                                                  const std::string& key, const std::string& name);

}  // namespace corvane
