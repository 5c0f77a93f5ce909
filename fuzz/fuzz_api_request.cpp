// The automation interface's request reader over whatever a client may write: the byte stream cut
// into lines (a short line bound on odd first bytes, so over-long lines are met too), each line
// read as a request, a wait's conditions read and tested against a screen of fields, and the
// answers written back. Nothing here may throw, crash, or answer with something that is not JSON.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/line_reader.h"
#include "api/protocol.h"
#include "api/screen_facts.h"
#include "api/wait_conditions.h"
#include "config/session_file.h"
#include "harness.h"
#include "keyboard/keyboard.h"
#include "screen/presentation_space.h"
#include "session/session.h"

namespace {

// A screen with a protected label, an input field and a hidden one, so field and text conditions
// have something to find.
void PaintFields(orkan::Session& s) {
    using namespace orkan;
    const std::string_view label = "User id";
    s.ps.planes.attribute[0] = fa::Present | fa::Protected;
    for (size_t i = 0; i < label.size(); ++i) s.ps.planes.display[1 + i] = uint8_t(label[i]);
    s.ps.planes.attribute[10] = fa::Present | fa::Mdt;
    s.ps.planes.display[11] = 'm';
    s.ps.planes.attribute[30] = fa::Present | fa::NonDisplay;
    s.ps.planes.display[31] = 's';
    s.ps.planes.attribute[40] = fa::Present | fa::Protected;
    s.ps.cursor_address = 11;
}

void Check(const std::string& line) {
    if (!nlohmann::json::accept(line)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orkan;
    static fuzz::QuietUi ui;
    static Session* session = [] {
        auto* s = new Session(ui);
        s->record = DefaultSessionRecord();
        s->status = SessionStatus::Unlocked;
        PaintFields(*s);
        return s;
    }();
    static Keyboard keyboard(*session);  // the status answer reads the insert mode
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    LineReader reader(size > 0 && (data[0] & 1) ? 64 : kMaxApiLine);
    const WaitFacts facts{3, 100};
    auto line = [&](std::string_view text) {
        const ReadOutcome read = ReadRequest(text);
        if (!read.request) {
            Check(ErrorLine(read.id, read.name, read.error));
            return;
        }
        const Request& r = *read.request;
        if (r.name == "wait") {
            std::vector<WaitCondition> conditions;
            std::string error;
            if (ReadConditions(r.params["conditions"], conditions, error)) {
                for (const WaitCondition& c : conditions) {
                    (void)ConditionHolds(*session, c, facts);
                    (void)QuietTimeLeft(*session, c, facts);
                }
            } else if (error.empty()) {
                __builtin_trap();
            }
        }
        Check(AnswerLine(r.id, r.name, ScreenJson(*session, facts.seq, true)));
    };
    reader.Feed(stream, line, [] {});
    reader.Finish(line);
    return 0;
}
