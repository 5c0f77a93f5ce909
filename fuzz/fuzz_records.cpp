// The record dispatcher with everything it reaches: orders, structured fields (Query, Outbound
// 3270DS, host text), read commands, SSCP-LU text. The first two bytes choose settings and screen
// sizes; the rest is split into records at each FF EF, as the Telnet layer would hand them over.
// A record that begins with FF (no command has that code) sets up the session instead, so later
// records meet the states other subsystems put it in: FF then pairs of an operation and a value
// (see ApplyControl).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>

#include "config/session_file.h"
#include "ds3270/fields.h"
#include "ds3270/geometry.h"
#include "ds3270/inbound.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"
#include "harness.h"
#include "session/session.h"
#include "support/iconv_tables.h"

namespace {

using namespace orkan;
using fuzz::NullSender;
using fuzz::QuietUi;

class FuzzTransfer : public TransferHook {
  public:
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        return !record.empty() && record.back() & 1;
    }
    void StructuredField(std::span<const uint8_t>) override {}
    void AfterWriteFinished() override {}
};

// Every hook only counts, and the history puts the keyboard back as the real one does: the data
// stream must reach each hook in every state without help from it.
class CountingHooks final : public CaptureHook,
                            public ScreenHistoryHook,
                            public MacroHook,
                            public TypeAheadHook,
                            public FindHook,
                            public ClipboardHook,
                            public PrintHook {
  public:
    explicit CountingHooks(Session& session) : session_(session) {}
    void AfterUnlockCapture() override { ++calls; }
    void TakeHistorySnapshot() override { ++calls; }
    void RestoreLiveScreen() override { session_.status = SessionStatus::Unlocked; }
    bool IsMacroRunning() const override { return macro_running; }
    void ReleaseUnlockWaits() override { ++calls; }
    bool EventEnabled(EventMacro) const override { return events_enabled; }
    void StartEventMacro(EventMacro, const std::string&) override { ++calls; }
    void StartMacroFile(const std::string&) override { ++calls; }
    void RunMacroText(const std::string&) override { ++calls; }
    void ReplayTypeAhead() override { ++calls; }
    void FindAgainAfterScreen() override { ++calls; }
    void FindText(std::string_view, uint8_t) override { ++calls; }
    void AfterHostWrite() override { ++calls; }
    void KeyFunction(uint16_t) override { ++calls; }
    bool RunEdit(uint8_t) override {
        ++calls;
        return false;
    }
    void PasteByTyping() override { ++calls; }
    void ClearSelectionArea() override { ++calls; }
    int PasteRepeatBuffer() const override { return -1; }
    void MouseSelectionFinished(bool) override { ++calls; }
    void PrintScreen() override { ++calls; }
    void PrintTextFile(const std::string&) override { ++calls; }
    void PrintFile(const std::string&) override { ++calls; }
    void CopyFileToPrinter(const std::string&, const std::string&) override { ++calls; }

    bool macro_running = false;
    bool events_enabled = false;
    size_t calls = 0;

  private:
    Session& session_;
};

// Operations of a control record.
namespace control {
inline constexpr uint8_t Options = 0x01;   // session options and program settings, one bit each
inline constexpr uint8_t Hooks = 0x02;     // which hooks are attached, one bit each
inline constexpr uint8_t Status = 0x03;    // the session status byte (16: a history screen is shown)
inline constexpr uint8_t AidKey = 0x04;    // an Action key (0..49) pressed now
inline constexpr uint8_t DataType = 0x05;  // the TN3270E data type of the records that follow
inline constexpr uint8_t Keys = 0x06;      // extended keys and the Attention method
inline constexpr uint8_t Folders =
    0x07;  // 1: host text and print files can be written; 3: their folder is missing
inline constexpr uint8_t ExtraAids = 0x08;  // the AID of PA4-PA10 and PF25-PF36 (0 hides them, 1 is no hex)
inline constexpr uint8_t Tn3270e = 0x09;    // odd: TN3270E was agreed (headers, its Attention bytes)
}  // namespace control

// A folder of this process for the files host text and printing write; each run truncates them.
const std::string& WritableFolder() {
    static const std::string folder = [] {
        std::string path = (std::filesystem::temp_directory_path() / "orkan-fuzz-records-XXXXXX").string();
        if (!mkdtemp(path.data())) std::abort();
        static const std::string removed_at_exit = path;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removed_at_exit, ignored);
        });
        return path;
    }();
    return folder;
}

