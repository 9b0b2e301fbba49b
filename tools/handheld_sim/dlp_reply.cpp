#include "handheld_sim/dlp_reply.h"

#include <algorithm>

namespace corvane::handheld_sim {

Reply Ok(Bytes argument) {
  Reply reply;
  reply.arguments.push_back(link::DlpArgument{link::dlp::kFirstArgId, std::move(argument)});
  return reply;
}

Reply Ok() {
  return Reply{};
}

Reply Refused(uint16_t error, std::string why) {
  return Reply{error, false, std::move(why), {}};
}

Reply Fault(uint16_t error, std::string why) {
  return Reply{error, true, std::move(why), {}};
}

link::WireReader ReaderOf(const link::DlpRequest& request, const link::DlpArgument& argument) {
  return link::WireReader(argument.data, link::DlpCommandName(request.command) + " request");
}

link::WireReader OnlyArgument(const link::DlpRequest& request, uint8_t id) {
  if (request.arguments.size() != 1 || request.arguments[0].id != id) {
    link::WireReader({}, link::DlpCommandName(request.command) + " request")
        .Fail("one argument " + HexByte(id) + " expected, " +
              std::to_string(request.arguments.size()) + " arguments came");
  }
  return ReaderOf(request, request.arguments[0]);
}

void NoArguments(const link::DlpRequest& request) {
  if (!request.arguments.empty()) {
    link::WireReader({}, link::DlpCommandName(request.command) + " request")
        .Fail("no arguments expected, " + std::to_string(request.arguments.size()) + " came");
  }
}

void ExpectEnd(const link::WireReader& in) {
  if (in.left() != 0) in.Fail(std::to_string(in.left()) + " bytes too many");
}

std::string ZeroEndedText(link::WireReader& in, size_t max_size, const char* what) {
  const std::span<const uint8_t> rest = in.Rest();
  if (rest.empty() || rest.back() != 0) in.Fail(std::string(what) + " does not end with a zero");
  if (rest.size() > max_size) {
    in.Fail(std::string(what) + " of " + std::to_string(rest.size()) + " bytes is too long");
  }
  if (std::find(rest.begin(), rest.end() - 1, uint8_t{0}) != rest.end() - 1) {
    in.Fail(std::string(what) + " holds a zero before its end");
  }
  return std::string(rest.begin(), rest.end() - 1);
}

}  // namespace corvane::handheld_sim
