// The record dispatcher with everything it reaches: orders, structured fields (Query, Outbound
// 3270DS, host text), read commands, SSCP-LU text. The first two bytes choose settings and screen
// sizes; the rest is split into records at each FF EF, as the Telnet layer would hand them over.
// A record that begins with FF (no command has that code) sets up the session instead, so later
// records meet the states other subsystems put it in: FF then pairs of an operation and a value
// (see ApplyControl).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "ds3270/fields.h"
#include "ds3270/inbound.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"
#include "harness.h"
#include "session/session.h"

namespace {

using namespace orkan;

// Every hook but the transfer does nothing, and the history puts the keyboard back as the real one does: the
// data stream must reach each hook in every state without help from it.
class QuietHooks final : public CaptureHook,
                         public ScreenHistoryHook,
                         public MacroHook,
                         public TypeAheadHook,
                         public FindHook,
                         public ClipboardHook,
                         public PrintHook,
                         public TransferHook {
  public:
    void AfterUnlockCapture() override {}
    void TakeHistorySnapshot() override {}
    void RestoreLiveScreen() override { session->status = SessionStatus::Unlocked; }
    bool IsMacroRunning() const override { return macro_running; }
    void ReleaseUnlockWaits() override {}
    bool EventEnabled(EventMacro) const override { return events_enabled; }
    void StartEventMacro(EventMacro, const std::string&) override {}
    void StartMacroFile(const std::string&) override {}
    void RunMacroText(const std::string&) override {}
    void ReplayTypeAhead() override {}
    void FindAgainAfterScreen() override {}
    void FindText(std::string_view, uint8_t) override {}
    void AfterHostWrite() override {}
    void KeyFunction(uint16_t) override {}
    bool RunEdit(uint8_t) override { return false; }
    void PasteByTyping() override {}
    void ClearSelectionArea() override {}
    int PasteRepeatBuffer() const override { return -1; }
    void MouseSelectionFinished(bool) override {}
    void PrintScreen() override {}
    void PrintTextFile(const std::string&) override {}
    void PrintFile(const std::string&) override {}
    void CopyFileToPrinter(const std::string&, const std::string&) override {}

    bool macro_running = false;
    bool events_enabled = false;
    // A transfer takes the screen records that end in an odd byte.
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        return !record.empty() && record.back() & 1;
    }
    void StructuredField(std::span<const uint8_t>) override {}
    void AfterWriteFinished() override {}

    Session* session = nullptr;
};

// A control record: pairs of an operation and a value.
void ApplyControl(Session& s, QuietHooks& hooks, std::span<const uint8_t> pairs) {
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const uint8_t value = pairs[i + 1];
        switch (pairs[i]) {
            case 0x01:  // session options and program settings, one bit each
                s.record.SetNumber(field::HostInitiatedPrinting, value & 0x01);
                s.record.SetNumber(field::ConvertNullsToBlanks, (value >> 1) & 1);
                s.record.SetNumber(field::ShowWindowOnUpdate, (value >> 2) & 1);
                s.record.SetNumber(field::UpdateNotification, (value >> 3) & 1);
                s.record.SetNumber(field::Alarm, (value >> 4) & 1);
                s.settings.WCCPrintAccumulate = (value >> 5) & 1;
                s.settings.ReplyCodepage = (value >> 6) & 1;
                s.settings.AlwaysUpdateTranTime = (value >> 7) & 1;
                break;
            case 0x02:  // which hooks are attached, one bit each
                s.hooks.capture = value & 0x01 ? &hooks : nullptr;
                s.hooks.history = value & 0x02 ? &hooks : nullptr;
                s.hooks.macros = value & 0x0C ? &hooks : nullptr;
                hooks.events_enabled = value & 0x04;
                hooks.macro_running = value & 0x08;
                s.hooks.type_ahead = value & 0x10 ? &hooks : nullptr;
                s.hooks.find = value & 0x20 ? &hooks : nullptr;
                s.hooks.clipboard = value & 0x40 ? &hooks : nullptr;
                s.hooks.print = value & 0x80 ? &hooks : nullptr;
                break;
            case 0x03:  // the session status byte (16: a history screen is shown)
                s.status = SessionStatus(value);
                break;
            case 0x04:  // an Action key (0..49) pressed now
                (void)SendAidKey(s, value % 50);
                break;
            case 0x05:  // the TN3270E data type of the records that follow
                s.link.current_data_type = value;
                break;
            case 0x06:  // extended keys and the Attention method
                s.settings.ExtendedKeys = value & 1;
                s.settings.AttentionMethod = (value >> 1) % 3;
                s.settings.AttentionReset = (value >> 3) & 1;
                break;
            case 0x07: {  // 1: host text and print files can be written; 3: their folder is missing
                std::string folder = value & 1 ? fuzz::OwnFolder() : "/dev/null";
                if ((value & 3) == 3) {
                    folder += "/missing";
                    std::error_code ignored;
                    std::filesystem::remove_all(folder, ignored);
                }
                s.folders.app_data = s.folders.temp_macros = folder;
                break;
            }
            case 0x08: {  // the AID of PA4-PA10 and PF25-PF36 (0 hides them, 1 is no hex)
                constexpr char kDigits[] = "0123456789ABCDEF";
                const std::string text =
                    value == 1 ? "ZZ" : std::string{kDigits[value >> 4], kDigits[value & 15]};
                for (std::string& aid : s.settings.ExtraAids) aid = text;
                break;
            }
            case 0x09:  // odd: TN3270E was agreed (headers, its Attention bytes)
                s.link.tn3270e_active = value & 1;
                break;
            default:
                break;
        }
    }
}

