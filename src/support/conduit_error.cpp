#include "support/conduit_error.h"

#include <cstring>

namespace corvane {

ConduitError ConduitError::FromErrno(int error_number, const std::string& context) {
  std::string text = std::strerror(error_number);
  if (!context.empty()) text += ": " + context;
  return ConduitError(error_number, text);
}

std::string ConduitError::Text() const {
  return std::to_string(number_) + " - " + description_;
}

int32_t ErrorNumber(const std::exception& e) {
  if (auto* c = dynamic_cast<const ConduitError*>(&e)) return c->number();
  return err::kUnexpected;
}

std::string ErrorDescription(const std::exception& e) {
  if (auto* c = dynamic_cast<const ConduitError*>(&e)) return c->description();
  return e.what();
}

std::string ErrorText(const std::exception& e) {
  return std::to_string(ErrorNumber(e)) + " - " + ErrorDescription(e);
}

}  // namespace corvane
