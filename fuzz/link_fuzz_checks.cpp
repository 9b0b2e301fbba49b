// The fuzz checks of the Palm protocol code that reads what a handheld
// sends: DLP messages, the client's decoders of answers, NetSync's
// datagrams as the desktop receives them, and the conduit's channel.

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>

#include "fuzz_checks.h"
#include "fuzz_verdicts.h"
#include "input_stream.h"
#include "link/channel.h"
#include "link/dlp_answers.h"
#include "link/dlp_codec.h"
#include "link/netsync.h"
#include "support/conduit_error.h"

namespace corvane::fuzz {
namespace {

bool HasZero(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

// Runs one of the client's decoders on an answer: it refuses it as
// malformed, or what it gives holds together. The fault, or "".
std::string Decoded(const std::function<std::string()>& decode) {
  try {
    return decode();
  } catch (const ConduitError& e) {
    return e.number() == err::kLinkMalformed ? "" : "decoder raised " + e.Text();
  }
}

std::string CheckDecoders(const link::DlpResponse& answer) {
  const link::DlpArgument* first = answer.Find(link::dlp::kFirstArgId);
  const size_t size = first == nullptr ? 0 : first->data.size();
  const std::function<std::string()> decoders[] = {
      [&] {
        const link::UserInfo info = link::ParseUserInfo(answer);
        return HasZero(info.user_name) || 30 + info.user_name.size() + info.password.size() > size
                   ? "user information larger than its argument"
                   : "";
      },
      [&] {
        const link::DbListPage page = link::ParseDbList(answer);
        for (const link::DbInfo& db : page.databases) {
          if (HasZero(db.name)) return "a database name holds a zero";
        }
        return 4 + 44 * page.databases.size() > size ? "more databases than fit" : "";
      },
      [&] {
        const link::DlpRecord record = link::ParseRecord(answer);
        return 10 + record.data.size() != size ? "record data not the argument's rest" : "";
      },
      [&] {
        const std::vector<uint32_t> ids = link::ParseRecordIds(answer);
        return 2 + 4 * ids.size() > size ? "more record ids than fit" : "";
      },
      [&] {
        const link::StorageInfo info = link::ParseStorageInfo(answer);
        return 4 + 26 * info.cards.size() > size ? "more cards than fit" : "";
      },
      [&] {
        const link::FoundDb found = link::ParseFoundDb(answer);
        return HasZero(found.info.name) ? "a database name holds a zero" : "";
      },
      // Each on its own: a refusal from one must not keep the others from running.
      [&] {
        link::ParseSysInfo(answer);
        return "";
      },
      [&] {
        link::ParseNetSyncInfo(answer);
        return "";
      },
      [&] {
        link::ParseResource(answer);
        return "";
      },
  };
  for (const auto& decode : decoders) {
    const std::string fault = Decoded(decode);
    if (!fault.empty()) return fault;
  }
  return "";
}

// Collects what is written.
class VectorStream : public link::ByteStream {
 public:
  explicit VectorStream(Bytes& out) : out_(out) {}
  size_t ReadSome(uint8_t*, size_t, link::Deadline) override {
    throw ConduitError(err::kLinkClosed, "nothing to read");
  }
  void Write(const uint8_t* data, size_t size) override {
    out_.insert(out_.end(), data, data + size);
  }

 private:
  Bytes& out_;
};

}  // namespace

FuzzOutcome CheckDlpRequest(const uint8_t* data, size_t size) {
  try {
    const Bytes back = link::EncodeDlpRequest(link::DecodeDlpRequest({data, size}));
    if (back != Bytes(data, data + size)) return Fault("request encodes back differently");
    return {true, ""};
  } catch (const ConduitError& e) {
    return Refused(e, {err::kLinkMalformed});
  }
}

FuzzOutcome CheckDlpResponse(const uint8_t* data, size_t size) {
  link::DlpResponse answer;
  try {
    answer = link::DecodeDlpResponse({data, size});
    if (link::EncodeDlpResponse(answer) != Bytes(data, data + size)) {
      return Fault("answer encodes back differently");
    }
  } catch (const ConduitError& e) {
    return Refused(e, {err::kLinkMalformed});
  }
  const std::string fault = CheckDecoders(answer);
  return {fault.empty(), fault};
}

FuzzOutcome CheckNetSyncStream(const uint8_t* data, size_t size) {
  // The input opens the session and answers the first request, or, when it
  // is no opening, answers a request of a session already open.
  InputStream opening(data, size, 7);
  link::NetSyncDesktop opened(opening);
  bool open = false;
  try {
    opened.Open();
    open = true;
  } catch (const ConduitError& e) {
    const FuzzOutcome outcome = Refused(e, {err::kLinkMalformed, err::kLinkClosed});
    if (!outcome.fault.empty()) return outcome;
  }
  InputStream answering(data, size, 7);
  link::NetSyncDesktop unopened(answering);
  try {
    const Bytes answer = (open ? opened : unopened).Exchange({link::dlp::kReadUserInfo, 0});
    if (answer.size() > link::kMaxDlpMessage) return Fault("answer over the maximum");
    return {true, ""};
  } catch (const ConduitError& e) {
    return Refused(e, {err::kLinkMalformed, err::kLinkClosed});
  }
}

FuzzOutcome CheckChannelStream(const uint8_t* data, size_t size) {
  // What crosses the conduit's channel: whole messages, each written back
  // as it came, until the input ends or breaks the framing.
  InputStream in(data, size, 7);
  Bytes again;
  for (;;) {
    try {
      const Bytes message = link::ReadChannelMessage(in, link::After(std::chrono::seconds(1)));
      // The bytes before were compared with their messages already.
      const size_t before = again.size();
      VectorStream out(again);
      link::WriteChannelMessage(out, message);
      if (!std::equal(again.begin() + before, again.end(), data + before))
        return Fault("message written back differently");
    } catch (const ConduitError& e) {
      // The input ends where a message ends: all of it was messages.
      if (e.number() == err::kLinkClosed && !again.empty() && again.size() == size)
        return {true, ""};
      return Refused(e, {err::kLinkMalformed, err::kLinkClosed});
    }
  }
}

}  // namespace corvane::fuzz
