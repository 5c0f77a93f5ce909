#include "transfer/transfer_start.h"

#include <strings.h>

#include <optional>
#include <vector>

#include "charset/display_unicode.h"
#include "ds3270/messages.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "session/session.h"
#include "transfer/code_page_check.h"
#include "transfer/pc_file.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_progress.h"
#include "transfer/utf8_file_text.h"

namespace orkan {
namespace {

inline constexpr uint8_t kCr = 0x0D;
inline constexpr uint8_t kLf = 0x0A;
inline constexpr size_t kScanPiece = 20000;
inline constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr std::string_view kUtf8CodePage = "UTF-8";

TransferStart Refuse(Session& session, const char* title, const std::string& text) {
    session.ui.ShowMessage(ForUi({title, text, Buttons::Ok, Icon::Warning}));
    return {false, text, {}};
}

// A PC file that cannot be used is reported where the transfer's progress goes. A macro's transfer
// has no dialog open yet, so the user is also told in a message.
// `box_text`: the text as the box shows it, where that differs.
TransferStart FileProblem(Session& session, TransferState& t, const TransferRequest& request,
                          const std::string& text, const std::string& box_text = {}) {
    PostText(session, t, text);
    if (request.from_macro)
        session.ui.ShowMessage(ForUi({transfer_msg::kTransferErrorTitle, box_text.empty() ? text : box_text,
                                      Buttons::Ok, Icon::Warning}));
    return {false, text, {}};
}

struct UploadScan {
    bool lf_to_crlf = false;
    // Bytes the host will get (a UTF-8 character is one, an LF that goes as CR LF two): what the
    // progress counts towards. Nothing when the file was not read through.
    std::optional<uint64_t> wire_size;
    std::string error;          // the file cannot be read, or is not the text it must be
    std::string error_for_box;  // where a box cannot show all of `error`
};

// One pass over the file: whether it has LF line ends only (they then go as CR LF), and, for a
// text upload, that it is the code page's text and that the host gets every character of it.
// A character the host would get as another is reported before anything is sent: the user can
// then choose the file's real code page, or send it as binary, and nothing half-right reaches
// the host.
UploadScan ScanUpload(const std::string& path, bool count_line_ends, bool utf8,
                      const std::optional<CarriedSet>& carried) {
    UploadScan scan;
    if (!count_line_ends && !utf8 && !carried) return scan;
    OpenedUpload opened = OpenUploadFile(path);
    if (!opened.source) {
        scan.error = opened.error_text;
        return scan;
    }
    uint64_t crs = 0, lfs = 0, characters = 0;
    Utf8Reader reader;
    UncarriedCount uncarried(!utf8);
    std::vector<uint8_t> piece(kScanPiece);
    for (;;) {
        const UploadSource::Result r = opened.source->Read(piece);
        if (r.error) {
            scan.error = path + ": " + SystemErrorText(r.error);
            return scan;
        }
        if (r.count == 0) break;
        for (const uint8_t b : std::span<const uint8_t>(piece.data(), r.count)) {
            crs += b == kCr;
            lfs += b == kLf;
            if (!utf8) {
                ++characters;
                if (carried) uncarried.Take(b, (*carried)[b]);
                continue;
            }
            char32_t c = 0;
            uint64_t start = 0;
            if (!reader.Take(b, c, start)) continue;
            if (c == kNotUtf8) {
                scan.error = FormatMessage(transfer_msg::kUploadNotText, path.c_str(),
                                           ("it holds " + DescribeFailure({start, c})).c_str());
                return scan;
            }
            if (c == kByteOrderMark && start == 0) continue;
            ++characters;
            uint8_t windows = 0;
            uncarried.Take(c, Windows1252Byte(c, windows) && (!carried || (*carried)[windows]));
        }
    }
    if (utf8 && reader.InCharacter()) {
        scan.error = FormatMessage(transfer_msg::kUploadNotText, path.c_str(),
                                   ("it ends inside a UTF-8 character (" +
                                    DescribeFailure({reader.CharacterStart(), kNotUtf8}) + ")")
                                       .c_str());
        return scan;
    }
    if (uncarried.count()) {
        scan.error =
            FormatMessage(transfer_msg::kUploadNotCarried, path.c_str(), uncarried.Describe().c_str());
        scan.error_for_box =
            FormatMessage(transfer_msg::kUploadNotCarried, path.c_str(), uncarried.Describe(true).c_str());
        return scan;
    }
    scan.lf_to_crlf = count_line_ends && crs == 0 && lfs > 0;
    scan.wire_size = characters + (scan.lf_to_crlf ? lfs : 0);
    return scan;
}

// The command is typed where the cursor stands, as the user would type it.
bool TypeCommand(Session& session, const std::string& command) {
    ExecuteKey(session, MakeKeyCode(KeyCategory::Edit, edit_fn::EraseEOF));
    for (char c : command) {
        ExecuteKey(session, CharCode(uint8_t(c)));
        if (session.status != SessionStatus::Unlocked) return false;
    }
    ExecuteKey(session, MakeKeyCode(KeyCategory::Action, action_fn::Enter));
    return true;
}

}  // namespace

bool TransferFileIsUtf8(const Session& session) {
    const std::string name = session.record.Text(field::PcCodePage);
    return name.size() == kUtf8CodePage.size() &&
           strncasecmp(name.c_str(), kUtf8CodePage.data(), name.size()) == 0;
}

TransferStart StartTransfer(Session& session, TransferState& t, const TransferRequest& request,
                            TransferDone done) {
    using namespace transfer_msg;
    if (t.active) return Refuse(session, kTransferErrorTitle, kAlreadyRunning);
    if (!session.sender || session.status == SessionStatus::NotConnected)
        return Refuse(session, kTransferErrorTitle, kNotConnected);
    if (session.link.line_mode || session.link.sscp_lu_mode)
        return Refuse(session, kTransferErrorTitle, kNot3270);
    const uint32_t block_size = session.record.Number(field::TransferBlockSize);
    if (block_size < kMinimumBlockSize)
        return Refuse(session, kTransferErrorTitle, FormatMessage(kBlockSizeTooSmall, unsigned(block_size)));
    if (request.host_file.find_first_not_of(' ') == std::string::npos)
        return Refuse(session, kTransferErrorTitle, kNoHostFile);
    if (request.pc_file.empty()) return Refuse(session, kTransferErrorTitle, kNoPcFile);
    const std::string path = FullPcPath(session, request);
    if (path.size() > kMaximumPathLength) return Refuse(session, kPathTooLongTitle, kPathTooLong);
    if (session.status != SessionStatus::Unlocked)
        return Refuse(session, kTransferErrorTitle, kKeyboardLocked);
    if (!request.binary && !session.charset.transfer_table_loaded)
        return Refuse(session, kTransferErrorTitle,
                      FormatMessage(kNoTransferTable, session.record.Text(field::PcCodePage).c_str()));

    const bool upload = request.direction == TransferDirection::Upload;
    TextOptions options;
    options.binary = request.binary;
    options.utf8 = TransferFileIsUtf8(session);
    options.remove_1a = session.settings.RemoveHex1A != 0;
    options.table = upload ? session.charset.upload : session.charset.download;
    const bool convert_line_ends = request.crlf && session.settings.UploadConvertLFtoCRLF != 0;

    std::unique_ptr<UploadReader> reader;
    std::unique_ptr<DownloadWriter> writer;
    uint64_t file_size = 0;
    if (upload) {
        const UploadScan scan = ScanUpload(path, convert_line_ends, options.utf8 && !options.binary,
                                           options.binary ? std::nullopt : CarriedCharacters(session));
        if (!scan.error.empty()) return FileProblem(session, t, request, scan.error, scan.error_for_box);
        options.line_ends = scan.lf_to_crlf;
        OpenedUpload opened = OpenUploadFile(path);
        if (!opened.source) return FileProblem(session, t, request, opened.error_text);
        file_size = scan.wire_size.value_or(opened.size);
        reader = std::make_unique<UploadReader>(std::move(opened.source), options);
    } else {
        options.line_ends = convert_line_ends;
        if (!options.binary) options.carried = CarriedCharacters(session);
        OpenedDownload opened = CreateDownloadFile(path, request.append);
        if (!opened.target) return FileProblem(session, t, request, opened.error_text);
        writer = std::make_unique<DownloadWriter>(std::move(opened.target), options);
    }

    TransferEvents* events = t.events;
    TransferList host_list = std::move(t.host_list);
    t = TransferState{};
    t.events = events;
    t.host_list = std::move(host_list);
    t.direction = t.requested = request.direction;
    t.active = true;
    t.macro_state = request.from_macro ? TransferMacroState::Requested : TransferMacroState::None;
    t.block_size = block_size;
    t.separators = LocaleSeparators();
    t.file_size = file_size;
    t.pc_path = path;
    t.upload = std::move(reader);
    t.download = std::move(writer);
    t.last_host_ms = session.clock->NowMs();

    if (!TypeCommand(session, BuildTransferCommand(session, request))) {
        TransferEvents* keep = t.events;
        TransferList list = std::move(t.host_list);
        t = TransferState{};  // the files close; a download's temporary file goes
        t.events = keep;
        t.host_list = std::move(list);
        return Refuse(session, kTransferErrorTitle, kCommandNotTyped);
    }
    t.done = std::move(done);
    session.status = SessionStatus::TransferReady;
    session.indicators.transfer_count.clear();
    const std::string host_name = DisplayToUtf8(request.host_file);
    PostText(session, t,
             upload ? FormatMessage(kUploadStarted, request.pc_file.c_str(), host_name.c_str())
                    : FormatMessage(kDownloadStarted, host_name.c_str(), request.pc_file.c_str()));
    return {true, {}, {}};
}

}  // namespace orkan