void SetFolders(Session& s, uint8_t value) {
    std::string folder = value & 1 ? WritableFolder() : "/dev/null";
    if ((value & 3) == 3) {
        folder += "/missing";
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    s.folders.app_data = folder;
    s.folders.temp_macros = folder;
}

void ApplyOptions(Session& s, uint8_t bits) {
    s.record.SetNumber(field::HostInitiatedPrinting, bits & 0x01);
    s.record.SetNumber(field::ConvertNullsToBlanks, (bits >> 1) & 1);
    s.record.SetNumber(field::ShowWindowOnUpdate, (bits >> 2) & 1);
    s.record.SetNumber(field::UpdateNotification, (bits >> 3) & 1);
    s.record.SetNumber(field::Alarm, (bits >> 4) & 1);
    s.settings.WCCPrintAccumulate = (bits >> 5) & 1;
    s.settings.ReplyCodepage = (bits >> 6) & 1;
    s.settings.AlwaysUpdateTranTime = (bits >> 7) & 1;
}

void SetExtraAids(Session& s, uint8_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string text = value == 1 ? "ZZ" : std::string{kDigits[value >> 4], kDigits[value & 15]};
    for (std::string& aid : s.settings.ExtraAids) aid = text;
}

void ApplyKeySettings(Session& s, uint8_t bits) {
    s.settings.ExtendedKeys = bits & 1;
    s.settings.AttentionMethod = (bits >> 1) % 3;
    s.settings.AttentionReset = (bits >> 3) & 1;
}

void AttachHooks(Session& s, CountingHooks& hooks, uint8_t bits) {
    SessionHooks& h = s.hooks;
    h.capture = bits & 0x01 ? &hooks : nullptr;
    h.history = bits & 0x02 ? &hooks : nullptr;
    h.macros = bits & 0x0C ? &hooks : nullptr;
    hooks.events_enabled = bits & 0x04;
    hooks.macro_running = bits & 0x08;
    h.type_ahead = bits & 0x10 ? &hooks : nullptr;
    h.find = bits & 0x20 ? &hooks : nullptr;
    h.clipboard = bits & 0x40 ? &hooks : nullptr;
    h.print = bits & 0x80 ? &hooks : nullptr;
}

void ApplyControl(Session& s, CountingHooks& hooks, std::span<const uint8_t> pairs) {
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const uint8_t value = pairs[i + 1];
        switch (pairs[i]) {
            case control::Options:
                ApplyOptions(s, value);
                break;
            case control::Hooks:
                AttachHooks(s, hooks, value);
                break;
            case control::Status:
                s.status = SessionStatus(value);
                break;
            case control::AidKey:
                (void)SendAidKey(s, value % 50);
                break;
            case control::DataType:
                s.link.current_data_type = value;
                break;
            case control::Keys:
                ApplyKeySettings(s, value);
                break;
            case control::Folders:
                SetFolders(s, value);
                break;
            case control::ExtraAids:
                SetExtraAids(s, value);
                break;
            case control::Tn3270e:
                s.link.tn3270e_active = value & 1;
                break;
            default:
                break;
        }
    }
}

// What every record must leave behind: a screen that 14-bit addresses reach, the cursor on it,
// and only field attributes (with their marker bit) in the attribute plane.
void CheckScreen(const Session& s) {
    const PresentationSpace& ps = s.ps;
    if (ps.positions == 0 || ps.positions != ps.rows * ps.columns ||
        ps.positions > kMaxAddressablePositions || ps.cursor_address >= ps.positions)
        std::abort();
    for (uint32_t a = 0; a < ps.positions; ++a)
        if (ps.planes.attribute[a] != 0 && !(ps.planes.attribute[a] & fa::Present)) std::abort();
}

struct Size {
    uint8_t rows, columns;
};
constexpr Size kDefaultSizes[8] = {{24, 80}, {4, 20}, {62, 160},  {27, 132},
                                   {43, 80}, {1, 1},  {200, 200}, {0, 0}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const CharsetTables tables = test::Cp037Tables();
    QuietUi ui;
    NullSender sender;
    FuzzTransfer transfer;
    std::optional<CountingHooks> hooks;
    // One block of memory for every run's session: a fresh 300 KB allocation per run costs more in
    // page faults than the run itself. Each run still starts from a newly constructed session.
    alignas(Session) static unsigned char storage[sizeof(Session)];
    static std::unique_ptr<ScreenSnapshot> spare_snapshot;
    Session& s = *new (storage) Session(ui);
    s.ds.unlock_snapshot = std::move(spare_snapshot);  // only ever read after it is written
    s.charset = tables;
    // The settings a new session starts with (colours, options), as start-up gives them.
    static const SessionRecord defaults = DefaultSessionRecord();
    s.record = defaults;
    SetFolders(s, 0);  // host text files cannot be created unless a control record says so
    s.record.SetNumber(field::FindOptions, 0x04);  // find again on every screen, when a find hook is there
    hooks.emplace(s);

    const uint8_t flags = data[0], choice = data[1];
    s.settings.IgnoreInvalidSBA = flags & 0x01;
    s.settings.IgnoreInvalidWrite = (flags >> 1) & 1;
    s.settings.Wang = (flags >> 2) & 1;
    s.settings.CmdChaining = (flags >> 3) & 1;
    s.settings.ColorModifyField = (flags >> 4) & 1;
    s.link.ascii_host = AsciiHost(((flags >> 5) & 3) == 3 ? 0 : (flags >> 5) & 3);
    s.link.sscp_lu_mode = flags & 0x80;
    const Size screen = kDefaultSizes[choice & 7];
    s.record.SetNumber(field::DefaultRows, screen.rows);
    s.record.SetNumber(field::DefaultColumns, screen.columns);
    s.record.SetNumber(field::TerminalModel, (choice >> 3) % 5);
    s.record.SetNumber(field::UserScreenWidth, 160);
    s.record.SetNumber(field::UserScreenHeight, 62);
    s.record.SetNumber(field::DftMode, 1);
    if (choice & 0x40) s.sender = &sender;
    if (choice & 0x80) {
        s.hooks.transfer = &transfer;
        s.status = SessionStatus::TransferReady;
    }
    EraseScreen(s, 1);

    std::span<const uint8_t> rest(data + 2, size - 2);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && !(rest[end] == 0xFF && end + 1 < rest.size() && rest[end + 1] == 0xEF))
            ++end;
        if (end > 0 && rest[0] == 0xFF)
            ApplyControl(s, *hooks, rest.subspan(1, end - 1));
        else
            ProcessHostRecord(s, rest.first(end));
        CheckScreen(s);
        rest = rest.subspan(std::min(rest.size(), end + 2));
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
