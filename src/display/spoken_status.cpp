#include "display/spoken_status.h"

#include <string>
#include <string_view>

#include "ds3270/fields.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"

namespace orkan {

namespace {

std::string_view ConnectionWords(SessionStatus status) {
    switch (status) {
        case SessionStatus::NotConnected:
            return "Disconnected";
        case SessionStatus::Start:
            return "Starting";
        case SessionStatus::Session:
            return "Session ready";
        case SessionStatus::Connecting:
            return "Connecting";
        case SessionStatus::Rejected:
            return "Device name rejected by the host";
        default:
            return "Connected";
    }
}

std::string_view KeyboardWords(SessionStatus status) {
    switch (status) {
        case SessionStatus::Unlocked:
            return "keyboard unlocked";
        case SessionStatus::Locked:
            return "keyboard locked, waiting for the host";
        case SessionStatus::SysLock:
            return "keyboard locked by the system";
        case SessionStatus::Protected:
            return "keyboard locked, the cursor is in a protected field, press Reset";
        case SessionStatus::InsertOverflow:
            return "keyboard locked, the field is full, press Reset";
        case SessionStatus::TransferReady:
            return "file transfer ready";
        case SessionStatus::TransferData:
            return "file transfer running";
        case SessionStatus::TransferMessage:
            return "file transfer message";
        case SessionStatus::TransferDone:
            return "file transfer done";
        case SessionStatus::IspfExit:
            return "ISPF exit";
        case SessionStatus::History:
            return "showing an earlier screen, keyboard locked";
        default:
            return {};
    }
}

std::string_view MacroWords(char letter) {
    switch (letter) {
        case 'R':
            return "recording a macro";
        case 'X':
            return "macro waiting";
        case 'P':
            return "macro running";
        default:
            return {};
    }
}

}  // namespace

std::string SpokenStatus(const Session& session) {
    const SessionStatus status = session.status;
    std::string words(ConnectionWords(status));
    const auto add = [&words](std::string_view part) {
        if (!part.empty()) words.append(", ").append(part);
    };
    if (status >= SessionStatus::Connected) add(session.link.tls_active ? "TLS" : "not secure");
    // The numeric lock refuses a letter with the protected-field status: say which it was.
    const uint8_t attribute = GoverningAttribute(session.ps, session.ps.cursor_address);
    if (status == SessionStatus::Protected && session.record.Flag(field::NumericFieldLock) && attribute &&
        !(attribute & fa::Protected) && (attribute & fa::Numeric))
        add("keyboard locked, the field takes only digits, press Reset");
    else if (status == SessionStatus::Protected && session.keyboard->refused_without_host_form)
        add("keyboard locked, the host's code page has no such character, press Reset");
    else
        add(KeyboardWords(status));
    if (session.keyboard->insert_mode) add("insert mode");
    add(MacroWords(session.indicators.macro_letter));
    // The status line shows the selection's size; a screen reader hears what Copy will take.
    if (const Selection& sel = session.selection; sel.shown)
        add(std::to_string(sel.Height()) + (sel.Height() == 1 ? " row" : " rows") + " by " +
            std::to_string(sel.Width()) + (sel.Width() == 1 ? " column" : " columns") + " selected");
    return words;
}

}  // namespace orkan
