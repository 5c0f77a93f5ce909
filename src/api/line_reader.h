// Lines out of a byte stream, each at most a bounded length: whatever a client writes, the reader
// holds no more than one line's worth of bytes, and a line past the bound is reported once and
// skipped up to its end instead of being cut into pieces that would be read as requests.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orkan {

class LineReader {
  public:
    explicit LineReader(size_t max_line) : max_line_(max_line) {}

    // Complete lines (without their LF, nor a CR before it) go to `line`; `too_long` runs once for
    // every line that exceeded the bound, when the bound is passed.
    void Feed(std::string_view bytes, const std::function<void(std::string_view)>& line,
              const std::function<void()>& too_long);

    // Bytes of an unfinished line (the stream ended without a final LF): handed over as a line.
    void Finish(const std::function<void(std::string_view)>& line);

  private:
    size_t max_line_;
    std::string partial_;
    bool skipping_ = false;  // inside a line that was too long, until its LF
};

}  // namespace orkan
