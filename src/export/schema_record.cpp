#include "export/schema_record.h"

#include <vector>

#include "support/conduit_error.h"
#include "support/integer_text.h"
#include "support/text_ops.h"

namespace corvane {
namespace {

constexpr size_t kSchemaRecordSize = 201;

const std::string& Field(const std::vector<std::string>& fields, size_t index) {
  if (index >= fields.size()) {
    throw ConduitError(err::kSubscriptOutOfRange, "Subscript out of range");
  }
  return fields[index];
}

}  // namespace

Bytes SchemaLineRecord(const std::string& row, const std::function<void(const char*)>& step) {
  auto trace = [&](const char* text) {
    if (step) step(text);
  };
  trace("Split each row to get fields in array 'arrFields'");
  const std::vector<std::string> arrFields = SplitText(row, "|");
  trace("Get Fields");
  trace("FieldName");
  const std::string& fieldName = Field(arrFields, 0);
  trace("CustomDataType");
  const std::string& customDataType = Field(arrFields, 1);
  trace("DisplayName");
  const std::string& displayName = Field(arrFields, 2);
  trace("PanelNumber");
  int16_t panelNumber = TextToInt16(Field(arrFields, 3));

  // Texts longer than the buffer allows make TextToBytes raise: the record
  // is never written past its 201 bytes.
  trace("write all data in vdata variable");
  Bytes vdata(kSchemaRecordSize, 0);
  PDByteConverter converter;
  trace("storing Panel Number in vdata variable");
  int32_t offset = converter.NumberToBytes(vdata, 0, true, panelNumber);
  trace("storing CustomDataType in vdata variable");
  offset = converter.TextToBytes(vdata, offset, customDataType);
  trace("storing DisplayName in vdata variable");
  offset = converter.TextToBytes(vdata, offset, displayName);
  trace("storing Field name in vdata variable");
  converter.TextToBytes(vdata, offset, TrimSpaces(fieldName));
  return vdata;
}

}  // namespace corvane
