#include "api/line_reader.h"

namespace orkan {

void LineReader::Feed(std::string_view bytes, const std::function<void(std::string_view)>& line,
                      const std::function<void()>& too_long) {
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!skipping_) {
            if (partial_.size() + piece.size() > max_line_) {
                partial_.clear();
                skipping_ = true;
                too_long();
            } else if (end == std::string_view::npos) {
                partial_.append(piece);
            } else {
                std::string_view whole = piece;
                if (!partial_.empty()) {
                    partial_.append(piece);
                    whole = partial_;
                }
                if (!whole.empty() && whole.back() == '\r') whole.remove_suffix(1);
                line(whole);
                partial_.clear();
            }
        }
        if (end == std::string_view::npos) return;
        skipping_ = false;
        bytes.remove_prefix(end + 1);
    }
}

void LineReader::Finish(const std::function<void(std::string_view)>& line) {
    if (!skipping_ && !partial_.empty()) line(partial_);
    partial_.clear();
    skipping_ = false;
}

}  // namespace orkan
