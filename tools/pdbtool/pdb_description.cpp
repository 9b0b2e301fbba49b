#include "pdb_description.h"

#include <cctype>
#include <limits>
#include <optional>
#include <unordered_set>
#include <vector>

#include "support/conduit_error.h"

namespace corvane::pdbtool {

const char kDescriptionSyntax[] =
    R"(A description has one statement per line; # starts a comment.
  name NAME            the database name (required; up to 31 bytes)
  type TYPE            4 characters, e.g. DATA (required)
  creator CREATOR      4 characters, e.g. CRVN (required)
  version N            optional, 0..65535
  attributes N         optional database attributes, e.g. 0x0008
  seed N               optional unique-id seed (next id handed out)
  appinfo FIELD...     optional app-info block
  sortinfo FIELD...    optional sort-info block
  record [FLAG...] FIELD...
                       a record; lines that start with a FIELD continue it
FLAG: deleted | secret | dirty | busy | category N (0..15) | id N (1..0xFFFFFF)
FIELD:
  text "..."           the bytes, then a zero byte; escapes \\ \" \r \n \t \xNN
  number N             16-bit big-endian, -32768..65535
  byte N               one byte, 0..255
  zeros N              N zero bytes (padding)
  hex "0a0b..."        raw bytes
Numbers are decimal or 0x-prefixed hexadecimal. NAME, TYPE and CREATOR may
be quoted. Records without an id get fresh ids; they are clean unless dirty
is given. Example:
  name CRVN_Corvane_Cache
  type DATA
  creator CRVN
  record byte 1 text "D-EABC" text "C172"
  record byte 2 text "EDDF" text ""
)";

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

class LineParser {
 public:
  LineParser(std::string source, int line) : source_(std::move(source)), line_(line) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw ConduitError(err::kBadArgument, source_ + ":" + std::to_string(line_) + ": " + what);
  }

  std::vector<Token> Tokenize(const std::string& text) const {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        tokens.push_back(Token{ReadQuoted(text, i), true});
      } else {
        size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
               text[end] != '"' && text[end] != '#') {
          ++end;
        }
        tokens.push_back(Token{text.substr(i, end - i), false});
        i = end;
      }
    }
    return tokens;
  }

  long long Number(const Token& t, long long min, long long max, const std::string& what) const {
    const std::string& s = t.text;
    size_t i = 0;
    bool negative = false;
    if (!t.quoted && i < s.size() && s[i] == '-') {
      negative = true;
      ++i;
    }
    int base = 10;
    if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) {
      base = 16;
      i += 2;
    }
    if (t.quoted || i >= s.size()) Fail(what + " must be a number, not \"" + s + "\"");
    long long value = 0;
    for (; i < s.size(); ++i) {
      const int c = std::tolower(static_cast<unsigned char>(s[i]));
      int digit = std::isdigit(c)                        ? c - '0'
                  : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                         : -1;
      if (digit < 0) Fail(what + " must be a number, not \"" + s + "\"");
      value = value * base + digit;
      if (value > (1LL << 40)) Fail(what + " " + s + " is out of range");
    }
    if (negative) value = -value;
    if (value < min || value > max) {
      Fail(what + " " + s + " is out of range " + std::to_string(min) + ".." + std::to_string(max));
    }
    return value;
  }

 private:
  std::string ReadQuoted(const std::string& text, size_t& i) const {
    std::string out;
    ++i;  // opening quote
    while (true) {
      if (i >= text.size()) Fail("text without closing quote");
      const char c = text[i++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i >= text.size()) Fail("text without closing quote");
      const char e = text[i++];
      switch (e) {
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        case 'r':
          out += '\r';
          break;
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'x': {
          if (i + 2 > text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
              !std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
            Fail("\\x needs two hexadecimal digits");
          }
          out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
          i += 2;
          break;
        }
        default:
          Fail(std::string("unknown escape \\") + e);
      }
    }
  }

  std::string source_;
  int line_;
};

bool IsField(const std::string& word) {
  return word == "text" || word == "number" || word == "byte" || word == "zeros" || word == "hex";
}

// Appends the fields tokens[i...] to out.
void AppendFields(const LineParser& p, const std::vector<Token>& tokens, size_t i, Bytes& out) {
  while (i < tokens.size()) {
    const Token& kind = tokens[i];
    if (kind.quoted || !IsField(kind.text))
      p.Fail("expected a field (text, number, byte, zeros, hex), not \"" + kind.text + "\"");
    if (i + 1 >= tokens.size()) p.Fail(kind.text + " needs a value");
    const Token& value = tokens[i + 1];
    if (kind.text == "text") {
      if (!value.quoted) p.Fail("text needs a quoted value, not " + value.text);
      out.insert(out.end(), value.text.begin(), value.text.end());
      out.push_back(0);
    } else if (kind.text == "number") {
      const auto v = static_cast<uint16_t>(p.Number(value, -32768, 65535, "number"));
      out.push_back(static_cast<uint8_t>(v >> 8));
      out.push_back(static_cast<uint8_t>(v & 0xFF));
    } else if (kind.text == "byte") {
      out.push_back(static_cast<uint8_t>(p.Number(value, 0, 255, "byte")));
    } else if (kind.text == "zeros") {
      out.resize(out.size() + static_cast<size_t>(p.Number(value, 0, 65535, "zeros")), 0);
    } else {
      if (!value.quoted || value.text.size() % 2 != 0)
        p.Fail("hex needs a quoted even number of digits");
      for (size_t k = 0; k < value.text.size(); k += 2) {
        const std::string pair = value.text.substr(k, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
          p.Fail("hex holds a non-hexadecimal digit: " + pair);
        }
        out.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
      }
    }
    i += 2;
  }
}

