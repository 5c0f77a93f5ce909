#include "api/api_ui.h"

#include <algorithm>

namespace orkan {

namespace {

constexpr size_t kRecentDebugLines = 16;
constexpr size_t kDebugLineKept = 1024;

}  // namespace

std::string_view ButtonsName(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return "ok";
        case Buttons::OkCancel:
            return "ok_cancel";
        case Buttons::YesNo:
            return "yes_no";
        case Buttons::YesNoCancel:
            return "yes_no_cancel";
        case Buttons::RetryCancel:
            return "retry_cancel";
        case Buttons::AbortRetryIgnore:
            return "abort_retry_ignore";
    }
    return "ok";
}

std::string_view AnswerName(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return "ok";
        case Answer::Cancel:
            return "cancel";
        case Answer::Yes:
            return "yes";
        case Answer::No:
            return "no";
        case Answer::Retry:
            return "retry";
        case Answer::Abort:
            return "abort";
        case Answer::Ignore:
            return "ignore";
    }
    return "ok";
}

Answer ApiUi::ShowMessage(const MessageBox& box) {
    const Answer answer = shown_by_.ShowMessage(box);
    ++shown_;
    last_text_ = box.text;
    if (listener_) listener_(box, answer);
    return answer;
}

void ApiUi::AddDebugLine(std::string_view display_text) {
    shown_by_.AddDebugLine(display_text);
    ++debug_lines_;
    if (recent_debug_.size() == kRecentDebugLines) recent_debug_.pop_front();
    recent_debug_.emplace_back(display_text.substr(0, kDebugLineKept));
}

std::vector<std::string> ApiUi::DebugLinesSince(uint64_t mark) const {
    const uint64_t since =
        std::min<uint64_t>(debug_lines_ - std::min(mark, debug_lines_), recent_debug_.size());
    return {recent_debug_.end() - std::ptrdiff_t(since), recent_debug_.end()};
}

}  // namespace orkan
