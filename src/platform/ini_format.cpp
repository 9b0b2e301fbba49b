#include "platform/ini_format.h"

#include <cstring>
#include <vector>

#include "platform/utf8.h"

namespace corvane {

namespace {

// ---- The value format (the INI format of Qt's QSettings) ----

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    if (c < 0x80) {
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= s.size()) {
      return false;
    }
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// An escaped character code: one byte as it is, a code above one byte (only
// Qt writes those) as UTF-8.
void AppendCode(std::string& out, unsigned code) {
  if (code < 0x100) {
    out.push_back(static_cast<char>(code));
  } else {
    AppendUtf8(out, code);
  }
}

std::string HexEscape(unsigned char c) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s = "\\x";
  if (c >= 0x10) s.push_back(kDigits[c >> 4]);
  s.push_back(kDigits[c & 0xF]);
  return s;
}

void ChopTrailingSpaces(std::string& s, size_t limit) {
  while (s.size() > limit && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
}

// ---- The file's lines ----

bool IsIniSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsIniSpace(s[b])) ++b;
  while (e > b && IsIniSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool EqualsNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

// A key as the file spells it: '\' stands for '/', %XX for other characters.
std::string UnescapeKey(const std::string& key) {
  std::string out;
  for (size_t i = 0; i < key.size(); ++i) {
    if (key[i] == '\\') {
      out.push_back('/');
    } else if (key[i] == '%' && i + 2 < key.size() && IsHexDigit(key[i + 1]) &&
               IsHexDigit(key[i + 2])) {
      out.push_back(static_cast<char>(HexValue(key[i + 1]) * 16 + HexValue(key[i + 2])));
      i += 2;
    } else {
      out.push_back(key[i]);
    }
  }
  return out;
}

}  // namespace

// One logical line from pos on, as QSettings splits them: quotes and
// escaped line ends continue a line; ';' outside quotes starts a comment.
bool NextIniLine(const std::string& data, size_t& pos, IniLine& line) {
  const size_t len = data.size();
  bool in_quotes = false;
  line.equals = std::string::npos;
  size_t start = pos;
  while (start < len && IsIniSpace(data[start])) ++start;
  size_t i = start;
  while (i < len) {
    char ch = data[i++];
    if (ch == '=') {
      if (!in_quotes && line.equals == std::string::npos) line.equals = i - 1;
    } else if (ch == '\n' || ch == '\r') {
      if (i == start + 1) {
        ++start;
      } else if (!in_quotes) {
        --i;
        break;
      }
    } else if (ch == '\\') {
      if (i < len) {
        char escaped = data[i++];
        if (i < len) {
          char next = data[i];
          if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n')) ++i;
        }
      }
    } else if (ch == '"') {
      in_quotes = !in_quotes;
    } else if (ch == ';') {
      if (i == start + 1) {
        while (i < len && data[i] != '\n' && data[i] != '\r') ++i;
        while (i < len && IsIniSpace(data[i])) ++i;
        start = i;
      } else if (!in_quotes) {
        --i;
        break;
      }
    }
  }
  pos = i;
  line.start = start;
  line.end = i;
  return i > start;
}

std::string IniEscapeKey(const std::string& key) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : key) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '/') {
      out.push_back('\\');
    } else if (std::isalnum(u) || c == '_' || c == '-' || c == '.') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kDigits[u >> 4]);
      out.push_back(kDigits[u & 0xF]);
    }
  }
  return out;
}

IniGeneralLayout ScanIniGeneral(const std::string& data, const std::string& name) {
  IniGeneralLayout layout;
  bool in_general = true;  // keys before any section belong to General
  size_t pos = 0;
  IniLine line;
  while (NextIniLine(data, pos, line)) {
    if (data[line.start] == '[') {
      size_t close = data.find(']', line.start);
      if (close == std::string::npos || close >= line.end) close = line.end;
      in_general =
          EqualsNoCase(Trimmed(data.substr(line.start + 1, close - line.start - 1)), "general");
      if (in_general) {
        layout.has_general = true;
        layout.insert_at = line.end;
      }
      continue;
    }
    if (!in_general) continue;
    if (line.equals != std::string::npos) layout.insert_at = line.end;
    if (line.equals == std::string::npos) continue;
    if (UnescapeKey(Trimmed(data.substr(line.start, line.equals - line.start))) == name) {
      layout.last_match = line;
    }
  }
  return layout;
}

std::string IniEscapeValue(const std::string& text) {
  std::string s = text;
  // A leading '@' marks the format's typed values; a text keeps it doubled.
  if (!s.empty() && s[0] == '@') s.insert(s.begin(), '@');
  // Bytes above ASCII go as they are when they spell UTF-8 (as Qt writes
  // them), escaped otherwise, so that we read back exactly what we wrote.
  const bool raw_high = IsValidUtf8(s);
  std::string out;
  bool needs_quotes = false;
  bool escape_next_if_digit = false;
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == ';' || c == ',' || c == '=') needs_quotes = true;
    if (escape_next_if_digit && IsHexDigit(c)) {
      out += HexEscape(u);
      continue;
    }
    escape_next_if_digit = false;
    switch (c) {
      case '\0':
        out += "\\0";
        escape_next_if_digit = true;
        break;
      case '\a':
        out += "\\a";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\v':
        out += "\\v";
        break;
      case '"':
      case '\\':
        out.push_back('\\');
        out.push_back(c);
        break;
      default:
        if (u <= 0x1F || u == 0x7F || (u >= 0x80 && !raw_high)) {
          out += HexEscape(u);
          escape_next_if_digit = true;
        } else {
          out.push_back(c);
        }
    }
  }
  if (needs_quotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) {
    out = "\"" + out + "\"";
  }
  return out;
}