struct PendingRecord {
  uint8_t attributes = 0;
  uint32_t id = 0;
  Bytes data;
  int line = 0;
};

}  // namespace

PdbFile ParseDescription(const std::string& text, const std::string& source, uint32_t palm_now) {
  std::optional<std::string> name, type, creator;
  PdbFile file;
  file.header.creation_date = palm_now;
  file.header.modification_date = palm_now;
  std::vector<PendingRecord> records;

  int line_number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    LineParser p(source, line_number);
    const std::vector<Token> tokens = p.Tokenize(line);
    if (tokens.empty()) continue;
    const Token& keyword = tokens[0];
    if (keyword.quoted) p.Fail("a line starts with a keyword, not a text");
    const std::string& word = keyword.text;

    auto single = [&](const char* what) -> const Token& {
      if (tokens.size() != 2) p.Fail(std::string(what) + " takes exactly one value");
      return tokens[1];
    };
    if (word == "name") {
      if (name) p.Fail("name given twice");
      name = single("name").text;
      if (name->empty() || name->size() > 31 || name->find('\0') != std::string::npos) {
        p.Fail("name must be 1 to 31 bytes without a zero byte");
      }
    } else if (word == "type" || word == "creator") {
      auto& slot = word == "type" ? type : creator;
      if (slot) p.Fail(word + " given twice");
      slot = single(word.c_str()).text;
      if (slot->size() != 4) p.Fail(word + " must be exactly 4 characters, not \"" + *slot + "\"");
    } else if (word == "version") {
      file.header.version = static_cast<uint16_t>(p.Number(single("version"), 0, 65535, "version"));
    } else if (word == "attributes") {
      file.header.attributes =
          static_cast<uint16_t>(p.Number(single("attributes"), 0, 65535, "attributes"));
      if (file.header.attributes & pdb::kResourceDatabase) {
        p.Fail("attribute 0x0001 makes a resource database, which pdbtool does not build");
      }
    } else if (word == "seed") {
      file.header.unique_id_seed =
          static_cast<uint32_t>(p.Number(single("seed"), 0, 0xFFFFFFFFLL, "seed"));
    } else if (word == "appinfo" || word == "sortinfo") {
      auto& block = word == "appinfo" ? file.app_info : file.sort_info;
      if (block) p.Fail(word + " given twice");
      block.emplace();
      AppendFields(p, tokens, 1, *block);
    } else if (word == "record") {
      PendingRecord r;
      r.line = line_number;
      size_t i = 1;
      for (; i < tokens.size() && !tokens[i].quoted && !IsField(tokens[i].text); ++i) {
        const std::string& flag = tokens[i].text;
        if (flag == "deleted") {
          r.attributes |= pdb::kRecordDeleted;
        } else if (flag == "secret") {
          r.attributes |= pdb::kRecordSecret;
        } else if (flag == "dirty") {
          r.attributes |= pdb::kRecordDirty;
        } else if (flag == "busy") {
          r.attributes |= pdb::kRecordBusy;
        } else if (flag == "category" || flag == "id") {
          if (i + 1 >= tokens.size()) p.Fail(flag + " needs a value");
          if (flag == "category") {
            r.attributes |= static_cast<uint8_t>(p.Number(tokens[++i], 0, 15, "category"));
          } else {
            r.id = static_cast<uint32_t>(p.Number(tokens[++i], 1, pdb::kMaxUniqueId, "id"));
          }
        } else {
          p.Fail("unknown record flag or field \"" + flag + "\"");
        }
      }
      AppendFields(p, tokens, i, r.data);
      records.push_back(std::move(r));
    } else if (IsField(word)) {
      if (records.empty()) p.Fail(word + " outside a record");
      AppendFields(p, tokens, 0, records.back().data);
    } else {
      p.Fail("unknown keyword \"" + word + "\"");
    }
  }

  LineParser at_end(source, line_number);
  if (!name) at_end.Fail("no name given");
  if (!type) at_end.Fail("no type given");
  if (!creator) at_end.Fail("no creator given");
  file.header.SetName(*name);
  file.header.type = *type;
  file.header.creator = *creator;
  if (records.size() > pdb::kMaxRecords) at_end.Fail("more than 65535 records");

  // Explicit ids first, so that fresh ones cannot take them.
  std::unordered_set<uint32_t> taken;
  for (const PendingRecord& r : records) {
    if (r.id != 0 && !taken.insert(r.id).second) {
      LineParser(source, r.line).Fail("id " + std::to_string(r.id) + " used twice");
    }
  }
  PdbFile out = std::move(file);
  uint32_t seed = out.header.unique_id_seed & pdb::kMaxUniqueId;
  bool seed_used = false;
  for (PendingRecord& r : records) {
    uint32_t id = r.id;
    if (id == 0) {
      while (seed == 0 || taken.count(seed) != 0) seed = seed >= pdb::kMaxUniqueId ? 1 : seed + 1;
      id = seed;
      taken.insert(id);
      seed_used = true;
    }
    out.records.push_back(PdbRecord{r.attributes, id, std::move(r.data)});
  }
  if (seed_used) out.header.unique_id_seed = seed >= pdb::kMaxUniqueId ? 1 : seed + 1;
  return out;
}

std::string QuoteBytes(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : bytes) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          out += "\\x";
          out += digits[c >> 4];
          out += digits[c & 0xF];
        }
    }
  }
  return out + "\"";
}

}  // namespace corvane::pdbtool
