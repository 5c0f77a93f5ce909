#include "capture/screen_save.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "capture/capture_messages.h"
#include "capture/screen_text.h"
#include "config/data_file.h"
#include "config/file_name_text.h"
#include "config/record_text.h"
#include "keyboard/key_functions.h"
#include "session/session.h"

namespace orkan {

namespace {

SaveFileAction ActionOf(const Session& s) {
    switch (s.record.Number(field::SaveFileAction)) {
        case 1:
            return SaveFileAction::Append;
        case 2:
            return SaveFileAction::Numbered;
        default:
            return SaveFileAction::Replace;
    }
}

std::string NumberedName(int counter) {
    char name[32];
    std::snprintf(name, sizeof name, "screen-%04d", counter);
    return name;
}

}  // namespace

ScreenCapture::ScreenCapture(Session& session) : session_(session) {
    NewCaptureFolder();
}

bool ScreenCapture::Active() const {
    return session_.indicators.capture_active;
}

std::string ScreenCapture::CaptureFolder() const {
    std::string folder = session_.folders.screens;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + folder_name_;
}

void ScreenCapture::NewCaptureFolder() {
    const std::tm now = session_.wall_clock->LocalNow();
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &now) == 0) stamp[0] = '\0';
    const std::string base = "capture-" + std::string(stamp);
    folder_name_ = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(CaptureFolder(), ec); ++n)
        folder_name_ = base + "-" + std::to_string(n);
    counter_ = 1;
}

bool ScreenCapture::SaveScreen(uint8_t oper_number) {
    return Save(oper_number, false);
}

bool ScreenCapture::Save(uint8_t oper_number, bool capturing) {
    SessionRecord& record = session_.record;
    SaveFileAction action = ActionOf(session_);
    std::string name = StoredNameToPath(record.Text(field::SaveScreenFile));
    bool numbered = action == SaveFileAction::Numbered;
    if (numbered) name = NumberedName(counter_++);

    if (oper_number == oper_fn::SaveScreenAsk) {
        Ui& ui = session_.ui;
        const bool html = record.Flag(field::FormatAsHtml);
        bool append_chosen = action == SaveFileAction::Append;
        FileDialogRequest request;
        request.purpose = FileDialogRequest::Purpose::Save;
        request.title = "Save Screen As...";
        request.folder = numbered ? CaptureFolder() : session_.folders.screens;
        request.file_name = name;
        request.filters = {{html ? "HTML files" : "Text files", {html ? "*.html" : "*.txt"}}};
        request.append = &append_chosen;
        const std::optional<std::string> chosen = ui.AskFileName(request);
        if (!chosen) {
            if (!ui.CanAsk())
                ui.ShowMessage(capture_msg::NeedsFileName(
                    "Save Screen to Disk Ask",
                    "Set the file name with the session option \"FILE\" and use Save Screen to Disk."));
            return false;
        }
        const std::optional<std::string> stored = PathToStoredName(*chosen);
        if (!stored) {
            ui.ShowMessage({"Orkan TN3270 Error",
                            "The file name " + capture_msg::Shown(*chosen) +
                                " has characters a session file cannot hold; choose another name.",
                            Buttons::Ok, Icon::Warning});
            return false;
        }
        if (!StoreRecordText(record, field::SaveScreenFile, *stored, "file name", ui)) return false;
        action = append_chosen ? SaveFileAction::Append : SaveFileAction::Replace;
        record.SetNumber(field::SaveFileAction, uint32_t(action));
        name = *chosen;
        numbered = false;
    }

    const bool append = oper_number == oper_fn::SaveScreenAppend || action == SaveFileAction::Append;
    MessageBox failure;
    if (name.empty()) {
        last_error_ = ENOENT;
        last_path_.clear();
        failure = capture_msg::NoScreenFileName();
    } else if (Write(name, append && !numbered, numbered)) {
        return true;
    } else if (folder_not_made_) {
        failure = capture_msg::ScreenFolderNotMade(last_error_, last_path_, capturing);
    } else {
        failure = capture_msg::ScreenNotSaved(last_error_, last_path_);
    }
    if (capturing) {
        session_.indicators.capture_active = false;
        session_.view->RefreshStatusLine();
        if (!name.empty() && !folder_not_made_)
            failure = capture_msg::CaptureStopped(last_error_, last_path_);
    }
    session_.ui.ShowMessage(failure);
    return false;
}

bool ScreenCapture::Write(const std::string& name, bool append, bool numbered) {
    const bool html = session_.record.Flag(field::FormatAsHtml);
    const auto contents = [&](bool starts_file) {
        // A file that starts here says how it is encoded; one appended to already did.
        if (!html) return ScreenAsText(session_);
        const bool markers = attribute_markers_shown && attribute_markers_shown();
        return (starts_file ? std::string(kHtmlCharsetLine) : std::string()) +
               ScreenAsHtml(session_, markers);
    };
    const DataWrite mode = numbered ? DataWrite::CreateNew : append ? DataWrite::Append : DataWrite::Replace;
    const std::string folder = numbered ? CaptureFolder() : session_.folders.screens;
    std::string file = name;
    // A missing folder (a capture folder's, at its first save) is made here, so that a failure
    // names the folder and the real reason rather than the file as missing.
    folder_not_made_ = false;
    const std::filesystem::path parent = std::filesystem::path(DataFilePath(file, folder, "")).parent_path();
    std::error_code ec;
    if (!parent.empty() && !std::filesystem::exists(parent, ec) && !ec &&
        !std::filesystem::create_directories(parent, ec) && ec) {
        folder_not_made_ = true;
        last_path_ = parent.string();
        last_error_ = ec.value();
        return false;
    }
    for (int taken = 0;; ++taken) {
        last_path_ = DataFilePath(file, folder, html ? "html" : "txt");
        last_error_ = SaveDataFile(last_path_, mode, contents);
        // A numbered file is never replaced: another session saving into the same folder (one
        // started in the same second) took that number, so this one takes the next.
        if (last_error_ != EEXIST || !numbered || taken == 9999) break;
        file = NumberedName(counter_++);
    }
    return last_error_ == 0;
}

void ScreenCapture::ToggleCapture() {
    const bool on = !Active();
    if (on) NewCaptureFolder();
    session_.indicators.capture_active = on;
    session_.view->RefreshStatusLine();
    if (on) (void)Save(oper_fn::SaveScreen, true);
}

void ScreenCapture::AfterUnlockCapture() {
    if (Active()) (void)Save(oper_fn::SaveScreenAppend, true);
}

}  // namespace orkan
