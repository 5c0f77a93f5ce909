// For the capture tests: a Ui with file dialogs that answer from a script and remember what they
// were asked, and the permission bits of a file.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "support/recording_ui.h"

namespace orkan::test {

struct DialogUi : RecordingUi {
    bool CanAsk() const override { return true; }
    std::optional<std::string> AskFileName(const FileDialogRequest& r) override {
        requests.push_back(r);
        if (r.append) {
            append_offered = *r.append;
            if (answer) *r.append = append_answer;
        }
        return answer;
    }
    std::vector<FileDialogRequest> requests;
    std::optional<std::string> answer;  // nothing: Cancel
    bool append_answer = false;
    std::optional<bool> append_offered;
};

// 0 when there is no file.
inline mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace orkan::test
