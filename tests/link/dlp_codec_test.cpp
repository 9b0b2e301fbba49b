// DLP messages: the three argument sizes both ways, and what a handheld
// may send that must be refused without harm.

#include "link/dlp_codec.h"

#include <gtest/gtest.h>

#include "fixtures/caught_error.h"
#include "fixtures/session_recording.h"

namespace corvane::link {
namespace {

using testing::ErrorNumberOf;
using testing::Hex;
using testing::Unhex;

DlpArgument Arg(uint8_t id, size_t length, ArgSize size = ArgSize::kFit) {
  Bytes data(length);
  for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(i * 7);
  return DlpArgument{id, data, size};
}

TEST(DlpCodecTest, ArgumentsOfEachSizeEncodeAndDecodeBack) {
  const struct {
    DlpArgument arg;
    const char* head;  // the argument's header on the wire
  } cases[] = {
      {Arg(0x20, 0), "2000"},
      {Arg(0x21, 255), "21ff"},
      {Arg(0x20, 256), "a0000100"},
      {Arg(0x3F, 65535), "bf00ffff"},
      {Arg(0x20, 65536),
       "6000"
       "00010000"},
      {Arg(0x22, 3, ArgSize::kShort), "a2000003"},
      {Arg(0x20, 3, ArgSize::kLong),
       "6000"
       "00000003"},
  };
  for (const auto& [arg, head] : cases) {
    SCOPED_TRACE(head);
    const DlpRequest request{0x20, {arg, Arg(0x21, 2)}};
    const Bytes wire = EncodeDlpRequest(request);
    EXPECT_EQ(Hex(wire).substr(0, 4 + std::string(head).size()), std::string("2002") + head);
    DlpRequest back = DecodeDlpRequest(wire);
    // kFit comes back as the size it was written in.
    if (request.arguments[0].size == ArgSize::kFit) back.arguments[0].size = ArgSize::kFit;
    back.arguments[1].size = ArgSize::kFit;
    EXPECT_EQ(back, request);

    const DlpResponse response{0x20, dlp::kErrNone, {arg}};
    const Bytes answer = EncodeDlpResponse(response);
    EXPECT_EQ(Hex(answer).substr(0, 8 + std::string(head).size()), std::string("a0010000") + head);
    EXPECT_EQ(EncodeDlpResponse(DecodeDlpResponse(answer)), answer);
  }
}

TEST(DlpCodecTest, RecordedMessagesDecodeToTheirFields) {
  const DlpRequest request = DecodeDlpRequest(Unhex("12 01 20 04 00010004"));
  EXPECT_EQ(request, (DlpRequest{dlp::kReadSysInfo, {{0x20, {0, 1, 0, 4}, ArgSize::kTiny}}}));
  const DlpResponse refused = DecodeDlpResponse(Unhex("9d 00 0005"));
  EXPECT_EQ(refused, (DlpResponse{dlp::kReadSortBlock, dlp::kErrNotFound, {}}));
}

TEST(DlpCodecTest, MalformedMessagesAreRefused) {
  const struct {
    const char* hex;
    bool answer;
  } cases[] = {
      {"", false},                          // nothing at all
      {"12", false},                        // no argument count
      {"12 01 20", false},                  // no argument length
      {"12 01 20 05 00010004", false},      // length past the end
      {"12 02 20 00", false},               // fewer arguments than counted
      {"12 01 a0 00 00", false},            // short length cut off
      {"12 01 a0 00 ffff 00", false},       // short length past the end
      {"12 01 60 00 ffffffff 00", false},   // a 4 GB length
      {"12 01 e0 00 0001 00", false},       // both size bits
      {"12 01 a0 01 0001 00", false},       // pad byte set
      {"12 00 00", false},                  // bytes after the last argument
      {"92 00 0000", false},                // an answer where a request belongs
      {"12 00", true},                      // a request where an answer belongs
      {"92 00 00", true},                   // error code cut off
      {"92 01 0000 20 0e 0540", true},      // argument cut off
      {"92 01 0000 40 00 fffffff0", true},  // a 4 GB length
  };
  for (const auto& [hex, answer] : cases) {
    const Bytes bytes = Unhex(hex);
    EXPECT_EQ(ErrorNumberOf(
                  [&] { answer ? (void)DecodeDlpResponse(bytes) : (void)DecodeDlpRequest(bytes); }),
              err::kLinkMalformed)
        << hex;
  }
}

TEST(DlpCodecTest, WhatCannotBeWrittenIsRefused) {
  const DlpRequest cases[] = {
      {0x20, {Arg(0x40, 1)}},  // id over 6 bits
      {0x20, {Arg(0x20, 256, ArgSize::kTiny)}},
      {0x20, {Arg(0x20, 65536, ArgSize::kShort)}},
      {0x20, std::vector<DlpArgument>(256, Arg(0x20, 0))},
      {0xA0, {}},  // a response's command
  };
  for (const DlpRequest& request : cases) {
    EXPECT_EQ(ErrorNumberOf([&] { EncodeDlpRequest(request); }), err::kBadArgument);
  }
}

TEST(DlpCodecTest, DlpErrorsMapToNotFoundOrRefused) {
  const struct {
    uint8_t command;
    uint16_t error;
    const char* text;
  } cases[] = {
      {dlp::kReadRecord, dlp::kErrNotFound,
       "-2147213296 - The handheld refused ReadRecord (0x20): dlpErrNotFound (5)"},
      {dlp::kOpenDB, dlp::kErrCantOpen,
       "-2147213277 - The handheld refused OpenDB (0x17): dlpErrCantOpen (10)"},
      {dlp::kWriteRecord, dlp::kErrReadOnly,
       "-2147213277 - The handheld refused WriteRecord (0x21): dlpErrReadOnly (15)"},
      {0x70, 300, "-2147213277 - The handheld refused DLP command 0x70: unknown DLP error (300)"},
  };
  for (const auto& [command, error, text] : cases) {
    EXPECT_EQ(DlpRefusal(command, error).Text(), text);
  }
}

}  // namespace
}  // namespace corvane::link
