// Expressions: the language's operator priorities, its prefix operators that apply to everything
// after them on the same level (so -1 + 2 is -3), function terms and comma lists.
#include "macro/macro_interpreter.h"
#include "macro/macro_text.h"
#include "scripting/macro_errors.h"

namespace orkan {

namespace {

inline constexpr int kMaxSlots = 100;

bool IsPrefix(const Token& t) {
    return t.kind == TokenKind::Special && (t.text == "+" || t.text == "-" || t.text == "!");
}

int CheckNumber(int64_t n, MacroValue& out) {
    if (!InMacroRange(n)) return macro_error::Overflow;
    out = MacroValue::Number(int32_t(n));
    return 0;
}

int ApplyBinary(int op_number, const MacroValue& a, const MacroValue& b, MacroValue& out) {
    if (a.type != b.type) return macro_error::IncompatibleTypes;
    if (a.IsText()) {
        switch (op_number) {
            case op::Add:
                if (a.text.size() + b.text.size() > kMacroTextMax) return macro_error::TextTooLong;
                out = MacroValue::Text(a.text + b.text);
                return 0;
            case op::Eq:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) == 0);
                return 0;
            case op::Ne:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) != 0);
                return 0;
            case op::Lt:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) < 0);
                return 0;
            case op::Gt:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) > 0);
                return 0;
            case op::Le:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) <= 0);
                return 0;
            case op::Ge:
                out = MacroValue::Number(CompareIgnoringCase(a.text, b.text) >= 0);
                return 0;
            case op::ExactEq:
                out = MacroValue::Number(a.text == b.text);
                return 0;
            default:
                return macro_error::InvalidForText;
        }
    }
    const int64_t x = a.number, y = b.number;
    switch (op_number) {
        case op::Add:
            return CheckNumber(x + y, out);
        case op::Sub:
            return CheckNumber(x - y, out);
        case op::Mul:
            return CheckNumber(x * y, out);
        case op::Div:
            if (y == 0) return macro_error::Overflow;
            return CheckNumber(x / y, out);
        case op::Rem:
            if (y == 0) return macro_error::Overflow;
            return CheckNumber(x % y, out);
        case op::Eq:
        case op::ExactEq:
            out = MacroValue::Number(x == y);
            return 0;
        case op::Ne:
            out = MacroValue::Number(x != y);
            return 0;
        case op::Lt:
            out = MacroValue::Number(x < y);
            return 0;
        case op::Gt:
            out = MacroValue::Number(x > y);
            return 0;
        case op::Le:
            out = MacroValue::Number(x <= y);
            return 0;
        case op::Ge:
            out = MacroValue::Number(x >= y);
            return 0;
        case op::And:
            return CheckNumber(x & y, out);
        case op::Or:
            return CheckNumber(x | y, out);
        case op::Xor:
            return CheckNumber(x ^ y, out);
        default:
            return macro_error::UnknownOperator;
    }
}

int CheckSignature(const FunctionSignature& sig, const MacroValue* args, int count) {
    if (count > sig.count) return macro_error::ParmCount;
    for (int i = count; i < sig.count; ++i) {
        const Parm p = sig.parms[size_t(i)];
        if (p == Parm::Num || p == Parm::Text || p == Parm::Any) return macro_error::ParmCount;
    }
    for (int i = 0; i < count; ++i) {
        const Parm p = sig.parms[size_t(i)];
        if ((p == Parm::Num || p == Parm::OptNum) && !args[i].IsNumber()) return macro_error::ParmType;
        if ((p == Parm::Text || p == Parm::OptText) && !args[i].IsText()) return macro_error::ParmType;
    }
    return 0;
}

}  // namespace

int MacroInterpreter::CountSlot() {
    return ++slots_used_ > kMaxSlots ? macro_error::Overflow : 0;
}

int MacroInterpreter::ReadToken(Token& t) {
    return sc_->Next(t);
}

// Callers that need the whole statement check that nothing is left after the expression.
int MacroInterpreter::Evaluate(MacroValue& out) {
    slots_used_ = 0;
    if (int e = ParseChain(out, 0)) return e;
    Token t;
    const uint32_t at = sc_->pos;
    if (int e = ReadToken(t)) return e;
    if (t.kind == TokenKind::Special && t.text == ")") return macro_error::Unbalanced;
    sc_->pos = at;
    return 0;
}

int MacroInterpreter::EvaluateList(std::vector<MacroValue>& items) {
    items.clear();
    slots_used_ = 0;
    for (;;) {
        MacroValue v;
        if (int e = ParseChain(v, 0)) return e;
        items.push_back(std::move(v));
        Token t;
        const uint32_t at = sc_->pos;
        if (int e = ReadToken(t)) return e;
        if (t.kind == TokenKind::Special && t.text == ",") continue;
        if (t.kind == TokenKind::End) {
            sc_->pos = at;
            return 0;
        }
        if (t.kind == TokenKind::Special && t.text == ")") return macro_error::Unbalanced;
        return macro_error::UnexpectedText;
    }
}