// Rows and columns.
constexpr uint8_t kDefaultSizes[8][2] = {{24, 80}, {4, 20}, {62, 160},  {27, 132},
                                         {43, 80}, {1, 1},  {200, 200}, {0, 0}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fuzz::QuietUi ui;
    fuzz::NullSender sender;
    QuietHooks hooks;
    // One block of memory for every run's session: a fresh 300 KB allocation per run costs more in
    // page faults than the run itself. Each run still starts from a newly constructed session.
    alignas(Session) static unsigned char storage[sizeof(Session)];
    static std::unique_ptr<ScreenSnapshot> spare_snapshot;
    Session& s = *new (storage) Session(ui);
    s.ds.unlock_snapshot = std::move(spare_snapshot);  // only ever read after it is written
    fuzz::PrepareSession(s);  // host text files cannot be created unless a control record says so
    s.record.SetNumber(field::FindOptions, 0x04);  // find again on every screen, when a find hook is there
    hooks.session = &s;

    const uint8_t flags = data[0], choice = data[1];
    s.settings.IgnoreInvalidSBA = flags & 0x01;
    s.settings.IgnoreInvalidWrite = (flags >> 1) & 1;
    s.settings.Wang = (flags >> 2) & 1;
    s.settings.CmdChaining = (flags >> 3) & 1;
    s.settings.ColorModifyField = (flags >> 4) & 1;
    s.link.ascii_host = AsciiHost(((flags >> 5) & 3) == 3 ? 0 : (flags >> 5) & 3);
    s.link.sscp_lu_mode = flags & 0x80;
    s.record.SetNumber(field::DefaultRows, kDefaultSizes[choice & 7][0]);
    s.record.SetNumber(field::DefaultColumns, kDefaultSizes[choice & 7][1]);
    s.record.SetNumber(field::TerminalModel, (choice >> 3) % 5);
    s.record.SetNumber(field::DftMode, 1);
    if (choice & 0x40) s.sender = &sender;
    if (choice & 0x80) {
        s.hooks.transfer = &hooks;
        s.status = SessionStatus::TransferReady;
    }
    EraseScreen(s, 1);

    for (const std::span<const uint8_t> record : fuzz::SplitRecords(std::span(data + 2, size - 2))) {
        if (!record.empty() && record[0] == 0xFF)
            ApplyControl(s, hooks, record.subspan(1));
        else
            ProcessHostRecord(s, record);
        fuzz::CheckScreen(s.ps);
    }
    // Whatever the host left on the screen must also read back safely.
    SendReadModified(s, 0x7D);
    (void)BuildReadBuffer(s);
    (void)DumpScreenText(s, true);
    (void)SendAidKey(s, 1);
    s.hooks = {};
    spare_snapshot = std::move(s.ds.unlock_snapshot);
    s.~Session();
    return 0;
}
