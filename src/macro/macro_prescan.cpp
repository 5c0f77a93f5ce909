#include "macro/macro_program.h"
#include "scripting/macro_errors.h"

namespace orkan {

namespace {

class PreScanner {
  public:
    explicit PreScanner(MacroProgram& p) : p_(p), scanner_(p.source, p.classes) {}

    int Run() {
        p_.scan.assign(1, ScanEntry{});
        p_.current = 0;
        p_.statement_number = 1;
        for (;;) {
            scanner_.pos = p_.current;
            if (int e = ScanStatement()) return Fail(e);
            if (p_.AtEnd()) break;
        }
        const uint32_t statements = p_.statement_number;
        if (int e = Resolve()) return e;
        p_.entry_of_statement.assign(statements + 1, 0);
        for (uint32_t i = uint32_t(p_.scan.size()) - 1; i >= 1; --i)
            p_.entry_of_statement[p_.scan[i].statement] = i;
        p_.current = 0;
        p_.statement_number = 1;
        p_.last_token_start = 0;
        return 0;
    }

  private:
    int Fail(int error) {
        p_.last_token_start = scanner_.last_token_start;
        return error;
    }

    // One statement (and, after a label, what follows it on the same statement).
    int ScanStatement() {
        for (;;) {
            scanner_.SkipBlanks();
            if (p_.source[scanner_.pos] == '*') return Advance();
            Token t;
            if (int e = scanner_.Next(t)) return e;
            if (t.kind == TokenKind::End) {
                if (scanner_.AtEndMark()) {
                    p_.current = scanner_.pos;
                    return 0;
                }
                return Advance();
            }
            BlockKind kind = BlockKind::None;
            if (t.kind == TokenKind::Name && scanner_.PeekAfterBlanks() == ':') {
                ++scanner_.pos;
                Token next;
                if (int e = scanner_.Next(next)) return e;
                kind = next.kind == TokenKind::Name && next.text == "SUBROUTINE" ? BlockKind::Subroutine
                                                                                 : BlockKind::Label;
            } else if (t.kind == TokenKind::Name) {
                kind = BlockKindOf(t.text);
            }
            if (kind == BlockKind::None) return Advance();
            if (int e = AddEntry(kind)) return e;
            if (kind != BlockKind::Label && kind != BlockKind::Subroutine) return Advance();
        }
    }

    int Advance() {
        const uint32_t end = StatementEnd(p_.source, scanner_.pos);
        p_.current = StatementAfter(p_.source, end);
        ++p_.statement_number;
        return 0;
    }

    // The nearest entry of `kind` at `depth`, searching back from the newest, not past `stop`.
    uint32_t FindBack(BlockKind kind, uint32_t depth, BlockKind stop = BlockKind::None) const {
        for (uint32_t i = uint32_t(p_.scan.size()) - 1; i >= 1; --i) {
            const ScanEntry& e = p_.scan[i];
            if (e.depth != depth) continue;
            if (e.kind == kind) return i;
            if (stop != BlockKind::None && e.kind == stop) return 0;
        }
        return 0;
    }

    // The innermost open block of one of `kinds` around the newest entry.
    uint32_t Enclosing(std::initializer_list<BlockKind> kinds) const {
        for (uint32_t i = uint32_t(p_.scan.size()) - 1; i >= 1; --i) {
            const ScanEntry& e = p_.scan[i];
            bool wanted = false;
            for (BlockKind k : kinds) wanted |= e.kind == k;
            if (wanted && e.depth <= depth_ && e.link2 == 0) return i;
        }
        return 0;
    }

