#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

// Cuts a report's text into the pieces of its part records. Each piece ends
// just after the last CR LF that starts within the first splitSize
// characters (not at the very first one); without such a CR LF the piece is
// the next two characters, so an overlong line goes two characters a part.
// The search only moves forward through the text: the whole cut costs time
// in proportion to the text, however long its lines.
class ReportPieces {
 public:
  ReportPieces(std::string_view text, int32_t splitSize) : text_(text), split_size_(splitSize) {}

  bool Done() const { return start_ >= text_.size(); }
  // The next piece, a view into the text; call only while !Done().
  std::string_view Next();

 private:
  std::string_view text_;
  int32_t split_size_;
  size_t start_ = 0;
  size_t next_crlf_ = 0;  // a CR LF at or after start_ + 1, or npos; 0 before the first search
};

// The number of pieces ReportPieces cuts text into: the dry run that tells,
// before any part is written, whether a report fits the records its
// database has left.
size_t CountReportPieces(std::string_view text, int32_t splitSize);

}  // namespace corvane
