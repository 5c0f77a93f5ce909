// Data-stream state kept beside the presentation space for one session.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orkan {

enum class ReplyMode : uint8_t { Field = 0, ExtendedField = 1, Character = 2 };

struct DataStreamState {
    uint8_t current_aid = 0x60;
    uint8_t last_wcc = 0;
    uint8_t reply_mode = 0;  // ReplyMode, or a larger value the host set
    std::vector<uint8_t> character_mode_attributes;  // from Set Reply Mode
    uint32_t read_buffer_start = 0;
    uint32_t unlock_counter = 0;
    std::string session_manager_name;  // from the Erase/Write session-manager check

    // Data-stream capture buffer (64 KB) for the listing of the last host data stream.
    std::vector<uint8_t> capture;
    bool capture_first_record = true;  // the first record since the last AID goes in whole

    // Response-time clock.
    int64_t last_timed_send_ms = 0;
    bool waiting_for_host = false;
    int64_t response_time_ms = 0;
};

}  // namespace orkan
