#include "link/dlp_codec.h"

#include <array>
#include <cstdio>
#include <limits>

#include "link/wire_bytes.h"

namespace corvane::link {
namespace {

// The bits of the id byte that give an argument's size.
constexpr uint8_t kSizeBits = 0xC0;
constexpr uint8_t kShortBit = 0x80;
constexpr uint8_t kLongBit = 0x40;

ConduitError CannotEncode(const std::string& what) {
  return ConduitError(err::kBadArgument, "DLP message cannot be encoded: " + what);
}

ArgSize Fitting(size_t length) {
  if (length <= 0xFF) return ArgSize::kTiny;
  if (length <= 0xFFFF) return ArgSize::kShort;
  return ArgSize::kLong;
}

uint8_t ArgumentCount(const std::vector<DlpArgument>& arguments) {
  if (arguments.size() > 0xFF) throw CannotEncode("more than 255 arguments");
  return static_cast<uint8_t>(arguments.size());
}

void EncodeArguments(const std::vector<DlpArgument>& arguments, WireWriter& out) {
  for (const DlpArgument& arg : arguments) {
    if (arg.id > dlp::kMaxArgId) throw CannotEncode("argument id " + HexByte(arg.id));
    const size_t length = arg.data.size();
    const ArgSize size = arg.size == ArgSize::kFit ? Fitting(length) : arg.size;
    if (length > std::numeric_limits<uint32_t>::max() ||
        (size == ArgSize::kTiny && length > 0xFF) || (size == ArgSize::kShort && length > 0xFFFF)) {
      throw CannotEncode("argument " + HexByte(arg.id) + " of " + std::to_string(length) +
                         " bytes");
    }
    if (size == ArgSize::kTiny) {
      out.U8(arg.id).U8(static_cast<uint8_t>(length));
    } else if (size == ArgSize::kShort) {
      out.U8(arg.id | kShortBit).U8(0).U16(static_cast<uint16_t>(length));
    } else {
      out.U8(arg.id | kLongBit).U8(0).U32(static_cast<uint32_t>(length));
    }
    out.Append(arg.data);
  }
}

std::vector<DlpArgument> DecodeArguments(WireReader& in, uint8_t count) {
  std::vector<DlpArgument> arguments;
  for (unsigned i = 0; i < count; ++i) {
    DlpArgument arg;
    const uint8_t head = in.U8();
    arg.id = head & ~kSizeBits;
    size_t length = 0;
    if ((head & kSizeBits) == 0) {
      arg.size = ArgSize::kTiny;
      length = in.U8();
    } else if ((head & kSizeBits) == kSizeBits) {
      in.Fail("argument " + std::to_string(i + 1) + " has the unknown size bits of " +
              HexByte(head));
    } else {
      arg.size = (head & kShortBit) != 0 ? ArgSize::kShort : ArgSize::kLong;
      // The pad is always zero on the wire; anything else would not encode back.
      if (in.U8() != 0) in.Fail("argument " + std::to_string(i + 1) + " has a non-zero pad byte");
      length = arg.size == ArgSize::kShort ? in.U16() : in.U32();
    }
    // Take checks the length against what is left before anything is copied.
    arg.data = in.Copy(length);
    arguments.push_back(std::move(arg));
  }
  if (in.left() != 0) in.Fail(std::to_string(in.left()) + " bytes after the last argument");
  return arguments;
}

const std::array<const char*, 0x3B - 0x10> kCommandNames = {
    "ReadUserInfo",
    "WriteUserInfo",
    "ReadSysInfo",
    "GetSysDateTime",
    "SetSysDateTime",
    "ReadStorageInfo",
    "ReadDBList",
    "OpenDB",
    "CreateDB",
    "CloseDB",
    "DeleteDB",
    "ReadAppBlock",
    "WriteAppBlock",
    "ReadSortBlock",
    "WriteSortBlock",
    "ReadNextModifiedRec",
    "ReadRecord",
    "WriteRecord",
    "DeleteRecord",
    "ReadResource",
    "WriteResource",
    "DeleteResource",
    "CleanUpDatabase",
    "ResetSyncFlags",
    "CallApplication",
    "ResetSystem",
    "AddSyncLogEntry",
    "ReadOpenDBInfo",
    "MoveCategory",
    "ProcessRPC",
    "OpenConduit",
    "EndOfSync",
    "ResetRecordIndex",
    "ReadRecordIDList",
    "ReadNextRecInCategory",
    "ReadNextModifiedRecInCategory",
    "ReadAppPreference",
    "WriteAppPreference",
    "ReadNetSyncInfo",
    "WriteNetSyncInfo",
    "ReadFeature",
    "FindDB",
    "SetDBInfo",
};

const std::array<const char*, 22> kErrorNames = {
    "dlpErrNone",           "dlpErrSystem",        "dlpErrIllegalRequest", "dlpErrMemory",
    "dlpErrParam",          "dlpErrNotFound",      "dlpErrNoneOpen",       "dlpErrDatabaseOpen",
    "dlpErrTooManyOpen",    "dlpErrAlreadyExists", "dlpErrCantOpen",       "dlpErrRecordDeleted",
    "dlpErrRecordBusy",     "dlpErrNotSupported",  "dlpErrUnused",         "dlpErrReadOnly",
    "dlpErrNotEnoughSpace", "dlpErrLimitExceeded", "dlpErrCancelSync",     "dlpErrBadWrapper",
    "dlpErrArgMissing",     "dlpErrArgSize",
};

}  // namespace

std::string HexByte(uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

const DlpArgument* DlpResponse::Find(uint8_t id) const {
  for (const DlpArgument& arg : arguments) {
    if (arg.id == id) return &arg;
  }
  return nullptr;
}

Bytes EncodeDlpRequest(const DlpRequest& request) {
  if ((request.command & dlp::kResponseBit) != 0) {
    throw CannotEncode("request command " + HexByte(request.command));
  }
  WireWriter out;
  out.U8(request.command).U8(ArgumentCount(request.arguments));
  EncodeArguments(request.arguments, out);
  return out.Take();
}

Bytes EncodeDlpResponse(const DlpResponse& response) {
  if ((response.command & dlp::kResponseBit) != 0) {
    throw CannotEncode("answered command " + HexByte(response.command));
  }
  WireWriter out;
  out.U8(response.command | dlp::kResponseBit)
      .U8(ArgumentCount(response.arguments))
      .U16(response.error);
  EncodeArguments(response.arguments, out);
  return out.Take();
}

DlpRequest DecodeDlpRequest(std::span<const uint8_t> message) {
  WireReader in(message, "DLP request");
  DlpRequest request;
  request.command = in.U8();
  if ((request.command & dlp::kResponseBit) != 0) {
    in.Fail("command byte " + HexByte(request.command) + " is an answer's");
  }
  request.arguments = DecodeArguments(in, in.U8());
  return request;
}

DlpResponse DecodeDlpResponse(std::span<const uint8_t> message) {
  WireReader in(message, "DLP answer");
  DlpResponse response;
  const uint8_t command = in.U8();
  if ((command & dlp::kResponseBit) == 0) {
    in.Fail("command byte " + HexByte(command) + " is a request's");
  }
  response.command = command & ~dlp::kResponseBit;
  const uint8_t count = in.U8();
  response.error = in.U16();
  response.arguments = DecodeArguments(in, count);
  return response;
}

std::string DlpCommandName(uint8_t command) {
  if (command >= dlp::kReadUserInfo &&
      size_t{command} - dlp::kReadUserInfo < kCommandNames.size()) {
    return std::string(kCommandNames[command - dlp::kReadUserInfo]) + " (" + HexByte(command) + ")";
  }
  return "DLP command " + HexByte(command);
}

std::string DlpErrorName(uint16_t error) {
  const std::string name = error < kErrorNames.size() ? kErrorNames[error] : "unknown DLP error";
  return name + " (" + std::to_string(error) + ")";
}

ConduitError DlpRefusal(uint8_t command, uint16_t error) {
  return ConduitError(
      error == dlp::kErrNotFound ? err::kNotFound : err::kHandheldRefused,
      "The handheld refused " + DlpCommandName(command) + ": " + DlpErrorName(error));
}

}  // namespace corvane::link
