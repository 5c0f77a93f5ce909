// Statement forms and the control statements, jumping through the scan table.
#include "macro/macro_interpreter.h"
#include "macro/macro_text.h"
#include "options/system_variables.h"
#include "scripting/macro_errors.h"

namespace orkan {

namespace {

bool IsControlKeyword(int k) {
    return (k >= kw::If && k <= kw::Goto) || k == kw::Call || k == kw::Return;
}

void ContinueAfter(MacroProgram& p, uint32_t entry) {
    p.current = p.scan[entry].text;
    p.statement_number = p.scan[entry].statement;
}

void JumpTo(MacroProgram& p, uint32_t entry) {
    ContinueAfter(p, entry);
    p.jumped = true;
}

int EntryFor(MacroProgram& p, BlockKind kind, uint32_t& entry) {
    entry = p.FindScanEntry(p.statement_number);
    if (!entry || p.scan[entry].kind != kind) return macro_error::BadScanEntry;
    return 0;
}

}  // namespace

void MacroInterpreter::BeginChain() {
    exit_code_ = 0;
    trace_flags_ = 0;
    previous_was_call_ = false;
}

int MacroInterpreter::ExecuteStatement(MacroProgram& p) {
    MacroScanner sc(p.source, p.classes);
    sc.pos = p.current;
    sc.last_token_start = p.current;
    sc_ = &sc;
    program_ = &p;
    p.jumped = false;
    p.transfer_replay = 0;
    p.suspended_for_transfer = false;
    const bool after_call = previous_was_call_;
    previous_was_call_ = false;

    int result = 0;
    Token t;
    sc.SkipBlanks();
    if (p.source[sc.pos] != '*') {
        result = sc.Next(t);
        if (result == 0 && t.kind != TokenKind::End) {
            if (t.kind != TokenKind::Name) {
                result = macro_error::UnknownKeyword;
            } else if (sc.PeekAfterBlanks() == ':') {
                ++sc.pos;
                const uint32_t after_colon = sc.pos;
                Token next;
                result = sc.Next(next);
                if (result == 0 && next.kind == TokenKind::Name && next.text == "SUBROUTINE") {
                    if (!after_call)
                        p.current = uint32_t(p.source.size() - 1);  // falling in ends the macro
                    else
                        p.Advance();
                    p.jumped = true;
                } else if (result == 0) {
                    sc.pos = after_colon;
                    result = sc.Next(t);
                    if (result == 0 && t.kind != TokenKind::End && t.kind != TokenKind::Name)
                        result = macro_error::UnknownKeyword;
                }
            }
            if (result == 0 && !p.jumped && t.kind == TokenKind::Name) {
                const std::optional<int> keyword = KeywordNumber(t.text);
                const bool assignment = sc.PeekAfterBlanks() == '=' && p.source[sc.pos + 1] != '=';
                if (assignment && keyword) {
                    result = macro_error::ReservedName;
                } else if (assignment) {
                    ++sc.pos;
                    result = Assign(t.text, false);
                } else if (keyword && IsControlKeyword(*keyword)) {
                    result = ExecuteControl(*keyword);
                } else {
                    sc.pos = t.start;
                    MacroValue ignored;
                    result = Evaluate(ignored);
                    if (result == 0 && !sc.AtEndOfStatement()) {
                        sc.last_token_start = sc.pos;
                        result = macro_error::UnexpectedText;
                    }
                }
            }
        }
    }
    sc_ = nullptr;
    program_ = nullptr;
    // Results of transfer terms are kept only for the statement's next run.
    if (!p.suspended_for_transfer) p.transfer_results.clear();
    if (result == kSuspendedStatement) result = 0;
    if (result == kStartedChild) return result;
    if (!host_.Executes(p)) return result;  // stopped, or the program was replaced
    p.last_token_start = sc.last_token_start;
    if (result) return result;
    if (host_.GoesOn() && !p.jumped) p.Advance();
    return 0;
}

int MacroInterpreter::Assign(const std::string& name, bool in_for) {
    MacroValue value;
    if (int e = Evaluate(value)) return e;
    if (!in_for && !sc_->AtEndOfStatement()) {
        sc_->last_token_start = sc_->pos;
        return macro_error::UnexpectedText;
    }
    int index = Variables().Find(name);
    if (index < 0) {
        if (name.size() > kMaxVariableName) return macro_error::VariableNameTooLong;
        index = Variables().Create(name);
        if (index < 0) return macro_error::VariableTableFull;
    }
    MacroVariable& v = Variables().at(index);
    if (v.system >= 0) {
        if (!kSystemVariables[size_t(v.system)].assignable) return macro_error::ReadOnlyVariable;
        return host_.AssignSystemVariable(v.system, value);
    }
    if (value.IsNumber() && !InMacroRange(value.number)) return macro_error::Overflow;
    v.value = std::move(value);
    return 0;
}

int MacroInterpreter::EvaluateCondition(bool& truth) {
    MacroValue v;
    if (int e = Evaluate(v)) return e;
    if (!sc_->AtEndOfStatement()) {
        sc_->last_token_start = sc_->pos;
        return macro_error::UnexpectedText;
    }
    truth = v.IsNumber() && v.number != 0;
    return 0;
}

int MacroInterpreter::ExecuteControl(int keyword) {
    MacroProgram& p = *program_;
    uint32_t e = 0;
    switch (keyword) {
        case kw::If: {
            if (int err = EntryFor(p, BlockKind::If, e)) return err;
            bool truth = false;
            if (int err = EvaluateCondition(truth)) return err;
            const ScanEntry& entry = p.scan[e];
            if (!entry.link1 && !entry.link2) return macro_error::IfWithoutEndIf;
            if (!truth) ContinueAfter(p, entry.link1 ? entry.link1 : entry.link2);
            return 0;
        }
        case kw::Else:
            if (int err = EntryFor(p, BlockKind::Else, e)) return err;
            if (!p.scan[e].link2) return macro_error::BadScanEntry;
            ContinueAfter(p, p.scan[e].link2);
            return 0;
        case kw::EndIf:
        case kw::EndSelect:
            return 0;
        case kw::While: {
            if (int err = EntryFor(p, BlockKind::While, e)) return err;
            if (!p.scan[e].link2) return macro_error::WhileWithoutEndWhile;
            bool truth = false;
            if (int err = EvaluateCondition(truth)) return err;
            if (!truth) ContinueAfter(p, p.scan[e].link2);
            return 0;
        }
        case kw::EndWhile:
            if (int err = EntryFor(p, BlockKind::EndWhile, e)) return err;
            if (!p.scan[e].link1) return macro_error::BadScanEntry;
            JumpTo(p, p.scan[e].link1);
            return 0;
        case kw::For: {
            if (int err = EntryFor(p, BlockKind::For, e)) return err;
            Token t;
            if (int err = sc_->Next(t)) return err;
            if (t.kind != TokenKind::Name) return macro_error::UnknownKeyword;
            const std::string name = t.text;
            if (KeywordNumber(name)) return macro_error::ReservedName;
            Token eq;
            if (int err = sc_->Next(eq)) return err;
            if (eq.kind != TokenKind::Special || eq.text != "=") return macro_error::ForWithoutAssignment;
            if (int err = Assign(name, true)) return err;
            const int var = Variables().Find(name);
            if (var < 0 || !Variables().at(var).value.IsNumber()) return macro_error::ForNotNumeric;
            const int32_t start = Variables().at(var).value.number;
            Token to;
            if (int err = sc_->Next(to)) return err;
            if (to.kind != TokenKind::Name || to.text != "TO") return macro_error::ForWithoutTo;
            MacroValue limit;
            if (int err = Evaluate(limit)) return err;
            if (!limit.IsNumber()) return macro_error::ForNotNumeric;
            int32_t step = limit.number < start ? -1 : 1;
            if (!sc_->AtEndOfStatement()) {
                Token word;
                if (int err = sc_->Next(word)) return err;
                if (word.kind != TokenKind::Name || word.text != "STEP") return macro_error::ForBadStep;
                MacroValue step_value;
                if (int err = Evaluate(step_value)) return err;
                if (!step_value.IsNumber()) return macro_error::ForNotNumeric;
                if (step_value.number == 0) return macro_error::ForZeroStep;
                if (!sc_->AtEndOfStatement()) {
                    sc_->last_token_start = sc_->pos;
                    return macro_error::UnexpectedText;
                }
                step = step_value.number;
            }
            ScanEntry& entry = p.scan[e];
            entry.loop_variable = name;
            entry.limit = limit.number;
            entry.step = step;
            return 0;
        }
        case kw::Next: {
            if (int err = EntryFor(p, BlockKind::Next, e)) return err;
            const uint32_t for_entry = p.scan[e].link1;
            if (!for_entry) return macro_error::BadScanEntry;
            Token t;
            if (int err = sc_->Next(t)) return err;
            if (t.kind != TokenKind::Name) return macro_error::UnknownKeyword;
            if (!sc_->AtEndOfStatement()) {
                sc_->last_token_start = sc_->pos;
                return macro_error::UnexpectedText;
            }
            const ScanEntry& f = p.scan[for_entry];
            const int var = Variables().Find(t.text);
            if (var < 0) return macro_error::NotFound;
            if (f.loop_variable != t.text) return macro_error::NextMismatch;
            MacroValue& v = Variables().at(var).value;
            if (!v.IsNumber()) return macro_error::ForNotNumeric;
            const int64_t next = int64_t(v.number) + f.step;
            if (!InMacroRange(next)) return macro_error::Overflow;
            v.number = int32_t(next);
            const bool again = f.step > 0 ? next <= f.limit : next >= f.limit;
            if (again) ContinueAfter(p, for_entry);
            return 0;
        }
        case kw::Select: {
            if (int err = EntryFor(p, BlockKind::Select, e)) return err;
            MacroValue subject;
            if (int err = Evaluate(subject)) return err;
            if (!sc_->AtEndOfStatement()) {
                sc_->last_token_start = sc_->pos;
                return macro_error::UnexpectedText;
            }
            const uint32_t end = p.scan[e].link2;
            if (!end) return macro_error::BadScanEntry;
            std::vector<MacroValue> items;
            MacroScanner* outer = sc_;
            for (uint32_t k = e + 1; k < end; ++k) {
                const ScanEntry& c = p.scan[k];
                if (c.link1 != e) continue;
                if (c.kind == BlockKind::Default) {
                    ContinueAfter(p, k);
                    return 0;
                }
                if (c.kind != BlockKind::Case) continue;
                MacroScanner cs(p.source, p.classes);
                cs.pos = c.text;
                Token word;
                if (int err = cs.Next(word)) return err;
                sc_ = &cs;
                const int err = EvaluateList(items);
                sc_ = outer;
                if (err) {
                    // The fault is in the CASE: report it there.
                    ContinueAfter(p, k);
                    p.last_token_start = cs.last_token_start;
                    sc_->last_token_start = cs.last_token_start;
                    return err;
                }
                for (const MacroValue& item : items) {
                    if (item.type != subject.type) continue;
                    const bool match = item.IsNumber() ? item.number == subject.number
                                                       : EqualIgnoringCase(item.text, subject.text);
                    if (match) {
                        ContinueAfter(p, k);
                        return 0;
                    }
                }
            }
            ContinueAfter(p, end);
            return 0;
        }
        case kw::Case:
        case kw::Default: {
            e = p.FindScanEntry(p.statement_number);
            if (!e || !p.scan[e].link2) return macro_error::BadScanEntry;
            ContinueAfter(p, p.scan[e].link2);
            return 0;
        }
        case kw::Break: {
            if (int err = EntryFor(p, BlockKind::Break, e)) return err;
            const uint32_t loop = p.scan[e].link1;
            if (!loop || !p.scan[loop].link2) return macro_error::BadScanEntry;
            ContinueAfter(p, p.scan[loop].link2);
            return 0;
        }
        case kw::Continue: {
            if (int err = EntryFor(p, BlockKind::Continue, e)) return err;
            const uint32_t loop = p.scan[e].link1;
            if (!loop || !p.scan[loop].link2) return macro_error::BadScanEntry;
            JumpTo(p, p.scan[loop].link2);
            return 0;
        }
        case kw::Goto:
            if (int err = EntryFor(p, BlockKind::Goto, e)) return err;
            if (!p.scan[e].link2) return macro_error::BadScanEntry;
            JumpTo(p, p.scan[e].link2);
            return 0;
        case kw::Call: {
            if (int err = EntryFor(p, BlockKind::Call, e)) return err;
            const uint32_t label = p.scan[e].link2;
            if (!label) return macro_error::BadScanEntry;
            if (p.scan[label].link1) return macro_error::RecursiveCall;
            p.scan[label].link1 = e;
            JumpTo(p, label);
            previous_was_call_ = true;
            return 0;
        }
        case kw::Return: {
            if (int err = EntryFor(p, BlockKind::Return, e)) return err;
            const uint32_t sub = p.scan[e].link2;
            if (!sub || !p.scan[sub].link1) return macro_error::ReturnOutsideSubroutine;
            const uint32_t caller = p.scan[sub].link1;
            p.scan[sub].link1 = 0;
            ContinueAfter(p, caller);
            return 0;
        }
        case kw::Exit: {
            if (!sc_->AtEndOfStatement()) {
                MacroValue code;
                if (int err = Evaluate(code)) return err;
                if (!sc_->AtEndOfStatement()) {
                    sc_->last_token_start = sc_->pos;
                    return macro_error::UnexpectedText;
                }
                if (code.IsNumber()) exit_code_ = code.number;
            }
            p.current = uint32_t(p.source.size() - 1);
            p.jumped = true;
            return 0;
        }
        default:
            return macro_error::UnknownKeyword;
    }
}

}  // namespace orkan
