// The functions that read the screen, type and press keys, wait for the host and start macros.
#include "config/data_file.h"
#include "config/host_list.h"
#include "ds3270/fields.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "macro/macro_runner.h"
#include "macro/macro_text.h"
#include "scripting/macro_errors.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int64_t kMaxWaitMs = 2'147'483'000;  // what every event loop's timers can hold

// Cursor-positioning functions: the target comes as row and column.
bool TakesPosition(uint16_t code) {
    const uint8_t n = NumberOf(code);
    if (CategoryOf(code) == KeyCategory::Oper)
        return n == oper_fn::SelectLocation1 || n == oper_fn::SelectLocation2;
    if (CategoryOf(code) == KeyCategory::Edit)
        return n == edit_fn::SelectField || n == edit_fn::SelectLine || n == edit_fn::SelectWord ||
               n == edit_fn::MarkSelectionStart || n == edit_fn::SelectToMark;
    return false;
}

}  // namespace

int MacroRunner::ScreenFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    const PresentationSpace& ps = s_.ps;
    const Planes& planes = ps.planes;
    const int64_t rows = ps.rows, columns = ps.columns;
    if (keyword == kw::OnScreen) {
        const std::string want = UpperText(a[0].text);
        if (want.empty()) return 0;
        int64_t first = 0, last = int64_t(ps.positions) - 1;
        if (count >= 2) {
            if (a[1].number < 1 || a[1].number > rows) return 0;
            first = (a[1].number - 1) * columns;
            last = first + columns - 1;
            if (count >= 3) {
                if (a[2].number < 1 || a[2].number > columns) return 0;
                first = last = first + a[2].number - 1;
            }
        }
        const auto head = uint8_t(want[0]);
        for (int64_t i = first; i <= last; ++i) {
            if (i + int64_t(want.size()) > int64_t(ps.positions)) break;  // never past the last position
            if (UpperByte(planes.display[size_t(i)]) != head) continue;
            size_t k = 1;
            while (k < want.size() && UpperByte(planes.display[size_t(i) + k]) == uint8_t(want[k])) ++k;
            if (k == want.size()) {
                variable_state_.onscreen_row = int(i / columns) + 1;
                variable_state_.onscreen_col = int(i % columns) + 1;
                out = MacroValue::Number(1);
                return 0;
            }
        }
        return 0;
    }
    const int64_t row = a[0].number, col = a[1].number;
    const bool inside = row >= 1 && row <= rows && col >= 1 && col <= columns;
    const size_t at = inside ? size_t((row - 1) * columns + col - 1) : 0;
    switch (keyword) {
        case kw::Screen: {
            out = MacroValue::Text("");
            if (!inside) return 0;
            int64_t length = columns - col + 1;
            if (count >= 3) {
                if (a[2].number < 0) return 0;
                length = std::min<int64_t>(length, a[2].number);
            }
            if (length > int64_t(kMacroTextMax)) return macro_error::TextTooLong;
            uint8_t governing = GoverningAttribute(ps, uint32_t(at));
            std::string text;
            for (size_t i = at; i < at + size_t(length); ++i) {
                if (planes.attribute[i]) {
                    governing = planes.attribute[i];
                    text += ' ';
                    continue;
                }
                text += char(CellText(planes.display[i], governing, planes.charset[i]));
            }
            out = MacroValue::Text(std::move(text));
            return 0;
        }
        case kw::Attribute:
            out = MacroValue::Number(inside ? planes.attribute[at] : 0);
            return 0;
        case kw::Color:
            out = MacroValue::Number(inside ? planes.colour[at] : 0);
            return 0;
        case kw::Hilite:
            out = MacroValue::Number(inside ? planes.highlight[at] : 0);
            return 0;
        case kw::RawData:
            out = MacroValue::Number(inside ? planes.host[at] : 0);
            return 0;
        default:
            return macro_error::NotFound;
    }
}

int MacroRunner::TypeText(const std::string& text) {
    for (char c : text) {
        ExecuteKey(s_, CharCode(uint8_t(c)), false);
        if (chain_.empty()) return 0;  // a key stopped the macro
    }
    return 0;
}

