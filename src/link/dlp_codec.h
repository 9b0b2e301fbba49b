#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/dlp_transport.h"
#include "support/conduit_error.h"

namespace corvane::link {

// The Desktop Link Protocol's messages. A request is its command byte, an
// argument count and the arguments; the answer repeats the command with the
// top bit set and adds a 16-bit error code before its arguments. All
// numbers are big-endian.
namespace dlp {

// Commands.
inline constexpr uint8_t kReadUserInfo = 0x10;
inline constexpr uint8_t kWriteUserInfo = 0x11;
inline constexpr uint8_t kReadSysInfo = 0x12;
inline constexpr uint8_t kGetSysDateTime = 0x13;
inline constexpr uint8_t kSetSysDateTime = 0x14;
inline constexpr uint8_t kReadStorageInfo = 0x15;
inline constexpr uint8_t kReadDBList = 0x16;
inline constexpr uint8_t kOpenDB = 0x17;
inline constexpr uint8_t kCreateDB = 0x18;
inline constexpr uint8_t kCloseDB = 0x19;
inline constexpr uint8_t kDeleteDB = 0x1A;
inline constexpr uint8_t kReadAppBlock = 0x1B;
inline constexpr uint8_t kWriteAppBlock = 0x1C;
inline constexpr uint8_t kReadSortBlock = 0x1D;
inline constexpr uint8_t kWriteSortBlock = 0x1E;
inline constexpr uint8_t kReadNextModifiedRec = 0x1F;
inline constexpr uint8_t kReadRecord = 0x20;
inline constexpr uint8_t kWriteRecord = 0x21;
inline constexpr uint8_t kDeleteRecord = 0x22;
inline constexpr uint8_t kReadResource = 0x23;
inline constexpr uint8_t kWriteResource = 0x24;
inline constexpr uint8_t kDeleteResource = 0x25;
inline constexpr uint8_t kCleanUpDatabase = 0x26;
inline constexpr uint8_t kResetSyncFlags = 0x27;
inline constexpr uint8_t kCallApplication = 0x28;
inline constexpr uint8_t kResetSystem = 0x29;
inline constexpr uint8_t kAddSyncLogEntry = 0x2A;
inline constexpr uint8_t kReadOpenDBInfo = 0x2B;
inline constexpr uint8_t kMoveCategory = 0x2C;
inline constexpr uint8_t kProcessRPC = 0x2D;
inline constexpr uint8_t kOpenConduit = 0x2E;
inline constexpr uint8_t kEndOfSync = 0x2F;
inline constexpr uint8_t kResetRecordIndex = 0x30;
inline constexpr uint8_t kReadRecordIDList = 0x31;
inline constexpr uint8_t kReadNextRecInCategory = 0x32;
inline constexpr uint8_t kReadNextModifiedRecInCategory = 0x33;
inline constexpr uint8_t kReadAppPreference = 0x34;
inline constexpr uint8_t kWriteAppPreference = 0x35;
inline constexpr uint8_t kReadNetSyncInfo = 0x36;
inline constexpr uint8_t kWriteNetSyncInfo = 0x37;
inline constexpr uint8_t kReadFeature = 0x38;
inline constexpr uint8_t kFindDB = 0x39;
inline constexpr uint8_t kSetDBInfo = 0x3A;

// The top bit of an answer's command byte.
inline constexpr uint8_t kResponseBit = 0x80;
// The first argument's id; a command's other forms use the next ids.
inline constexpr uint8_t kFirstArgId = 0x20;
inline constexpr uint8_t kMaxArgId = 0x3F;

// Fields of the requests and answers, the same on both ends.
// A read length: the whole record, resource or block.
inline constexpr uint16_t kToTheEnd = 0xFFFF;
// ReadDBList: which store, and one database or a page of them; the answer's
// flag that another page follows.
inline constexpr uint8_t kListRam = 0x80;
inline constexpr uint8_t kListRom = 0x40;
inline constexpr uint8_t kListMultiple = 0x20;
inline constexpr uint8_t kListMore = 0x80;
// OpenDB's mode bits.
inline constexpr uint8_t kOpenRead = 0x80;
inline constexpr uint8_t kOpenWrite = 0x40;
inline constexpr uint8_t kOpenExclusive = 0x20;
inline constexpr uint8_t kOpenSecret = 0x10;
// FindDB: what the answer carries beside the database's place.
inline constexpr uint8_t kFindAttributes = 0x80;
inline constexpr uint8_t kFindSizes = 0x40;
inline constexpr uint8_t kFindMaxRecordSize = 0x20;
// WriteRecord's flag: the record's data comes with the request.
inline constexpr uint8_t kRecordDataIncluded = 0x80;
// DeleteRecord's flags: every record, or every record of one category.
inline constexpr uint8_t kDeleteAll = 0x80;
inline constexpr uint8_t kDeleteCategory = 0x40;
// A record's archived bit: DLP carries it, a stored record has no room for
// it (the pdb::kRecord* bits are the others).
inline constexpr uint8_t kRecordArchived = 0x08;

// The handheld's error codes.
inline constexpr uint16_t kErrNone = 0;
inline constexpr uint16_t kErrSystem = 1;
inline constexpr uint16_t kErrIllegalRequest = 2;
inline constexpr uint16_t kErrMemory = 3;
inline constexpr uint16_t kErrParam = 4;
inline constexpr uint16_t kErrNotFound = 5;
inline constexpr uint16_t kErrNoneOpen = 6;
inline constexpr uint16_t kErrDatabaseOpen = 7;
inline constexpr uint16_t kErrTooManyOpen = 8;
inline constexpr uint16_t kErrAlreadyExists = 9;
inline constexpr uint16_t kErrCantOpen = 10;
inline constexpr uint16_t kErrRecordDeleted = 11;
inline constexpr uint16_t kErrRecordBusy = 12;
inline constexpr uint16_t kErrNotSupported = 13;
inline constexpr uint16_t kErrReadOnly = 15;
inline constexpr uint16_t kErrNotEnoughSpace = 16;
inline constexpr uint16_t kErrLimitExceeded = 17;
inline constexpr uint16_t kErrCancelSync = 18;
inline constexpr uint16_t kErrBadWrapper = 19;
inline constexpr uint16_t kErrArgMissing = 20;
inline constexpr uint16_t kErrArgSize = 21;

}  // namespace dlp

// How an argument's length is written: tiny (id, 1-byte length), short
// (id|0x80, pad, 2-byte length) or long (id|0x40, pad, 4-byte length).
// kFit picks the smallest that holds the data; a decoded argument keeps the
// size it came in, so that it encodes back to the same bytes.
enum class ArgSize : uint8_t { kFit, kTiny, kShort, kLong };

struct DlpArgument {
  uint8_t id = dlp::kFirstArgId;  // 6 bits
  Bytes data;
  ArgSize size = ArgSize::kFit;

