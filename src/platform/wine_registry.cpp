#include "platform/wine_registry.h"

#include <cctype>
#include <vector>

#include "platform/utf8.h"
#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane {
namespace {

constexpr const char* kSignature = "WINE REGISTRY Version 2";

ConduitError Damaged(size_t line_number, const std::string& what) {
  return ConduitError(err::kDamagedWineRegistry,
                      "line " + std::to_string(line_number) + ": " + what);
}

// Digits of base from line[pos] on, at most max of them; pos moves past them.
unsigned TakeDigits(const std::string& line, size_t& pos, unsigned base, int max) {
  unsigned value = 0;
  for (int n = 0; n < max && pos < line.size(); ++n, ++pos) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[pos])));
    const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                  : 99;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return value;
}

// Wine writes UTF-16 units; a pair of surrogates is one character.
class Utf16ToUtf8 {
 public:
  explicit Utf16ToUtf8(std::string& out) : out_(out) {}
  void Unit(unsigned unit) {
    const bool low = unit >= 0xDC00 && unit < 0xE000;
    if (high_ && low) {
      AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
      high_ = 0;
      return;
    }
    Flush();
    if (unit >= 0xD800 && unit < 0xDC00) {
      high_ = unit;
    } else {
      AppendUtf8(out_, low ? 0xFFFD : unit);
    }
  }
  void Byte(char c) {
    Flush();
    out_ += c;
  }
  void Flush() {
    if (high_) AppendUtf8(out_, 0xFFFD);  // half a pair
    high_ = 0;
  }

 private:
  std::string& out_;
  unsigned high_ = 0;
};

// The text from line[pos] (an opening '"' or '[') up to the closing
// character close; pos moves past it.
std::string Unquote(const std::string& line, size_t& pos, char close, size_t line_number) {
  std::string out;
  Utf16ToUtf8 text(out);
  ++pos;
  while (pos < line.size() && line[pos] != close) {
    if (line[pos] != '\\' || pos + 1 == line.size()) {
      text.Byte(line[pos++]);
      continue;
    }
    const char e = line[++pos];
    if (e == 'x') {
      const size_t start = ++pos;
      const unsigned unit = TakeDigits(line, pos, 16, 4);
      if (pos == start) throw Damaged(line_number, "\\x without hex digits");
      text.Unit(unit);
    } else if (e >= '0' && e <= '7') {
      text.Unit(TakeDigits(line, pos, 8, 3));
    } else {
      text.Unit(e == 'n'   ? '\n'
                : e == 'r' ? '\r'
                : e == 't' ? '\t'
                           : static_cast<unsigned char>(e));
      ++pos;
    }
  }
  if (pos >= line.size()) throw Damaged(line_number, std::string("no closing ") + close);
  ++pos;
  text.Flush();
  return out;
}

std::string KeyOf(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return ToLowerAscii(path);
}

}  // namespace

std::optional<std::string> FindWineRegistryString(const std::string& file_text,
                                                  const std::string& key, const std::string& name) {
  std::vector<std::string> lines = SplitText(file_text, "\n");
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  if (lines.empty() || lines[0] != kSignature) {
    throw ConduitError(err::kDamagedWineRegistry, "not a Wine registry file");
  }
  const std::string wanted_key = KeyOf(key), wanted_name = ToLowerAscii(name);
  std::optional<std::string> found;
  bool in_key = false, continued = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t number = i + 1;
    // Long hex: values go on over lines that end with a backslash.
    const bool was_continued = continued;
    continued = !line.empty() && line.back() == '\\';
    if (was_continued || line.empty() || line[0] == ';' || line[0] == '#') continue;
    size_t pos = 0;
    if (line[0] == '[') {
      in_key = KeyOf(Unquote(line, pos, ']', number)) == wanted_key;
      continue;
    }
    if (!in_key) continue;
    std::string value_name;
    if (line[0] == '@') {
      pos = 1;  // the key's default value
    } else if (line[0] == '"') {
      value_name = Unquote(line, pos, '"', number);
    } else {
      throw Damaged(number, "neither a key nor a value");
    }
    if (pos >= line.size() || line[pos] != '=') throw Damaged(number, "a value without '='");
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
      std::string text = Unquote(line, pos, '"', number);
      if (ToLowerAscii(value_name) == wanted_name) found = std::move(text);
    } else if (ToLowerAscii(value_name) == wanted_name) {
      found.reset();  // a later value of another kind replaces the string
    }
  }
  return found;
}

}  // namespace corvane
