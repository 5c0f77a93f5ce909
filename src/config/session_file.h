// Session files (".ses"): a 24-byte header and the 6988-byte session record. A save lays the
// fields this session changed onto the file as it is then, so sessions sharing a file keep each
// other's settings. Older, shorter files load with defaults for what they lack; standard.ses has a
// backup copy that replaces it when it is damaged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/folders.h"
#include "config/host_list.h"
#include "config/program_settings.h"
#include "config/session_record.h"
#include "interfaces/ui.h"

namespace orkan {

inline constexpr std::string_view kSessionMagic = "Orkan Session V1.26     ";  // 24 bytes, no NUL
inline constexpr size_t kSessionHeaderSize = 24;
inline constexpr size_t kSessionFileSize = kSessionHeaderSize + kSessionRecordSize;  // 7012
inline constexpr std::string_view kStandardSession = "standard.ses";
inline constexpr std::string_view kSessionErrorTitle = "Orkan TN3270 Session File Error";

// The settings of a new session; also the installed defaults/standard.ses.
SessionRecord DefaultSessionRecord();

// The defaults for the fields that a file of `file_length` bytes (header included) was too
// short to hold. A current file (7012 bytes or more) gets none.
void ApplyOlderFormatDefaults(SessionRecord& record, size_t file_length);

// Holds every number of the record inside its field's range and every text field terminated, so
// a damaged or hand-edited file cannot hand the program a value it does not expect.
void ClampSessionRecord(SessionRecord& record);

std::vector<uint8_t> SessionFileBytes(const SessionRecord& record);

// The bytes of a session file into a record: false when the header is wrong. Bytes beyond the
// file come from the new-session defaults, then the older-format defaults apply; `file_length`
// receives the length L that chose them.
[[nodiscard]] bool ParseSessionFile(std::span<const uint8_t> bytes, SessionRecord& record,
                                    size_t& file_length);

struct SessionFileContext {
    Ui& ui;
    const Folders& folders;           // app_data holds the files; settings_file the host list
    const ProgramSettings& settings;  // NoAutoSave, NoSessionSave
};

// What the session keeps between loads and saves.
struct SessionFileState {
    SessionRecord last_saved;  // "auto" saves only when the record differs from this
    // The file's record as this session last read or wrote it: a save writes only the fields that
    // differ from it, over what other sessions saved meanwhile. Its session file name says which
    // file it describes; for any other file the whole record is written.
    SessionRecord last_written;
    HostSecurity security;     // certificate files and checks of the matching host entry
    int keep_alive = -1;       // its keep-alive seconds; negative: the KeepAliveTime setting
    GivenOnCommandLine given;  // connection values the host list must not replace
};

// Loads the file named in the record's session file field (looked up in app_data with ".ses").
// On failure the message has been shown and the record is unchanged.
[[nodiscard]] bool LoadSessionFile(const SessionFileContext& ctx, SessionRecord& record,
                                   SessionFileState& state);

// Start-up: the session named on the command line or by LastSession (a file name as Linux gives
// it); when that cannot be loaded, standard.ses, unless `fall_back` is false. False when neither
// loads: the program ends.
[[nodiscard]] bool LoadStartupSession(const SessionFileContext& ctx, std::string_view name,
                                      SessionRecord& record, SessionFileState& state, bool fall_back = true);

enum class SaveMode { Save, Auto };

// The screen shown while saving: with a screen of other than the default rows the stored window
// size is written as it would be at the default size.
struct ShownScreen {
    int rows = 24;
    int columns = 80;
    int cell_width = 0;
    int cell_height = 0;
};

// True when saved or when there was nothing to do; false after the "Error %d while saving %s"
// message. The record itself is never changed. A file that cannot be read back as a current
// session file (missing, damaged, shorter) gets the whole record.
[[nodiscard]] bool SaveSessionFile(const SessionFileContext& ctx, SaveMode mode, bool force,
                                   const SessionRecord& record, SessionFileState& state,
                                   const std::optional<ShownScreen>& screen);

enum class BackupResult { Copied, NotComplete, Missing, Error };

// Copies standard.ses to standard.ses.backup, but only a standard.ses of the current format's full
// length with a valid header: a damaged file never replaces a good backup.
[[nodiscard]] BackupResult BackupStandardSession(const Folders& folders);

}  // namespace orkan