    int AddEntry(BlockKind kind) {
        if (p_.scan.size() >= kScanTableEntries) return macro_error::ScanOverflow;
        ScanEntry entry;
        entry.statement = p_.statement_number;
        entry.kind = kind;
        entry.text = p_.current;
        const uint32_t self = uint32_t(p_.scan.size());
        switch (kind) {
            case BlockKind::If:
            case BlockKind::While:
            case BlockKind::Select:
            case BlockKind::For:
                entry.depth = ++depth_;
                break;
            case BlockKind::Else: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::If, depth_);
                if (!i) return macro_error::ElseWithoutIf;
                p_.scan[i].link1 = self;
                break;
            }
            case BlockKind::EndIf: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::If, depth_);
                if (!i || depth_ == 0) return macro_error::EndIfWithoutIf;
                p_.scan[i].link2 = self;
                if (const uint32_t e = FindBack(BlockKind::Else, depth_, BlockKind::If))
                    p_.scan[e].link2 = self;
                --depth_;
                break;
            }
            case BlockKind::EndWhile: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::While, depth_);
                if (!i || depth_ == 0) return macro_error::EndWhileWithoutWhile;
                p_.scan[i].link2 = self;
                entry.link1 = i;
                --depth_;
                break;
            }
            case BlockKind::Case:
            case BlockKind::Default: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::Select, depth_);
                if (!i)
                    return kind == BlockKind::Case ? macro_error::CaseWithoutSelect
                                                   : macro_error::DefaultWithoutSelect;
                entry.link1 = i;
                break;
            }
            case BlockKind::EndSelect: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::Select, depth_);
                if (!i || depth_ == 0) return macro_error::EndSelectWithoutSelect;
                p_.scan[i].link2 = self;
                for (uint32_t k = i + 1; k < self; ++k) {
                    ScanEntry& e = p_.scan[k];
                    if (e.depth == depth_ && (e.kind == BlockKind::Case || e.kind == BlockKind::Default) &&
                        e.link1 == i)
                        e.link2 = self;
                }
                --depth_;
                break;
            }
            case BlockKind::Next: {
                entry.depth = depth_;
                const uint32_t i = FindBack(BlockKind::For, depth_);
                if (!i || depth_ == 0) return macro_error::NextWithoutFor;
                p_.scan[i].link2 = self;
                entry.link1 = i;
                --depth_;
                break;
            }
            case BlockKind::Break:
                entry.depth = depth_;
                entry.link1 = Enclosing({BlockKind::For, BlockKind::While, BlockKind::Select});
                if (!entry.link1) return macro_error::BreakOutsideLoop;
                break;
            case BlockKind::Continue:
                entry.depth = depth_;
                entry.link1 = Enclosing({BlockKind::For, BlockKind::While});
                if (!entry.link1) return macro_error::ContinueOutsideLoop;
                break;
            case BlockKind::Return:
                entry.depth = depth_;
                entry.link2 = last_subroutine_;
                if (!entry.link2) return macro_error::ReturnOutsideSubroutine;
                break;
            case BlockKind::Subroutine:
                entry.depth = depth_;
                last_subroutine_ = self;
                break;
            default:
                entry.depth = depth_;
                break;
        }
        p_.scan.push_back(std::move(entry));
        return 0;
    }

    // GOTO and CALL to their labels.
    int Resolve() {
        for (uint32_t i = 1; i < p_.scan.size(); ++i) {
            ScanEntry& e = p_.scan[i];
            if (e.kind != BlockKind::Goto && e.kind != BlockKind::Call) continue;
            p_.current = e.text;
            p_.statement_number = e.statement;
            scanner_.pos = e.text;
            Token t;
            // The keyword (it may follow a label of the same statement).
            do {
                if (int err = scanner_.Next(t)) return Fail(err);
            } while (t.kind == TokenKind::Name && t.text != "GOTO" && t.text != "CALL");
            if (int err = scanner_.Next(t)) return Fail(err);
            if (t.kind != TokenKind::Name) return Fail(macro_error::GotoNeedsLabel);
            uint32_t found = 0;
            for (uint32_t k = 1; k < p_.scan.size() && !found; ++k) {
                const ScanEntry& label = p_.scan[k];
                if (label.kind != BlockKind::Label && label.kind != BlockKind::Subroutine) continue;
                MacroScanner ls(p_.source, p_.classes);
                ls.pos = label.text;
                Token name;
                if (ls.Next(name) == 0 && name.kind == TokenKind::Name && name.text == t.text) found = k;
            }
            if (!found) return Fail(macro_error::LabelNotFound);
            const BlockKind target = p_.scan[found].kind;
            if (e.kind == BlockKind::Goto && target == BlockKind::Subroutine)
                return Fail(macro_error::GotoNeedsPlainLabel);
            if (e.kind == BlockKind::Call && target == BlockKind::Label)
                return Fail(macro_error::CallNeedsSubroutine);
            e.link2 = found;
        }
        return 0;
    }

    MacroProgram& p_;
    MacroScanner scanner_;
    uint32_t depth_ = 0;
    uint32_t last_subroutine_ = 0;
};

}  // namespace

int PreScan(MacroProgram& program) {
    return PreScanner(program).Run();
}

}  // namespace orkan