int MacroRunner::KeyFunction(MacroValue* a, int count) {
    const KeyList& list = s_.keyboard.key_list;
    uint16_t code = list.FindKeyFunction(a[0].text);
    if (code == kNoKeyFunction) return macro_error::BadKeyFunction;
    // Before anything the key's operands would change.
    if (!PermitKeyFunction(s_, code)) return macro_error::Refused;
    if (const orkan::KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code)))
        code |= f->flags & kKeyWorksWhileLocked;
    if (TakesPosition(code)) {
        if (count == 2) return macro_error::CursorMoveNeedsRowCol;
        if (count == 3) {
            if (!a[1].IsNumber() || !a[2].IsNumber()) return macro_error::ParmType;
            const int64_t row = a[1].number, col = a[2].number;
            if (row < 1 || row > int64_t(s_.ps.rows) || col < 1 || col > int64_t(s_.ps.columns))
                return macro_error::InvalidValue;
            s_.ps.cursor_address = uint32_t((row - 1) * s_.ps.columns + col - 1);
            // Select Location goes where the mouse pressed: the macro's position is that place.
            if (CategoryOf(code) == KeyCategory::Oper)
                s_.keyboard.mouse_cell = ScreenCell{uint32_t(row - 1), uint32_t(col - 1)};
            s_.view->CursorMoved();
        }
    } else if (count >= 2 && a[1].IsText() && IsFunction(code, KeyCategory::Oper, oper_fn::Reconnect)) {
        HostList hosts = LoadHostList(s_.folders.settings_file, s_.ui);
        const std::optional<size_t> found = FindHost(hosts, a[1].text);
        if (!found) return macro_error::InvalidValue;
        if (!ApplyHostEntry(s_.record, hosts.entries[*found], s_.ui)) return macro_error::InvalidValue;
    }
    ExecuteKey(s_, code, false);
    return 0;
}

int MacroRunner::WaitFunction(int keyword, MacroValue* a, int count) {
    const int64_t amount = a[0].number;
    if (amount < 0) return macro_error::InvalidValue;
    const int64_t ms = keyword == kw::ShortWait ? amount * 10 : amount * 1000;
    if (ms > kMaxWaitMs) return macro_error::InvalidValue;
    auto start_timer = [&] {
        timers_.Start(kStepTimer, std::chrono::milliseconds(ms), true, [this] { OnTimer(); });
        timer_running_ = true;
    };
    const bool conditional = keyword == kw::WaitUnlocked || (keyword == kw::Wait && count == 2);
    if (!conditional) {
        SetState(MacroState::TimedPause);
        start_timer();
        return 0;
    }
    const bool met = keyword == kw::WaitUnlocked ? s_.status == SessionStatus::Unlocked : a[1].number != 0;
    if (met) {
        if (timer_running_) {
            timers_.Stop(kStepTimer);
            timer_running_ = false;
        }
        return 0;
    }
    SetState(MacroState::Waiting);
    if (!timer_running_) start_timer();
    return 0;
}

int MacroRunner::RunFunction(MacroValue* a, int count) {
    std::string name = a[0].text;
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
    if (name.size() > 260) return macro_error::NameTooLong;
    if (count == 2) {
        const char id = a[1].text.empty() ? 0 : char(UpperByte(uint8_t(a[1].text[0])));
        if (!((id >= 'A' && id <= 'Z') || (id >= '0' && id <= '9'))) return macro_error::BadSessionId;
        return env_.RunMacroInSession(id, name);
    }
    if (chain_.size() >= size_t(kMaxRunDepth)) return macro_error::RunTooDeep;
    // Asked before the statement moves on, so that a refusal is reported against it.
    if (!s_.macro_gate.Permit(Capability::StartMacros)) return macro_error::Refused;
    MacroProgram& parent = current();
    if (foreign_starter_ && foreign_starter_(name, ChildOrigin(parent))) return 0;
    Advance(parent);
    std::string error;
    std::unique_ptr<MacroProgram> child = LoadFile(name, ChildOrigin(parent), error);
    if (!child) {
        // Going on without the macro it needs would act on the wrong screens.
        s_.ui.ShowMessage({"File Error", error, Buttons::Ok, Icon::Warning});
        EndChain(MacroOutcome::End::LoadFailed, 0);
        return 0;
    }
    if (!Start(std::move(child), ChildOrigin(parent))) return 0;
    return kStartedChild;
}

}  // namespace orkan
