// A Ui for tests: records every message box and EDITBOX request and answers from a script (by
// default the safest answer, and Cancel for an EDITBOX).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/ui.h"

namespace orkan::test {

class RecordingUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override {
        shown.push_back(box);
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return SafestAnswer(box.buttons);
    }
    std::optional<std::string> AskEditBox(const EditBoxRequest& request) override {
        asked.push_back(request);
        return edit_answer;
    }
    bool CanAsk() const override { return window; }
    bool window = false;  // a desktop's Ui: someone sees what it shows
    std::vector<MessageBox> shown;
    std::deque<Answer> answers;  // answers to give, in order
    std::vector<EditBoxRequest> asked;
    std::optional<std::string> edit_answer;  // nothing: Cancel, as with no window
};

}  // namespace orkan::test
