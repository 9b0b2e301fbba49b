#pragma once

#include <string>
#include <vector>

namespace corvane::pc {

// One logbook field as the PC application defines it.
struct SchemaField {
  std::string name;
  std::string type;
  std::string display;
  int panel = 0;
};

// The fields of a schema text: CR LF (or LF) lines of
// "FieldName|CustomDataType|DisplayName|PanelNumber"; blank lines and lines
// starting with "#" are left out. Raises ConduitError for a line of fewer
// than four fields or a panel number that is not one, since the conduit
// would stop the synchronisation on it.
std::vector<SchemaField> ParseSchema(const std::string& text);
// corvane.txt for the conduit: one CR LF line per field.
std::string SchemaText(const std::vector<SchemaField>& fields);

}  // namespace corvane::pc
