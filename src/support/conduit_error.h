#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace corvane {

// Every error number the program raises. File-system failures carry errno;
// the handheld library and the conversions use these fixed numbers.
namespace err {
// Handheld library (printed as signed 32-bit decimals).
inline constexpr int32_t kNotFound = static_cast<int32_t>(0x80042010);  // -2147213296
inline constexpr int32_t kDamagedDatabase = static_cast<int32_t>(0x80042011);
inline constexpr int32_t kBufferOverrun = static_cast<int32_t>(0x80042012);
inline constexpr int32_t kNoHotSyncLink = static_cast<int32_t>(0x80042013);
inline constexpr int32_t kReadOnlyDatabase = static_cast<int32_t>(0x80042014);
inline constexpr int32_t kBadArgument = static_cast<int32_t>(0x80042015);
// The HotSync operation is over (its launcher is gone): the library refuses
// every handheld operation from then on.
inline constexpr int32_t kHotSyncEnded = static_cast<int32_t>(0x80042016);
// The live handheld's link: the other end is gone, it did not answer in
// time, or what it sent breaks the protocol. Each ends the HotSync operation.
inline constexpr int32_t kLinkClosed = static_cast<int32_t>(0x80042020);
inline constexpr int32_t kLinkTimeout = static_cast<int32_t>(0x80042021);
inline constexpr int32_t kLinkMalformed = static_cast<int32_t>(0x80042022);
// The handheld answered a request with an error of its own (other than
// "not found", which is kNotFound).
inline constexpr int32_t kHandheldRefused = static_cast<int32_t>(0x80042023);
// Conversions.
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kTypeMismatch = 13;
// A standard exception that carries no number of its own.
inline constexpr int32_t kUnexpected = 51;
// The handheld's flights cannot be read without its logbook schema.
inline constexpr int32_t kNoLogbookSchema = 1003;
// corvane-pc, the PC application's stand-in: a damaged logbook or exchange file.
inline constexpr int32_t kDamagedLogbook = 1001;
inline constexpr int32_t kDamagedExchangeFile = 1002;
// A Wine prefix: a registry file that cannot be parsed, a path on no drive it links.
inline constexpr int32_t kDamagedWineRegistry = 1005;
inline constexpr int32_t kNoWineDrive = 1006;
}  // namespace err

// The one error type the program raises: a number and a description.
class ConduitError : public std::exception {
 public:
  ConduitError(int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}

  // errno and its strerror text.
  static ConduitError FromErrno(int error_number, const std::string& context = {});

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  // "number - description", the form every failure path shows.
  std::string Text() const;
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string description_;
};

// The number of any caught error: its own for a ConduitError, kUnexpected otherwise.
int32_t ErrorNumber(const std::exception& e);
std::string ErrorDescription(const std::exception& e);
// "number - description" of any caught error.
std::string ErrorText(const std::exception& e);

}  // namespace corvane
