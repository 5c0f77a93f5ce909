#include "capture/debug_screen.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "capture/capture_messages.h"
#include "config/data_file.h"
#include "config/record_text.h"
#include "ds3270/write_processor.h"
#include "platform/file_io.h"
#include "session/session.h"

namespace orkan {

namespace {

inline constexpr uint8_t kEndBytes[2] = {0xFF, 0xEF};

// At most `limit` bytes of the file. 0, or the errno of the failure.
int ReadBounded(const std::string& path, size_t limit, std::vector<uint8_t>& out) {
    // Only a regular file: a FIFO would hold the loop until something wrote to it.
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return errno;
    out.resize(limit);
    size_t got = 0;
    int error = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd, out.data() + got, limit - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (n == 0) break;
        got += size_t(n);
    }
    ::close(fd);
    out.resize(got);
    return error;
}

std::optional<std::string> AskName(Session& session, bool save) {
    Ui& ui = session.ui;
    FileDialogRequest request;
    request.purpose = save ? FileDialogRequest::Purpose::Save : FileDialogRequest::Purpose::Open;
    request.title = save ? "Save Screen for Debugging" : "Load a Debugging Screen";
    request.folder = session.folders.app_data;
    request.filters = {{"Debug screens", {"*.dbg"}}};
    std::optional<std::string> chosen = ui.AskFileName(request);
    if (!chosen && !ui.CanAsk())
        ui.ShowMessage(capture_msg::NeedsFileName(save ? "Save Debug Screen" : "Load Debug Screen",
                                                  "Give the debug file's name to the command instead."));
    return chosen;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeDebugScreen(std::span<const uint8_t> record) {
    if (record.empty() || record.size() > kMaxDebugRecord) return std::nullopt;
    std::vector<uint8_t> out(kDebugFileHeader.begin(), kDebugFileHeader.end());
    const size_t length = record.size() + 2;
    out.push_back(uint8_t(length & 0xFF));
    out.push_back(uint8_t(length >> 8));
    out.insert(out.end(), record.begin(), record.end());
    out.insert(out.end(), std::begin(kEndBytes), std::end(kEndBytes));
    return out;
}

std::optional<std::vector<uint8_t>> ParseDebugScreen(std::span<const uint8_t> file) {
    if (file.size() < kDebugRecordOffset) return std::nullopt;
    if (!std::equal(kDebugFileHeader.begin(), kDebugFileHeader.end(), file.begin())) return std::nullopt;
    const size_t length = size_t(file[kDebugLengthOffset]) | size_t(file[kDebugLengthOffset + 1]) << 8;
    if (length < 3 || file.size() - kDebugRecordOffset < length) return std::nullopt;
    // The two bytes after the record are the record's end whatever the file holds there.
    const auto record = file.subspan(kDebugRecordOffset, length - 2);
    return std::vector<uint8_t>(record.begin(), record.end());
}

bool SaveDebugScreen(Session& session, const std::optional<std::string>& name) {
    const std::vector<uint8_t>& record = session.ds.last_record;
    if (record.empty()) {
        session.ui.ShowMessage(capture_msg::NoRecordToSave());
        return false;
    }
    const std::optional<std::vector<uint8_t>> bytes = EncodeDebugScreen(record);
    if (!bytes) {
        session.ui.ShowMessage(capture_msg::RecordTooLongToSave(record.size()));
        return false;
    }
    const std::optional<std::string> chosen = name ? name : AskName(session, true);
    if (!chosen) return false;
    const std::string path = DataFilePath(*chosen, session.folders.app_data, "dbg");
    if (const int error = WritePrivateFile(path, *bytes); error != 0) {
        session.ui.ShowMessage(capture_msg::SaveError(error, path));
        return false;
    }
    return true;
}

bool LoadDebugScreen(Session& session, const std::optional<std::string>& name) {
    const std::optional<std::string> chosen = name ? name : AskName(session, false);
    if (!chosen) return false;
    if (chosen->size() > kMaxDebugFileName) {
        session.ui.ShowMessage(TooLongMessage("debug file name", *chosen, kMaxDebugFileName));
        return false;
    }
    std::string path = DataFilePath(*chosen, session.folders.app_data, "");
    std::vector<uint8_t> file;
    int error = ReadBounded(path, kMaxDebugFileSize, file);
    // The name Save Debug Screen was given finds the file it wrote, which has ".dbg" added.
    if (const std::string saved = DataFilePath(*chosen, session.folders.app_data, "dbg");
        error == ENOENT && saved != path && ReadBounded(saved, kMaxDebugFileSize, file) == 0) {
        path = saved;
        error = 0;
    }
    if (error != 0) {
        session.ui.ShowMessage(error == ENOENT ? capture_msg::DebugFileNotFound(path)
                                               : capture_msg::DebugFileUnreadable(error, path));
        return false;
    }
    const std::optional<std::vector<uint8_t>> record = ParseDebugScreen(file);
    if (!record) {
        session.ui.ShowMessage(capture_msg::NotADebugFile(path));
        return false;
    }

    session.Trace(TraceType::Record, *record);
    // The screen is replayed, not answered: a host that did not send it must not get replies.
    // The file holds 3270 data, whatever the connection is carrying just now.
    HostSender* const sender = session.sender;
    const uint8_t data_type = session.link.current_data_type;
    const bool sscp_lu = session.link.sscp_lu_mode;
    session.sender = nullptr;
    session.link.current_data_type = 0;
    session.link.sscp_lu_mode = false;
    ProcessHostRecord(session, *record);
    session.sender = sender;
    session.link.current_data_type = data_type;
    session.link.sscp_lu_mode = sscp_lu;

    // The paging functions find the loaded screen among the earlier ones.
    if (session.hooks.history) session.hooks.history->TakeHistorySnapshot();
    session.ps.MarkAllChanged();
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
    return true;
}

}  // namespace orkan
