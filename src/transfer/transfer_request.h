// One transfer as the user or a macro asks for it, and the host command that starts the host's
// transfer program for it. The dialogs keep their fields in the session record between uses;
// LoadRequest and StoreRequest move them between the record and a request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transfer/transfer_state.h"

namespace orkan {

struct Session;
class SessionRecord;

enum class HostSystem : uint8_t { Tso = 0, Cms = 1, Cics = 2 };
enum class RecordFormat : uint8_t { None = 0, Fixed = 1, Variable = 2 };  // TSO: FB/VB; CMS: F/V
enum class SpaceUnit : uint8_t { Cylinders = 0, Tracks = 1 };

struct TransferRequest {
    TransferDirection direction = TransferDirection::Download;
    std::string host_file;     // display bytes, as typed (may start with an apostrophe)
    std::string pc_file;       // UTF-8; absolute when it starts with "/"
    std::string pc_directory;  // UTF-8; where a relative PC file name is taken
    bool binary = false;       // no code conversion
    bool ascii = true;
    bool crlf = true;
    bool append = false;  // download: add to the PC file; upload: the host's APPEND option
    HostSystem host_system = HostSystem::Tso;
    std::string additional;  // the dialog's additional parameters (display bytes)
    // Upload allocation, TSO: SPACE, unit, BLKSIZE, LRECL, RECFM; CMS and CICS: LRECL, RECFM.
    uint32_t space_primary = 0;
    uint32_t space_secondary = 0;
    SpaceUnit space_unit = SpaceUnit::Cylinders;
    uint32_t blksize = 0;
    uint32_t lrecl = 0;
    RecordFormat recfm = RecordFormat::None;
    std::string macro_extra;  // further words of SENDFILE/RECEIVEFILE, appended to this command only
    bool from_macro = false;
    // Several files: the generated macro is written and handed back, and the caller (a macro's
    // SENDFILE or RECEIVEFILE) runs it in its own place instead of after itself.
    bool generated_macro_to_caller = false;
};

// TEXT: ASCII and CRLF on, code conversion on; BINARY: all three off.
void SetTextMode(TransferRequest& request, bool text);

// The dialog's fields as they were last used.
TransferRequest LoadRequest(const SessionRecord& record, TransferDirection direction);
// Keeps the request's fields for the next dialog. Nothing when every name fits; otherwise the
// message that says which name cannot be stored (the record is then unchanged).
[[nodiscard]] std::optional<std::string> StoreRequest(SessionRecord& record, const TransferRequest& request);

// The PC file's path: the name itself when it is absolute ("~/" is the home folder), else the PC
// directory (or the documents folder when none is given) and the name.
std::string FullPcPath(const Session& session, const TransferRequest& request);
// The folder a relative PC name is taken in: `directory` ("~/" the home folder), or the documents
// folder when it is empty.
std::string PcFolder(const Session& session, const std::string& directory);

// The command typed on the host's command line, in upper case.
std::string BuildTransferCommand(const Session& session, const TransferRequest& request);

}  // namespace orkan
