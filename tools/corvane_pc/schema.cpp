#include "corvane_pc/schema.h"

#include <charconv>

#include "support/conduit_error.h"
#include "support/text_ops.h"

namespace corvane::pc {

std::vector<SchemaField> ParseSchema(const std::string& text) {
  std::vector<SchemaField> fields;
  int number = 0;
  for (std::string line : SplitText(text, "\n")) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (TrimSpaces(line).empty() || TrimSpaces(line)[0] == '#') continue;
    std::vector<std::string> parts = SplitText(line, "|");
    auto bad = [&](const std::string& what) {
      return ConduitError(err::kDamagedExchangeFile,
                          "schema line " + std::to_string(number) + ": " + what);
    };
    if (parts.size() < 4) throw bad("needs FieldName|CustomDataType|DisplayName|PanelNumber");
    std::string panel = TrimSpaces(parts[3]);
    SchemaField field{TrimSpaces(parts[0]), parts[1], parts[2], 0};
    auto [end, ec] = std::from_chars(panel.data(), panel.data() + panel.size(), field.panel);
    if (ec != std::errc() || end != panel.data() + panel.size() || field.panel < -32768 ||
        field.panel > 32767) {
      throw bad("the panel number '" + panel + "' is not a 16-bit number");
    }
    fields.push_back(field);
  }
  return fields;
}

std::string SchemaText(const std::vector<SchemaField>& fields) {
  std::string text;
  for (const SchemaField& f : fields) {
    text += f.name + "|" + f.type + "|" + f.display + "|" + std::to_string(f.panel) + "\r\n";
  }
  return text;
}

}  // namespace corvane::pc
