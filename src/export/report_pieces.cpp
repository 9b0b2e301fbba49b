#include "export/report_pieces.h"

namespace corvane {

std::string_view ReportPieces::Next() {
  constexpr std::string_view kCrLf = "\r\n";
  constexpr size_t npos = std::string_view::npos;
  if (next_crlf_ != npos && next_crlf_ < start_ + 1) next_crlf_ = text_.find(kCrLf, start_ + 1);

  // A CR LF counts when it starts at offset 1 to splitSize - 1 of the rest.
  size_t cut = npos;
  if (split_size_ >= 2) {
    const size_t last_allowed = start_ + static_cast<size_t>(split_size_) - 1;
    while (next_crlf_ != npos && next_crlf_ <= last_allowed) {
      cut = next_crlf_;
      next_crlf_ = text_.find(kCrLf, next_crlf_ + 2);
    }
  }
  const size_t length = cut == npos ? 2 : cut - start_ + 2;
  std::string_view piece = text_.substr(start_, length);
  start_ += piece.size();
  return piece;
}

size_t CountReportPieces(std::string_view text, int32_t splitSize) {
  size_t count = 0;
  for (ReportPieces pieces(text, splitSize); !pieces.Done(); pieces.Next()) ++count;
  return count;
}

}  // namespace corvane