  bool operator==(const DlpArgument&) const = default;
};

struct DlpRequest {
  uint8_t command = 0;
  std::vector<DlpArgument> arguments;

  bool operator==(const DlpRequest&) const = default;
};

struct DlpResponse {
  uint8_t command = 0;  // the command answered, without the response bit
  uint16_t error = dlp::kErrNone;
  std::vector<DlpArgument> arguments;

  bool operator==(const DlpResponse&) const = default;
  // The argument with this id, or nullptr.
  const DlpArgument* Find(uint8_t id) const;
};

// Encoding raises kBadArgument for what cannot be written: an id over 6
// bits, more than 255 arguments, data too long for the size asked for.
Bytes EncodeDlpRequest(const DlpRequest& request);
Bytes EncodeDlpResponse(const DlpResponse& response);
// Decoding raises kLinkMalformed saying what is wrong: a truncated message,
// a length past the end, bytes after the last argument, an unknown argument
// size, a non-zero pad byte, a request with the response bit or an answer
// without it.
DlpRequest DecodeDlpRequest(std::span<const uint8_t> message);
DlpResponse DecodeDlpResponse(std::span<const uint8_t> message);

// "ReadRecord (0x20)"; unknown commands by number alone.
std::string DlpCommandName(uint8_t command);
// "0x4F", for messages.
std::string HexByte(uint8_t value);
// "dlpErrNotFound (5)".
std::string DlpErrorName(uint16_t error);
// The error a non-zero DLP error code stands for: kNotFound for
// dlpErrNotFound, kHandheldRefused for any other, naming command and error.
ConduitError DlpRefusal(uint8_t command, uint16_t error);

}  // namespace corvane::link