std::string IniUnescapeValue(const std::string& str) {
  std::vector<std::string> items;
  std::string cur;
  bool is_list = false;
  bool in_quotes = false;
  bool cur_quoted = false;
  size_t i = 0;
  size_t chop_limit = 0;
  auto skip_spaces = [&] {
    while (i < str.size() && (str[i] == ' ' || str[i] == '\t')) ++i;
  };
  skip_spaces();
  while (i < str.size()) {
    char ch = str[i];
    if (ch == '\\') {
      ++i;
      if (i >= str.size()) break;
      char e = str[i++];
      static const char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                         {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                         {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
      bool simple = false;
      for (const auto& esc : kEscapes) {
        if (e == esc[0]) {
          cur.push_back(esc[1]);
          simple = true;
          break;
        }
      }
      if (simple) {
        chop_limit = cur.size();
        continue;
      }
      if (e == 'x') {
        if (i >= str.size()) break;
        if (IsHexDigit(str[i])) {
          unsigned code = 0;
          while (i < str.size() && IsHexDigit(str[i]))
            code = ((code << 4) | HexValue(str[i++])) & 0xFFFF;
          AppendCode(cur, code);
        }
      } else if (e >= '0' && e <= '7') {
        unsigned code = static_cast<unsigned>(e - '0');
        while (i < str.size() && str[i] >= '0' && str[i] <= '7') {
          code = ((code << 3) | static_cast<unsigned>(str[i++] - '0')) & 0xFFFF;
        }
        AppendCode(cur, code);
      } else if (e == '\n' || e == '\r') {
        if (i < str.size() && (str[i] == '\n' || str[i] == '\r') && str[i] != e) ++i;
      }  // any other escaped character is dropped
      chop_limit = cur.size();
    } else if (ch == '"') {
      ++i;
      cur_quoted = true;
      in_quotes = !in_quotes;
      if (!in_quotes) {
        skip_spaces();
        chop_limit = cur.size();
      }
    } else if (ch == ',' && !in_quotes) {
      if (!cur_quoted) ChopTrailingSpaces(cur, chop_limit);
      is_list = true;
      items.push_back(cur);
      cur.clear();
      cur_quoted = false;
      chop_limit = 0;
      ++i;
      skip_spaces();
    } else {
      size_t j = i + 1;
      while (j < str.size() && str[j] != '\\' && str[j] != '"' && str[j] != ',') ++j;
      cur.append(str, i, j - i);
      i = j;
    }
  }
  if (!cur_quoted) ChopTrailingSpaces(cur, chop_limit);
  items.push_back(cur);

  // A doubled '@' is a text that began with '@'; it is told from the typed
  // forms ("@ByteArray(...)" holds bytes) before it loses its first '@'.
  auto text_of = [](const std::string& item) {
    return item.rfind("@@", 0) == 0 ? item.substr(1) : item;
  };
  if (!is_list) {
    const std::string& s = items.front();
    if (s.rfind("@ByteArray(", 0) == 0 && s.back() == ')') return s.substr(11, s.size() - 12);
    if (s == "@Invalid()") return "";
    return text_of(s);
  }
  std::string joined;
  for (size_t k = 0; k < items.size(); ++k) {
    if (k) joined.push_back(',');
    joined += text_of(items[k]);
  }
  return joined;
}

std::optional<std::string> IniValue(const std::string& data, const std::string& name) {
  IniGeneralLayout layout = ScanIniGeneral(data, name);
  if (!layout.last_match) return std::nullopt;
  const IniLine& line = *layout.last_match;
  return IniUnescapeValue(data.substr(line.equals + 1, line.end - line.equals - 1));
}

std::string IniWithValue(const std::string& data, const std::string& name,
                         const std::string& text) {
  const std::string eol = data.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string entry = IniEscapeKey(name) + "=" + IniEscapeValue(text);

  // Qt keeps [General] first; a section of our own there is always read.
  auto with_new_section = [&](const std::string& rest) {
    return "[General]" + eol + entry + eol + (rest.empty() ? "" : eol) + rest;
  };
  std::string updated = data;
  IniGeneralLayout layout = ScanIniGeneral(data, name);
  if (layout.last_match) {
    updated.replace(layout.last_match->start, layout.last_match->end - layout.last_match->start,
                    entry);
  } else if (layout.insert_at != std::string::npos) {
    const bool at_end = layout.insert_at == data.size();
    updated.insert(layout.insert_at, eol + entry + (at_end ? eol : ""));
  } else {
    updated = with_new_section(data);
  }
  // A damaged file (a quote left open) can swallow what we add to it.
  if (IniValue(updated, name) != text) updated = with_new_section(data);
  return updated;
}

}  // namespace corvane
