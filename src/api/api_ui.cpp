#include "api/api_ui.h"

namespace orkan {

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

}  // namespace orkan
