#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace corvane {

// The INI format as Qt's QSettings reads and writes it, as far as the
// settings store needs it: string values and the keys of [General].

// One logical line of a file.
struct IniLine {
  size_t start = 0;
  size_t end = 0;                     // before the line end
  size_t equals = std::string::npos;  // of key=value lines
};

// One logical line from pos on, as QSettings splits them: quotes and escaped
// line ends continue a line; ';' outside quotes starts a comment.
bool NextIniLine(const std::string& data, size_t& pos, IniLine& line);

// Where the [General] values of a file stand.
struct IniGeneralLayout {
  std::optional<IniLine> last_match;     // the value in force: the last one
  size_t insert_at = std::string::npos;  // after the last line of the General keys
  bool has_general = false;
};

// Where the value name of [General] stands in data, and where a new one goes.
IniGeneralLayout ScanIniGeneral(const std::string& data, const std::string& name);

// A key as the file spells it: '\' stands for '/', %XX for other characters.
std::string IniEscapeKey(const std::string& key);

// A text as the INI format stores a string value, and back. A value that the
// format would read as a list (unquoted commas) reads as its items joined by
// commas: the settings are texts whatever they hold.
std::string IniEscapeValue(const std::string& text);
std::string IniUnescapeValue(const std::string& stored);

// The text of the [General] value name in a file's data, or nothing.
std::optional<std::string> IniValue(const std::string& data, const std::string& name);

// The file's data with the [General] value name set to text: an existing
// value replaced, else a new one added to [General], else a [General]
// section put first; whatever else the file holds stays.
std::string IniWithValue(const std::string& data, const std::string& name, const std::string& text);

}  // namespace corvane
