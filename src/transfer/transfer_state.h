// The file transfer state of one session. The session status (TR_READY, TR_DATA, TR_MESSAGE)
// routes host records here; this record holds the rest: which way the file goes, the file itself,
// the counts, and who hears about progress and the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transfer/byte_count.h"
#include "transfer/frame_codec.h"
#include "transfer/transfer_streams.h"

namespace orkan {

enum class TransferDirection : uint8_t { None = 0, Upload = 1, Download = 2 };
enum class TransferStop : uint8_t { Running = 0, Cancelled = 1, Failed = 2 };
// What a waiting macro watches: Ended once the host's closing message was handled.
enum class TransferMacroState : uint8_t { None = 0, Requested = 1, Ended = 2 };

struct TransferOutcome {
    bool success = false;
    std::string message;  // the host's closing message, or why the transfer failed (UTF-8)
    uint64_t bytes = 0;
    // The host writes its own screen next (after its closing message, or after PA1): whoever
    // types next waits for that screen.
    bool host_screen_follows = false;
    // What the user must hear even when no transfer window is open any more (a cancelled upload
    // left the host file incomplete; a download holds characters the PC code page lacks).
    std::string notice = {};
};
using TransferDone = std::function<void(const TransferOutcome&)>;

// Where progress goes: the transfer window, the log and the status line.
class TransferEvents {
  public:
    virtual ~TransferEvents() = default;
    // A progress text; an empty text marks the end of a transfer.
    virtual void ProgressText(const std::string& text) = 0;
    // Bytes so far, and the size of the whole file when it is known (uploads), else 0.
    virtual void ProgressBytes(uint64_t /*bytes*/, uint64_t /*total*/) {}
    // Once per transfer, after its last text.
    virtual void Ended(const TransferOutcome& /*outcome*/) {}
};

// A source list for several files at once and what is chosen in it. The host list (filled by the
// list macros) stays in the session between dialogs.
struct TransferList {
    std::vector<std::string> entries;  // host names (display bytes) or PC file names (UTF-8)
    std::vector<size_t> selected;      // indexes into entries
    int level = 1;                     // downloads: 1 data sets, 2 members of `member_data_set`
    std::string member_data_set;       // level 2 (display bytes, may start with an apostrophe)
    std::string qualifier;             // the dialog's qualifier field
};

struct TransferState {
    TransferDirection direction = TransferDirection::None;  // cleared by a cancel and at the end
    TransferDirection requested = TransferDirection::None;  // what was asked for, kept to the end
    TransferStop stop = TransferStop::Running;
    TransferMacroState macro_state = TransferMacroState::None;
    bool active = false;             // started, and its end not yet reported
    bool upload_data_ended = false;  // the upload has sent its end of file
    std::string failure;             // why our side failed or stopped the transfer
    uint64_t byte_count = 0;
    uint64_t record_number = 0;
    uint64_t file_size = 0;       // uploads: the bytes the host will get, for the progress bar
    uint32_t block_size = 2500;   // bytes per DFT Get
    NumberSeparators separators;  // the locale's, taken when the transfer starts
    FrameDecoder frames;
    std::unique_ptr<UploadReader> upload;
    std::unique_ptr<DownloadWriter> download;
    std::string pc_path;       // for messages
    int64_t last_host_ms = 0;  // the host's last transfer record, for the time-out
    // TR_READY: when the host unlocked the keyboard with a screen of its own instead of starting
    // its transfer program (-1: it has not). A missing program ends the transfer soon after.
    int64_t host_ready_ms = -1;
    TransferEvents* events = nullptr;
    TransferDone done;
    TransferList host_list;  // kept from one transfer to the next
};

}  // namespace orkan
