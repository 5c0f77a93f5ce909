// The WCC actions after every write: alarm, host-initiated printing, keyboard restore and the
// subsystems that follow a new screen.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "ds3270/ds_codes.h"
#include "ds3270/fields.h"
#include "ds3270/host_text.h"
#include "ds3270/messages.h"
#include "ds3270/write_processor.h"
#include "session/session.h"

namespace orkan {
namespace {

inline constexpr uint8_t kFindOnEveryScreen = 0x04;

// The screen as one line of text for the accumulation file: up to the last character above a
// blank, control codes as blanks, then one blank.
std::string ScreenAsPrintLine(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    std::string line;
    line.reserve(ps.positions + 1);
    // Fields wrap from the end of the screen to its start.
    uint8_t field = GoverningAttribute(ps, ps.positions - 1);
    for (uint32_t a = 0; a < ps.positions; ++a) {
        if (p.attribute[a]) field = p.attribute[a];
        uint8_t c = CellText(p.display[a], field, p.charset[a]);
        line += char(c < 0x20 ? 0x20 : c);
    }
    const size_t last = line.find_last_not_of(' ');
    line.resize(last == std::string::npos ? 0 : last + 1);
    line += ' ';
    return line;
}

void AccumulateScreenForPrinter(Session& session) {
    DataStreamState& ds = session.ds;
    if (!ds.wcc_print_file) {
        ds.wcc_print_path = HostTextPath(session, HostTextKind::Print);
        // A fresh file: the one left by an earlier print has been printed already.
        ds.wcc_print_file = OpenTempFile(ds.wcc_print_path, false);
        if (!ds.wcc_print_file) {
            ReportHostError(session, msg::kFileErrorTitle,
                            FormatMessage(msg::kTempPrintOpenError, session.letter));
            return;
        }
    }
    const std::string line = ScreenAsPrintLine(session);
    if (std::fwrite(line.data(), 1, line.size(), ds.wcc_print_file.get()) != line.size() ||
        std::fflush(ds.wcc_print_file.get()) != 0) {
        const int error = errno;
        ds.wcc_print_file.reset();
        ReportHostError(
            session, msg::kFileErrorTitle,
            FormatMessage(msg::kTempFileWriteError, ds.wcc_print_path.c_str(), std::strerror(error)));
    }
}

void FlushAccumulatedPrint(Session& session) {
    DataStreamState& ds = session.ds;
    if (!ds.wcc_print_file) return;
    ds.wcc_print_file.reset();
    // The printer named for WCC printing is the print subsystem's setting; it resolves the empty name.
    if (session.hooks.print) session.hooks.print->CopyFileToPrinter(ds.wcc_print_path, std::string());
}

void HostInitiatedPrinting(Session& session, uint8_t wcc_byte) {
    if (!(wcc_byte & wcc::StartPrinter)) {
        FlushAccumulatedPrint(session);
        return;
    }
    if (!session.record.Flag(field::HostInitiatedPrinting) || !session.ps.has_visible_text) return;
    if (session.settings.WCCPrintAccumulate)
        AccumulateScreenForPrinter(session);
    else if (session.hooks.print)
        session.hooks.print->PrintScreen();
}

void TakeUnlockSnapshot(Session& session) {
    DataStreamState& ds = session.ds;
    const PresentationSpace& ps = session.ps;
    if (!ds.unlock_snapshot) ds.unlock_snapshot = std::make_unique<ScreenSnapshot>();
    ScreenSnapshot& snap = *ds.unlock_snapshot;
    const size_t n = ps.positions;
    for (auto [from, to] : {std::pair{&ps.planes.display, &snap.planes.display},
                            {&ps.planes.attribute, &snap.planes.attribute},
                            {&ps.planes.colour, &snap.planes.colour},
                            {&ps.planes.highlight, &snap.planes.highlight},
                            {&ps.planes.charset, &snap.planes.charset},
                            {&ps.planes.host, &snap.planes.host}})
        std::memcpy(to->data(), from->data(), n);
    snap.positions = ps.positions;
    snap.cursor_address = ps.cursor_address;
    ds.unlock_swap_enabled = true;
}

void TakeResponseTime(Session& session) {
    DataStreamState& ds = session.ds;
    if (!ds.waiting_for_host && !session.settings.AlwaysUpdateTranTime) return;
    ds.response_time_ms = session.clock->NowMs() - ds.last_timed_send_ms;
    ds.waiting_for_host = false;
    if (session.record.Flag(field::UpdateNotification) &&
        ds.response_time_ms >= int64_t(session.record.Number(field::After)) * 1000)
        session.view->PlaySound(Sound::UpdateNotification);
}

void ConvertNullsToBlanks(PresentationSpace& ps) {
    for (uint32_t a = 0; a < ps.positions; ++a) {
        if (ps.planes.display[a] == 0) {
            ps.planes.display[a] = 0x20;
            ps.MarkChanged(a);
        }
    }
}

void KeyboardRestore(Session& session) {
    SessionHooks& hooks = session.hooks;
    ++session.ds.unlock_counter;
    session.status = SessionStatus::Unlocked;
    if (hooks.capture) hooks.capture->AfterUnlockCapture();
    if (hooks.history) hooks.history->TakeHistorySnapshot();
    if (hooks.macros) hooks.macros->ReleaseUnlockWaits();
    TakeResponseTime(session);
    TakeUnlockSnapshot(session);
    if (session.record.Flag(field::ConvertNullsToBlanks)) ConvertNullsToBlanks(session.ps);
    if ((session.record.Number(field::FindOptions) & kFindOnEveryScreen) && hooks.find)
        hooks.find->FindAgainAfterScreen();
    session.view->KeyboardUnlocked();
}

}  // namespace

void AfterWrite(Session& session) {
    RefreshFieldCount(session);
    if (session.hooks.clipboard) session.hooks.clipboard->AfterHostWrite();
    if (session.hooks.print) session.hooks.print->HostWrite();
    if (IsTransferStatus(session.status)) return;
    SessionHooks& hooks = session.hooks;
    if (hooks.transfer) hooks.transfer->AfterWriteFinished();
    const uint8_t wcc_byte = session.ds.last_wcc;
    if ((wcc_byte & wcc::Alarm) && session.record.Flag(field::Alarm)) session.view->PlaySound(Sound::Alarm);
    HostInitiatedPrinting(session, wcc_byte);
    const bool restored = wcc_byte & wcc::KeyboardRestore;
    if (restored) {
        KeyboardRestore(session);
        // Replaying keys while the keyboard stays locked would only queue them again.
        if (hooks.type_ahead) hooks.type_ahead->ReplayTypeAhead();
    }
    session.view->RefreshStatusLine();
    if (restored && hooks.macros) hooks.macros->StartEventMacroIfIdle(EventMacro::Unlocked, std::string());
}

}  // namespace orkan