int MacroInterpreter::ParseChain(MacroValue& out, int min_priority) {
    if (int e = ParseOperand(out)) return e;
    for (;;) {
        Token t;
        const uint32_t at = sc_->pos;
        if (int e = ReadToken(t)) return e;
        if (t.kind == TokenKind::End) {
            sc_->pos = at;
            return 0;
        }
        if (t.kind != TokenKind::Special) {
            // An operand right after an operand: the expression ends in front of it (FOR reads TO
            // and STEP this way); inside parentheses it is a fault.
            sc_->pos = at;
            return depth_ == 0 ? 0 : macro_error::OperandNotOperator;
        }
        const OperatorInfo* o = FindOperator(t.text);
        if (!o) return macro_error::UnknownOperator;
        if (o->number == op::RParen || o->number == op::Comma) {
            sc_->pos = at;
            return 0;
        }
        if (o->number == op::LParen) return macro_error::OperandNotOperator;
        if (o->number == op::Bang) return macro_error::UnknownOperator;
        if (o->priority < min_priority) {
            sc_->pos = at;
            return 0;
        }
        if (int e = CountSlot()) return e;
        MacroValue rhs;
        if (int e = ParseChain(rhs, o->priority + 1)) return e;
        MacroValue result;
        if (int e = ApplyBinary(o->number, out, rhs, result)) return e;
        out = std::move(result);
    }
}

int MacroInterpreter::ParseOperand(MacroValue& out) {
    if (int e = CountSlot()) return e;
    Token t;
    if (int e = ReadToken(t)) return e;
    switch (t.kind) {
        case TokenKind::Number:
            out = MacroValue::Number(t.value);
            return 0;
        case TokenKind::String:
            out = MacroValue::Text(std::move(t.text));
            return 0;
        case TokenKind::Name: {
            if (const std::optional<int> keyword = KeywordNumber(t.text)) return ParseFunction(*keyword, out);
            return ReadVariable(t.text, out);
        }
        case TokenKind::End:
            return macro_error::Unbalanced;
        case TokenKind::Special:
            break;
    }
    if (IsPrefix(t)) {
        // A prefix applies to the value of everything after it on this level.
        const char which = t.text[0];
        MacroValue v;
        if (int e = ParseChain(v, 0)) return e;
        if (which == '+') {
            out = std::move(v);
            return 0;
        }
        if (!v.IsNumber()) return macro_error::InvalidForText;
        return CheckNumber(which == '-' ? -int64_t(v.number) : ~int64_t(v.number), out);
    }
    const OperatorInfo* o = FindOperator(t.text);
    if (!o) return macro_error::UnknownOperator;
    if (o->number != op::LParen) return macro_error::Unbalanced;
    ++depth_;
    int e = ParseChain(out, 0);
    if (e == 0) {
        Token close;
        e = ReadToken(close);
        if (e == 0 && !(close.kind == TokenKind::Special && close.text == ")")) e = macro_error::Unbalanced;
    }
    --depth_;
    return e;
}

int MacroInterpreter::ParseFunction(int keyword, MacroValue& out) {
    Token t;
    if (int e = ReadToken(t)) return e;
    if (!(t.kind == TokenKind::Special && t.text == "(")) return macro_error::ParenthesisExpected;
    const FunctionSignature* sig = FindFunctionSignature(keyword);
    std::array<MacroValue, 10> args;
    int count = 0;
    ++depth_;
    const uint32_t at = sc_->pos;
    int e = ReadToken(t);
    if (e == 0 && !(t.kind == TokenKind::Special && t.text == ")")) {
        sc_->pos = at;
        for (;;) {
            if (count == int(args.size())) {
                e = macro_error::ParmCount;
                break;
            }
            if ((e = ParseChain(args[size_t(count++)], 0))) break;
            if ((e = ReadToken(t))) break;
            if (t.kind == TokenKind::Special && t.text == ",") continue;
            if (t.kind == TokenKind::Special && t.text == ")") break;
            e = t.kind == TokenKind::End ? macro_error::Unbalanced : macro_error::OperandNotOperator;
            break;
        }
    }
    --depth_;
    if (e) return e;
    if (!sig) return macro_error::NotFound;
    if (int err = CheckSignature(*sig, args.data(), count)) return err;
    return CallFunction(keyword, args.data(), count, out);
}

int MacroInterpreter::ReadVariable(const std::string& name, MacroValue& out) {
    const int i = Variables().Find(name);
    if (i < 0) return macro_error::NotFound;
    const MacroVariable& v = Variables().at(i);
    out = v.system >= 0 ? host_.ReadSystemVariable(v.system) : v.value;
    return 0;
}

}  // namespace orkan
