// A session wired to recording stand-ins for everything outside the data stream: what was sent,
// traced, shown, sounded and which later subsystems (file transfer too) were called. Tables are code page
// 037.
#pragma once

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "session/session.h"
#include "support/hex.h"
#include "support/recording_ui.h"

namespace orkan::test {

struct Sent {
    std::vector<uint8_t> bytes;
    unsigned flags = 0;  // send_flag bits; 0 for raw bytes
    bool raw = false;
};

class RecordingSender : public HostSender {
  public:
    void SendRecord(std::span<const uint8_t> record, unsigned flags) override {
        sent.push_back({{record.begin(), record.end()}, flags, false});
    }
    void SendRaw(std::span<const uint8_t> bytes) override {
        sent.push_back({{bytes.begin(), bytes.end()}, 0, true});
    }
    std::vector<Sent> sent;
};

class RecordingTrace : public TraceSink {
  public:
    void TraceRecord(TraceType type, std::span<const uint8_t> data) override {
        items.push_back({type, {data.begin(), data.end()}});
    }
    std::vector<std::pair<TraceType, std::vector<uint8_t>>> items;
};

// Window and hooks in one log of names, in call order.
class CallLog : public View,
                public CaptureHook,
                public ScreenHistoryHook,
                public MacroHook,
                public TypeAheadHook,
                public FindHook,
                public PrintHook,
                public TransferHook {
  public:
    void ScreenSizeChanged() override { calls.push_back("ScreenSizeChanged"); }
    void PlaySound(Sound s) override { calls.push_back(s == Sound::Alarm ? "Alarm" : "Notification"); }
    void ShowWindowOnUpdate() override { calls.push_back("ShowWindow"); }
    void KeyboardUnlocked() override { calls.push_back("KeyboardUnlocked"); }
    void AfterUnlockCapture() override { calls.push_back("Capture"); }
    void TakeHistorySnapshot() override { calls.push_back("History"); }
    void RestoreLiveScreen() override { calls.push_back("RestoreLive"); }
    bool IsMacroRunning() const override { return macro_running; }
    void ReleaseUnlockWaits() override { calls.push_back("ReleaseWaits"); }
    bool EventEnabled(EventMacro) const override { return events_enabled; }
    void StartEventMacro(EventMacro m, const std::string& arg) override {
        calls.push_back(std::string(m == EventMacro::TpxSwap ? "TpxSwap:" : "Unlocked:") + arg);
    }
    void StartMacroFile(const std::string& path) override { calls.push_back("MacroFile:" + path); }
    // What a runner reads at the start, as the file is removed right after.
    void StartHostMacroFile(const std::string& path) override {
        std::ifstream in(path, std::ios::binary);
        host_macro_text.assign(std::istreambuf_iterator<char>(in), {});
        StartMacroFile(path);
    }
    void RunMacroText(const std::string& text) override { calls.push_back("MacroText:" + text); }
    bool DropsKeys() const override { return drops_keys; }
    void ReplayTypeAhead() override { calls.push_back("TypeAhead"); }
    void FindAgainAfterScreen() override { calls.push_back("Find"); }
    void FindText(std::string_view, uint8_t) override {}
    void PrintScreen() override { calls.push_back("PrintScreen"); }
    void PrintTextFile(const std::string& path) override { calls.push_back("PrintFile:" + path); }
    void PrintFile(const std::string& path) override { calls.push_back("UserFile:" + path); }
    void CopyFileToPrinter(const std::string& path, const std::string&) override {
        calls.push_back("CopyToPrinter:" + path);
    }

    // A transfer takes the records offered to it while `transfer_consumes`.
    bool OfferScreenRecord(std::span<const uint8_t> record) override {
        calls.push_back("Offered:" + ToHex(record));
        return transfer_consumes;
    }
    void StructuredField(std::span<const uint8_t> field) override {
        calls.push_back("Field:" + ToHex(field));
    }
    void AfterWriteFinished() override { calls.push_back("TransferFinished"); }

    std::vector<std::string> calls;
    std::string host_macro_text;
    bool transfer_consumes = true;
    bool macro_running = false;
    bool drops_keys = false;
    bool events_enabled = false;
};

struct Harness {
    // rows x columns is the default size; the alternate size is terminal model `model` (0..4).
    explicit Harness(uint32_t rows = 24, uint32_t columns = 80, int model = 0);

    void Host(std::string_view hex);  // one host record
    // The screen text, trailing blanks of each row and trailing empty rows removed.
    std::string Screen() const;
    // Every record sent since the last call, as hex, records joined by " | ", raw ones marked "raw:".
    std::string TakeSent();
    // Titles and texts of the message boxes since the last call, joined by " | ".
    std::string TakeMessages();

    RecordingUi ui;
    RecordingSender sender;
    RecordingTrace trace;
    CallLog log;
    ManualClock clock;
    std::unique_ptr<Session> session;
};

}  // namespace orkan::test
