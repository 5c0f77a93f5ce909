// A session with the new-session settings and a small screen, and helpers that put fields and
// text on it the way a host write leaves them.
#pragma once

#include <string_view>

#include "config/session_file.h"
#include "keyboard/keyboard.h"
#include "session/session.h"
#include "support/recording_ui.h"

namespace orkan::test {

struct DisplaySession {
    RecordingUi ui;
    Session s{ui};
    Keyboard keyboard{s};

    explicit DisplaySession(uint32_t rows = 4, uint32_t columns = 10) {
        s.record = DefaultSessionRecord();
        Resize(rows, columns);
    }
    void Resize(uint32_t rows, uint32_t columns) {
        s.ps.rows = rows;
        s.ps.columns = columns;
        s.ps.positions = rows * columns;
        s.ps.size_mode = 1;
    }
    void Field(uint32_t address, uint8_t attribute, uint8_t colour = 0, uint8_t highlight = 0) {
        s.ps.planes.attribute[address] = uint8_t(attribute | fa::Present);
        s.ps.planes.display[address] = ' ';
        s.ps.planes.colour[address] = colour;
        s.ps.planes.highlight[address] = highlight;
        s.ps.formatted = true;
    }
    void Text(uint32_t address, std::string_view text, uint8_t colour = 0, uint8_t highlight = 0,
              uint8_t charset = 0) {
        for (char c : text) {
            s.ps.planes.display[address] = uint8_t(c);
            s.ps.planes.colour[address] = colour;
            s.ps.planes.highlight[address] = highlight;
            s.ps.planes.charset[address] = charset;
            ++address;
        }
    }
};

}  // namespace orkan::test
