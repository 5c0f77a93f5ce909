#include "macro/keywords.h"

#include <unordered_map>

namespace orkan {

namespace {

struct BlockWord {
    std::string_view word;
    BlockKind kind;
};
constexpr std::array<BlockWord, 16> kBlockKeywords = {{
    {"IF", BlockKind::If},
    {"ELSE", BlockKind::Else},
    {"ENDIF", BlockKind::EndIf},
    {"WHILE", BlockKind::While},
    {"ENDWHILE", BlockKind::EndWhile},
    {"SELECT", BlockKind::Select},
    {"CASE", BlockKind::Case},
    {"DEFAULT", BlockKind::Default},
    {"ENDSELECT", BlockKind::EndSelect},
    {"FOR", BlockKind::For},
    {"NEXT", BlockKind::Next},
    {"BREAK", BlockKind::Break},
    {"CONTINUE", BlockKind::Continue},
    {"GOTO", BlockKind::Goto},
    {"CALL", BlockKind::Call},
    {"RETURN", BlockKind::Return},
}};

using P = Parm;
constexpr FunctionSignature Sig(int keyword, std::initializer_list<Parm> parms) {
    FunctionSignature s{keyword, {}, 0};
    for (Parm p : parms) s.parms[s.count++] = p;
    return s;
}

// Parameter lists as the language documents them; EDITBOX classifies its extra arguments itself.
constexpr FunctionSignature kFunctionSignatures[] = {
    Sig(kw::Plus, {P::Any}),
    Sig(kw::Minus, {P::Any}),
    Sig(kw::Bang, {P::Any}),
    Sig(kw::Not, {P::Num}),
    Sig(kw::Mid, {P::Text, P::Num, P::Num}),
    Sig(kw::Left, {P::Text, P::Num}),
    Sig(kw::Right, {P::Text, P::Num}),
    Sig(kw::Str, {P::Num}),
    Sig(kw::Open, {P::Text, P::Text, P::OptNum}),
    Sig(kw::Close, {P::Num}),
    Sig(kw::Get, {P::Num}),
    Sig(kw::Put, {P::Num, P::Text, P::OptText}),
    Sig(kw::Control, {P::Num}),
    Sig(kw::Wait, {P::Num, P::OptNum}),
    Sig(kw::Type, {P::Text}),
    Sig(kw::Key, {P::Text, P::OptAny, P::OptAny}),
    Sig(kw::Debug, {P::Any}),
    Sig(kw::Screen, {P::Num, P::Num, P::OptNum}),
    Sig(kw::Attribute, {P::Num, P::Num}),
    Sig(kw::Color, {P::Num, P::Num}),
    Sig(kw::Hilite, {P::Num, P::Num}),
    Sig(kw::OnScreen, {P::Text, P::OptNum, P::OptNum}),
    Sig(kw::Hex, {P::Num, P::OptNum}),
    Sig(kw::TimeDate, {P::Text}),
    Sig(kw::WinExec, {P::Text}),
    Sig(kw::SessionFn, {P::Text}),
    Sig(kw::SendFile, {P::Text, P::Text, P::OptText, P::OptText, P::OptText, P::OptText}),
    Sig(kw::ReceiveFile, {P::Text, P::Text, P::OptText, P::OptText, P::OptText}),
    Sig(kw::MessageBoxFn, {P::Text, P::OptAny, P::OptNum, P::OptNum}),
    Sig(kw::Chr, {P::Num}),
    Sig(kw::Val, {P::Text}),
    Sig(kw::Len, {P::Text}),
    Sig(kw::Instr, {P::Num, P::Text, P::Text}),
    Sig(kw::Trim, {P::Text}),
    Sig(kw::Eof, {P::Num}),
    Sig(kw::EditBox, {P::Text, P::OptAny, P::OptAny, P::OptAny, P::OptAny}),
    Sig(kw::UpperCase, {P::Text}),
    Sig(kw::LowerCase, {P::Text}),
    Sig(kw::GetIni, {P::Text}),
    Sig(kw::PutIni, {P::Text, P::Any}),
    Sig(kw::SetOption, {P::Text, P::Text, P::Any}),
    Sig(kw::GetOption, {P::Text, P::Text}),
    Sig(kw::ShortWait, {P::Num}),
    Sig(kw::Run, {P::Text, P::OptText}),
    Sig(kw::ShellExecute, {P::Text, P::Text, P::Text, P::Text, P::Num}),
    Sig(kw::DebugWindow, {P::Text}),
    Sig(kw::PlaySound, {P::Text}),
    Sig(kw::Defined, {P::Text}),
    Sig(kw::Asc, {P::Text}),
    Sig(kw::Beep, {P::Num, P::Num}),
    Sig(kw::RawData, {P::Num, P::Num}),
    Sig(kw::XferAddStg, {P::Text}),
    Sig(kw::DataType, {P::Text}),
    Sig(kw::Drop, {}),
    Sig(kw::Rnd, {P::Num}),
    Sig(kw::HexDec, {P::Text}),
    Sig(kw::WaitUnlocked, {P::Num}),
};

// Control words written as function terms do nothing and accept anything.
constexpr FunctionSignature kControlSignature =
    Sig(0, {P::OptAny, P::OptAny, P::OptAny, P::OptAny, P::OptAny, P::OptAny, P::OptAny, P::OptAny, P::OptAny,
            P::OptAny});

const std::unordered_map<std::string_view, int>& KeywordIndex() {
    static const std::unordered_map<std::string_view, int> index = [] {
        std::unordered_map<std::string_view, int> m;
        for (int i = 1; i < kw::Count; ++i) m.emplace(kStatementKeywords[size_t(i)], i);
        return m;
    }();
    return index;
}

}  // namespace

std::optional<int> KeywordNumber(std::string_view upper_word) {
    if (upper_word.empty()) return std::nullopt;
    const auto& index = KeywordIndex();
    const auto it = index.find(upper_word);
    if (it == index.end()) return std::nullopt;
    return it->second;
}

BlockKind BlockKindOf(std::string_view upper_word) {
    for (const BlockWord& b : kBlockKeywords)
        if (b.word == upper_word) return b.kind;
    return BlockKind::None;
}

const OperatorInfo* FindOperator(std::string_view text) {
    for (const OperatorInfo& o : kOperators)
        if (o.text == text) return &o;
    return nullptr;
}

const FunctionSignature* FindFunctionSignature(int keyword) {
    for (const FunctionSignature& s : kFunctionSignatures)
        if (s.keyword == keyword) return &s;
    // The remaining control words (27..41, 60, 61) as function terms.
    if ((keyword >= kw::If && keyword <= kw::Goto) || keyword == kw::Call || keyword == kw::Return)
        return &kControlSignature;
    return nullptr;
}

}  // namespace orkan
