// A Ui for tests: records every message box and answers from a script (default: the safest answer).
#pragma once

#include <deque>
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
    std::vector<MessageBox> shown;
    std::deque<Answer> answers;  // answers to give, in order
};

}  // namespace orkan::test
