// Message boxes of a session run through the automation interface: the program's own Ui shows and
// answers them (the headless program prints them on stderr with the safest answer), and the
// interface hears of each, reports it as an event and uses the last text to say why a request
// failed.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "interfaces/ui.h"

namespace orkan {

class ApiUi final : public Ui {
  public:
    using Listener = std::function<void(const MessageBox& box, Answer answer)>;

    explicit ApiUi(Ui& shown_by) : shown_by_(shown_by) {}
    Answer ShowMessage(const MessageBox& box) override;
    void AddDebugLine(std::string_view display_text) override;

    void SetListener(Listener listener) { listener_ = std::move(listener); }
    // Boxes shown so far, and the text of the last one (display bytes).
    uint64_t Shown() const { return shown_; }
    const std::string& LastText() const { return last_text_; }
    // Debug lines so far, and the last few of those after `mark` (display bytes): where a REXX
    // macro's interpreter reports its error.
    uint64_t DebugLines() const { return debug_lines_; }
    std::vector<std::string> DebugLinesSince(uint64_t mark) const;

  private:
    Ui& shown_by_;
    Listener listener_;
    uint64_t shown_ = 0;
    std::string last_text_;
    uint64_t debug_lines_ = 0;
    std::deque<std::string> recent_debug_;  // the last kRecentDebugLines, each cut to a length
};

std::string_view ButtonsName(Buttons buttons);
std::string_view AnswerName(Answer answer);

}  // namespace orkan
