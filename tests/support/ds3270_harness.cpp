#include "support/ds3270_harness.h"

#include "ds3270/fields.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"
#include "support/hex.h"
#include "support/iconv_tables.h"

namespace orkan::test {

Harness::Harness(uint32_t rows, uint32_t columns, int model) : session(std::make_unique<Session>(ui)) {
    Session& s = *session;
    s.sender = &sender;
    s.trace.Set(&trace);
    s.view = &log;
    s.clock = &clock;
    s.charset = Cp037Tables();
    s.record.SetNumber(field::DefaultRows, rows);
    s.record.SetNumber(field::DefaultColumns, columns);
    s.record.SetNumber(field::TerminalModel, uint32_t(model));
    // Roles 0-15 (host colours) get foreground = role on background 0; roles 16-19 (plain
    // attribute classes) foreground 0-3 on background 1, so every colour byte is recognisable.
    for (int role = 0; role < 16; ++role) s.record.SetRole(role, uint8_t(role), 0);
    for (int role = 16; role < 20; ++role) s.record.SetRole(role, uint8_t(role - 16), 1);
    s.status = SessionStatus::Connected;
    EraseScreen(s, 1);
    log.calls.clear();
}

void Harness::Host(std::string_view hex) {
    ProcessHostRecord(*session, FromHex(hex));
}

std::string Harness::Screen() const {
    const std::string dump = DumpScreenText(*session);
    std::string out;
    size_t start = 0;
    while (start < dump.size()) {
        const size_t end = dump.find('\n', start);
        std::string row = dump.substr(start, end - start);
        row.erase(row.find_last_not_of(' ') + 1);
        out += row + '\n';
        start = end + 1;
    }
    while (out.size() >= 2 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n') out.pop_back();
    if (out == "\n") out.clear();
    return out;
}

std::string Harness::TakeSent() {
    std::string out;
    for (const Sent& s : sender.sent) {
        if (!out.empty()) out += " | ";
        if (s.raw) out += "raw:";
        out += ToHex(s.bytes);
    }
    sender.sent.clear();
    return out;
}

std::string Harness::TakeMessages() {
    std::string out;
    for (const MessageBox& m : ui.shown) {
        if (!out.empty()) out += " | ";
        out += m.title + ": " + m.text;
    }
    ui.shown.clear();
    return out;
}

}  // namespace orkan::test
