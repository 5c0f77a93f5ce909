// Message boxes, the one way the core talks to the user. The desktop program shows them with Qt,
// the headless program prints them to stderr and answers with the safest choice, tests record them.
#pragma once

#include <string>

namespace orkan {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

// Title and text are display bytes (Windows-1252), exactly as the messages are written; line breaks
// inside the text are "\n".
struct MessageBox {
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

class Ui {
public:
    virtual ~Ui() = default;
    virtual Answer ShowMessage(const MessageBox& box) = 0;
};

// The answer that loses nothing and retries nothing: what an unattended session must choose.
constexpr Answer SafestAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::OkCancel: return Answer::Cancel;
        case Buttons::YesNo: return Answer::No;
        case Buttons::YesNoCancel: return Answer::Cancel;
        case Buttons::RetryCancel: return Answer::Cancel;
    }
    return Answer::Cancel;
}

}  // namespace orkan
