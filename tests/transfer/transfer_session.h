// A session for protocol tests: the data stream's recording harness with country.lst's tables, the
// transfer hook attached, and a transfer set up on in-memory files as a started one would be.
#pragma once

#include <string>
#include <string_view>

#include "keyboard/keyboard.h"
#include "session/session.h"
#include "support/ds3270_harness.h"
#include "transfer/transfer_state.h"
#include "transfer_fakes.h"

namespace orkan::test {

// The data stream's hook without the runtime's timers.
class ProtocolHook final : public TransferHook {
  public:
    explicit ProtocolHook(Session& session) : session_(session) {}
    bool OfferScreenRecord(std::span<const uint8_t> record) override;
    void StructuredField(std::span<const uint8_t> field) override;
    void AfterWriteFinished() override {}

    TransferState state;

  private:
    Session& session_;
};

struct TransferSession {
    // `pc_code_page` is the transfer table's name in country.lst.
    explicit TransferSession(const std::string& pc_code_page = "Windows (1252)");
    Session& session() { return *h.session; }
    TransferState& state() { return hook.state; }

    // A transfer as StartTransfer leaves it after typing the command: status TR_READY.
    void StartDownload(MemoryFile& file, TextOptions options);
    void StartUpload(std::string content, TextOptions options, size_t piece = 1 << 20);
    MemorySource* source = nullptr;  // the upload's file, while it is open

    // One host record; what the session sent in answer, as TakeSent gives it.
    std::string Host(const std::vector<uint8_t>& record);

    TextOptions Text() const;    // the session's tables, text mode
    TextOptions Binary() const;  // no conversion

    Harness h;
    Keyboard keyboard{*h.session};  // the transfer command is typed
    RecordingEvents events;
    ProtocolHook hook;
    std::vector<TransferOutcome>& outcomes = events.outcomes;
};

// Outbound records and structured fields, built.
std::vector<uint8_t> Wsf(std::initializer_list<std::vector<uint8_t>> fields);
std::vector<uint8_t> OpenField(std::string_view name);  // "FT:DATA" or "FT:MSG "
std::vector<uint8_t> InsertField(std::string_view data);
std::vector<uint8_t> CloseField();
std::vector<uint8_t> GetField();

// The parts of a case file's cell with '|' between them; none in an empty cell.
std::vector<std::string> SplitBars(const std::string& cell);

}  // namespace orkan::test
