#include "ds3270/messages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "session/session.h"

namespace orkan {

std::string FormatMessage(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return format;
    return std::string(buffer, std::min<size_t>(size_t(n), sizeof buffer - 1));
}

void ReportHostError(Session& session, const char* title, const std::string& text) {
    session.ui.ShowMessage(MessageBox{title, text, Buttons::Ok, Icon::Error});
}

}  // namespace orkan
