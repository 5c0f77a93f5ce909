// Data-stream state kept beside the presentation space for one session.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/data_file.h"
#include "screen/presentation_space.h"

namespace orkan {

enum class ReplyMode : uint8_t { Field = 0, ExtendedField = 1, Character = 2 };

// FileCloser is config's, so a file that needs both headers sees one definition.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Text the host sends in structured fields for the local printer or as a macro to run. It is
// collected in a temporary file until the next Erase/Write.
enum class HostTextKind : uint8_t { None, Print, Macro };

struct DataStreamState {
    uint8_t current_aid = 0x60;
    uint8_t last_wcc = 0;
    uint8_t reply_mode = 0;                          // ReplyMode, or a larger value the host set
    std::vector<uint8_t> character_mode_attributes;  // from Set Reply Mode
    uint32_t read_buffer_start = 0;
    uint32_t unlock_counter = 0;
    std::string session_manager_name;  // from the Erase/Write session-manager check

    // The last 3270 record the host sent (command byte first), kept for saving as a debug screen.
    std::vector<uint8_t> last_record;

    // Data-stream capture buffer (64 KB) for the listing of the last host data stream.
    std::vector<uint8_t> capture;
    bool capture_first_record = true;  // the first record since the last AID goes in whole

    // Response-time clock.
    int64_t last_timed_send_ms = 0;
    bool waiting_for_host = false;  // an AID went out and no write has unlocked the keyboard yet
    int64_t response_time_ms = 0;

    // The screen as the last keyboard-restoring write left it, and whether swapping it in is allowed.
    std::unique_ptr<ScreenSnapshot> unlock_snapshot;
    bool unlock_swap_enabled = false;

    // Host print or remote macro text being collected.
    HostTextKind host_text_kind = HostTextKind::None;
    FilePtr host_text_file;
    std::string host_text_path;
    bool host_text_dropping = false;  // the file could not be opened or written: drop until Erase/Write

    // Screens accumulated for WCC start-printer writes (WCCPrintAccumulate).
    FilePtr wcc_print_file;
    std::string wcc_print_path;

    // Records run from an Outbound 3270DS structured field; deeper nesting is refused.
    uint8_t enclosed_depth = 0;
};

}  // namespace orkan
