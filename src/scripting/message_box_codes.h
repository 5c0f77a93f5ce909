// The numbers both macro languages give a message box: a button set (taken modulo 6), an icon
// (modulo 4) and the number of the answer; and its text with each CR LF pair as one line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "interfaces/ui.h"

namespace orkan {

// 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel.
Buttons ButtonSetNumbered(int64_t number);
// 0 none, 1 error, 2 question, 3 warning.
Icon IconNumbered(int64_t number);
// 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
int AnswerNumber(Answer answer);
std::string MessageBoxText(std::string_view text);

}  // namespace orkan
