#include "scripting/message_box_codes.h"

#include <array>

namespace orkan {

namespace {

// Any number picks one: negative ones count from the end, as the remainder of a division would.
size_t Pick(int64_t number, size_t count) {
    const int64_t n = int64_t(count);
    return size_t(((number % n) + n) % n);
}

}  // namespace

Buttons ButtonSetNumbered(int64_t number) {
    static constexpr std::array<Buttons, 6> kSets = {
        Buttons::Ok,          Buttons::OkCancel, Buttons::AbortRetryIgnore,
        Buttons::YesNoCancel, Buttons::YesNo,    Buttons::RetryCancel};
    return kSets[Pick(number, kSets.size())];
}

Icon IconNumbered(int64_t number) {
    static constexpr std::array<Icon, 4> kIcons = {Icon::None, Icon::Error, Icon::Question, Icon::Warning};
    return kIcons[Pick(number, kIcons.size())];
}

int AnswerNumber(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return 1;
        case Answer::Cancel:
            return 2;
        case Answer::Abort:
            return 3;
        case Answer::Retry:
            return 4;
        case Answer::Ignore:
            return 5;
        case Answer::Yes:
            return 6;
        case Answer::No:
            return 7;
    }
    return 2;
}

std::string MessageBoxText(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

}  // namespace orkan
