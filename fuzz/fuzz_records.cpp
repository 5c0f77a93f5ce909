// The record dispatcher with everything it reaches: orders, structured fields (Query, Outbound
// 3270DS, host text), read commands, SSCP-LU text. The first two bytes choose settings and screen
// sizes; the rest is split into records at each FF EF, as the Telnet layer would hand them over.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>

#include "session/session.h"
#include "support/iconv_tables.h"
#include "ds3270/fields.h"
#include "ds3270/inbound.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"

namespace {

using namespace orkan;

class QuietUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override { return SafestAnswer(box.buttons); }
};

class NullSender : public HostSender {
  public:
    void SendRecord(std::span<const uint8_t> record, unsigned) override { bytes += record.size(); }
    void SendRaw(std::span<const uint8_t> raw) override { bytes += raw.size(); }
    size_t bytes = 0;
};

class FuzzTransfer : public TransferHook {
  public:
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        return !record.empty() && record.back() & 1;
    }
    void StructuredField(std::span<const uint8_t>) override {}
    void AfterWriteFinished() override {}
};


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
    // One block of memory for every run's session: a fresh 300 KB allocation per run costs more in
    // page faults than the run itself. Each run still starts from a newly constructed session.
    alignas(Session) static unsigned char storage[sizeof(Session)];
    static std::unique_ptr<ScreenSnapshot> spare_snapshot;
    Session& s = *new (storage) Session(ui);
    s.ds.unlock_snapshot = std::move(spare_snapshot);  // only ever read after it is written
    s.charset = tables;
    s.folders.app_data = "/dev/null";  // host text files can never be created
    s.folders.temp_macros = "/dev/null";

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
        ProcessHostRecord(s, rest.first(end));
        rest = rest.subspan(std::min(rest.size(), end + 2));
    }
    // Whatever the host left on the screen must also read back safely.
    SendReadModified(s, 0x7D);
    (void)BuildReadBuffer(s);
    (void)DumpScreenText(s, true);
    (void)SendAidKey(s, 1);
    spare_snapshot = std::move(s.ds.unlock_snapshot);
    s.~Session();
    return 0;
}
