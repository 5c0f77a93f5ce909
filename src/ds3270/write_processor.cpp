// The record dispatcher and the command handler.
#include "ds3270/write_processor.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "charset/translate.h"
#include "ds3270/ds_codes.h"
#include "ds3270/fields.h"
#include "ds3270/host_text.h"
#include "ds3270/inbound.h"
#include "ds3270/messages.h"
#include "ds3270/structured_fields.h"
#include "session/session.h"

namespace orkan {
namespace {

enum class Command : uint8_t {
    Write,
    EraseWrite,
    EraseWriteAlternate,
    EraseAllUnprotected,
    ReadBuffer,
    ReadModified,
    ReadModifiedAll,
    WriteStructuredField,
    ReadCursor,  // 0xA0 with the Wang setting
    Unknown,
};

// Both the channel and the SNA code of each command are accepted.
Command Classify(uint8_t code, bool wang) {
    switch (code) {
        case cmd::WriteChannel:
        case cmd::Write:
            return Command::Write;
        case cmd::EraseWriteChannel:
        case cmd::EraseWrite:
            return Command::EraseWrite;
        case cmd::EraseWriteAlternateChannel:
        case cmd::EraseWriteAlternate:
            return Command::EraseWriteAlternate;
        case cmd::EraseAllUnprotectedChannel:
        case cmd::EraseAllUnprotected:
            return Command::EraseAllUnprotected;
        case cmd::ReadBufferChannel:
        case cmd::ReadBuffer:
            return Command::ReadBuffer;
        case cmd::ReadModifiedChannel:
        case cmd::ReadModified:
            return Command::ReadModified;
        case cmd::ReadModifiedAllChannel:
        case cmd::ReadModifiedAll:
            return Command::ReadModifiedAll;
        case cmd::WriteStructuredFieldChannel:
        case cmd::WriteStructuredField:
            return Command::WriteStructuredField;
        case 0xA0:
            return wang ? Command::ReadCursor : Command::Unknown;
        default:
            return Command::Unknown;
    }
}

inline constexpr size_t kCaptureLimit = 64 * 1024;
inline constexpr uint8_t kAidNone = 0x60;

// The screen-mode transfer program announces itself and asks for Enter with these bytes.
constexpr std::array<uint8_t, 16> kTransferEnterRequest = {0x11, 0x5D, 0x7F, 0x1D, 0x40, 0x11, 0xD9, 0x40,
                                                           0x1D, 0xC8, 0x5C, 0x5C, 0x5C, 0x1D, 0x40, 0x13};
constexpr std::array<uint8_t, 10> kTransferStart = {0x11, 0x5D, 0x7F, 0x11, 0x40,
                                                    0x40, 0xC3, 0x81, 0x81, 0x94};
constexpr std::array<uint8_t, 3> kTransferEnterReply = {0x7D, 0xD9, 0xC5};

// The session manager's panel starts like this; its application name follows at offset 54.
constexpr std::array<uint8_t, 13> kSessionManagerPanel = {0xF5, 0x40, 0x11, 0x40, 0x40, 0x1D, 0x6C,
                                                          0xD5, 0xC5, 0xE3, 0xE2, 0xD7, 0xE8};
inline constexpr size_t kSessionManagerNameOffset = 54;
inline constexpr size_t kSessionManagerNameLength = 8;

template <size_t N>
bool HasAt(std::span<const uint8_t> record, size_t offset, const std::array<uint8_t, N>& bytes) {
    return record.size() >= offset + N &&
           std::equal(bytes.begin(), bytes.end(), record.begin() + long(offset));
}

void RecordSendTime(Session& session) {
    session.ds.last_timed_send_ms = session.clock->NowMs();
}

// The history puts back the live screen and the status it had when browsing began: a keyboard
// that was locked waiting for the host stays locked.
void RestoreLiveScreen(Session& session) {
    if (session.hooks.history)
        session.hooks.history->RestoreLiveScreen();
    else
        session.status = SessionStatus::Unlocked;
    session.view->RepaintAll();
}

// In SSCP-LU mode the host writes plain text at the cursor.
void WriteSscpLuText(Session& session, std::span<const uint8_t> record) {
    PresentationSpace& ps = session.ps;
    for (uint8_t b : record) {
        if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
        const uint32_t row_start = ps.cursor_address - ps.cursor_address % ps.columns;
        switch (b) {
            case 0x0C:
                EraseScreen(session, ps.size_mode);
                break;
            case 0x0D:
                ps.cursor_address = row_start;
                break;
            case 0x15:
                ps.cursor_address = row_start + ps.columns >= ps.positions ? 0 : row_start + ps.columns;
                break;
            default: {
                const uint32_t a = ps.cursor_address;
                ps.planes.host[a] = b;
                ps.planes.display[a] = HostToDisplay(session.charset, session.link.ascii_host, b);
                ps.planes.attribute[a] = ps.planes.colour[a] = ps.planes.highlight[a] = ps.planes.charset[a] =
                    0;
                ps.MarkChanged(a);
                ps.cursor_address = AdvanceAddress(ps, a);
            }
        }
    }
    session.view->CursorMoved();
    RefreshFieldCount(session);
}

// The screen-mode transfer sees records first while one runs. True when it took the record.
bool OfferToTransfer(Session& session, std::span<const uint8_t> record) {
    TransferHook* transfer = session.hooks.transfer;
    if (!transfer) return false;
    if (session.status == SessionStatus::TransferReady && HasAt(record, 2, kTransferEnterRequest) &&
        session.sender)
        session.sender->SendRecord(kTransferEnterReply, send_flag::Send | send_flag::Trace);
    if (HasAt(record, 2, kTransferStart)) session.status = SessionStatus::TransferReady;
    return IsTransferStatus(session.status) && transfer->OfferScreenRecord(record);
}

void Capture(DataStreamState& ds, std::span<const uint8_t> record) {
    if (record.size() < 3) return;
    const auto part = ds.capture_first_record ? record : record.subspan(2);
    // Only whole records, so the listing never shows half of one.
    if (ds.capture.size() + part.size() > kCaptureLimit) return;
    ds.capture.insert(ds.capture.end(), part.begin(), part.end());
    ds.capture_first_record = false;
}

// True when the record was the panel, which may have started an event macro.
bool CheckSessionManager(Session& session, std::span<const uint8_t> record) {
    if (!HasAt(record, 0, kSessionManagerPanel)) return false;
    if (record.size() < kSessionManagerNameOffset + kSessionManagerNameLength) return false;
    std::string name;
    for (size_t i = 0; i < kSessionManagerNameLength; ++i)
        name += char(
            HostToDisplay(session.charset, session.link.ascii_host, record[kSessionManagerNameOffset + i]));
    const size_t first = name.find_first_not_of(' ');
    const size_t last = name.find_last_not_of(' ');
    session.ds.session_manager_name =
        first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    MacroHook* macros = session.hooks.macros;
    if (macros) macros->StartEventMacroIfIdle(EventMacro::TpxSwap, session.ds.session_manager_name);
    return true;
}

// Write, Erase/Write and Erase/Write Alternate: WCC actions that come before the orders, then
// the orders. Returns how the orders ended.
OrderOutcome RunWrite(Session& session, std::span<const uint8_t> record, uint8_t command_code) {
    PresentationSpace& ps = session.ps;
    DataStreamState& ds = session.ds;
    const Command command = Classify(command_code, false);
    // A write without its WCC has no control bits to apply.
    const uint8_t wcc = record.size() >= 2 ? record[1] : 0;
    if (command == Command::EraseWrite) EraseScreen(session, 1);
    if (command == Command::EraseWriteAlternate) EraseScreen(session, 2);
    ps.buffer_address = ps.cursor_address;
    ps.last_item_was_order = true;
    if (wcc & wcc::KeyboardRestore) ds.current_aid = kAidNone;
    // An erased screen has no modified fields, unless a macro the panel started made some.
    bool attributes_kept = command == Command::Write;
    if (command == Command::EraseWrite && CheckSessionManager(session, record)) attributes_kept = true;
    ds.last_wcc = wcc;
    if ((wcc & wcc::ResetMdt) && attributes_kept) ResetAllMDT(ps);
    if (wcc & wcc::Reset) ds.reply_mode = uint8_t(ReplyMode::Field);

    WriteContext context{record, command_code, 2};
    return ProcessOrders(session, context);
}

void ReadModifiedCommand(Session& session, std::span<const uint8_t> record) {
    DataStreamState& ds = session.ds;
    const uint8_t aid = ds.current_aid;
    if ((aid >= 0x6B && aid <= 0x6E) || aid == 0x7E) {
        // This short reply takes the byte after the command as its WCC.
        ds.last_wcc = record.size() >= 2 ? record[1] : 0;
        SendAidWithCursor(session, aid);
        RecordSendTime(session);
    } else {
        SendReadModified(session, aid);
    }
}

void DispatchRecord(Session& session, std::span<const uint8_t> record) {
    if (record.empty()) return;
    if (session.status == SessionStatus::History) RestoreLiveScreen(session);
    if (session.link.sscp_lu_mode) {
        WriteSscpLuText(session, record);
        return;
    }
    if (session.link.current_data_type != 0) return;  // not 3270 data

    const Command command = Classify(record[0], session.settings.Wang != 0);
    if (command == Command::WriteStructuredField) {
        ProcessStructuredFields(session, record);
        RefreshFieldCount(session);
        return;
    }
    if (OfferToTransfer(session, record)) return;
    Capture(session.ds, record);

    PresentationSpace& ps = session.ps;
    DataStreamState& ds = session.ds;
    ps.buffer_address = ps.cursor_address;
    ps.sa_colour = ps.sa_highlight = ps.sa_charset = 0;

    switch (command) {
        case Command::Write:
        case Command::EraseWrite:
        case Command::EraseWriteAlternate: {
            if (command == Command::Write && session.settings.CmdChaining && record.size() == 5 &&
                record[1] == wcc::Reset && record[2] == 0x11)
                ds.read_buffer_start = DecodeAddressBytes(record[3], record[4]);
            if (command != Command::Write) FinishHostText(session);
            if (RunWrite(session, record, record[0]) == OrderOutcome::RerunAsAlternate)
                (void)RunWrite(session, record, cmd::EraseWriteAlternate);
            break;
        }
        case Command::EraseAllUnprotected:
            EraseAllUnprotected(session);
            break;
        case Command::ReadBuffer:
            ds.last_wcc = 0;
            SendReadBuffer(session);
            break;
        case Command::ReadModified:
            ReadModifiedCommand(session, record);
            break;
        case Command::ReadModifiedAll:
            SendReadModified(session, ds.current_aid);
            ResetAllMDT(ps);
            break;
        case Command::ReadCursor:
            SendAidWithCursor(session, ds.current_aid);
            RecordSendTime(session);
            break;
        case Command::WriteStructuredField:
            break;
        case Command::Unknown:
            // Known hosts never send these; reading one as orders would garble the screen.
            ReportHostError(session, msg::kSnaTitle, FormatMessage(msg::kUnknownCommand, record[0]));
            return;
    }
    AfterWrite(session);
    if (session.record.Flag(field::ShowWindowOnUpdate)) session.view->ShowWindowOnUpdate();
}

}  // namespace

void ProcessHostRecord(Session& session, std::span<const uint8_t> record) {
    // Only 3270 data replays as a screen: a BIND image or SSCP-LU text would be read as orders.
    if (!session.link.sscp_lu_mode && session.link.current_data_type == 0)
        session.ds.last_record.assign(record.begin(), record.end());
    DispatchRecord(session, record);
    session.view->RepaintChangedRows();
    if (session.hooks.macros) session.hooks.macros->AfterHostRecord();
}

void ProcessEnclosedRecord(Session& session, std::span<const uint8_t> record) {
    ++session.ds.enclosed_depth;
    DispatchRecord(session, record);
    --session.ds.enclosed_depth;
}

void EraseAllUnprotected(Session& session) {
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    const bool formatted = std::any_of(p.attribute.begin(), p.attribute.begin() + ps.positions,
                                       [](uint8_t a) { return a != 0; });
    if (!formatted) {
        EraseScreen(session, ps.size_mode);
    } else {
        for (uint32_t i = 0; i < ps.positions; ++i) {
            if (!p.attribute[i] || (p.attribute[i] & fa::Protected)) continue;
            p.attribute[i] &= uint8_t(~fa::Mdt);
            for (uint32_t a = AdvanceAddress(ps, i); a != i && !p.attribute[a]; a = AdvanceAddress(ps, a)) {
                p.display[a] = p.highlight[a] = p.charset[a] = p.host[a] = 0;
                ps.MarkChanged(a);
            }
        }
    }
    session.ds.current_aid = kAidNone;
    session.ds.last_wcc = wcc::KeyboardRestore;
    // The cursor goes to the first input field before the WCC actions see the screen.
    const bool wang = session.settings.Wang != 0;
    ps.cursor_address = 0;
    for (uint32_t i = 0; i < ps.positions; ++i) {
        const uint8_t a = p.attribute[i];
        if (a && (!(a & fa::Protected) || (wang && (p.highlight[i] & hl::Intensify)))) {
            ps.cursor_address = AdvanceAddress(ps, i);
            break;
        }
    }
    session.view->CursorMoved();
}

}  // namespace orkan
