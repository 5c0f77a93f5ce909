#include "api/protocol.h"

#include <algorithm>
#include <array>
#include <limits>

namespace orkan {

namespace {

constexpr std::array<std::string_view, 26> kErrorNames = {
    "bad_json",      "bad_request",       "unknown_request", "line_too_long",   "busy",
    "not_connected", "already_connected", "connect_failed",  "keyboard_locked", "input_inhibited",
    "unknown_key",   "out_of_range",      "label_not_found", "field_not_found", "field_overflow",
    "timeout",       "disconnected",      "transfer_failed", "print_failed",    "save_failed",
    "trace_failed",  "not_available",     "macro_error",     "macro_stopped",   "macro_load_failed",
    "option_error",
};
static_assert(kErrorNames.size() == size_t(ErrorCode::OptionError) + 1);

enum class Kind : uint8_t { Int, Bool, String, Enum, Array, Tls, Model, OptionValue };

struct Param {
    std::string_view name;
    Kind kind;
    bool required = false;
    int64_t min = 0;  // Int: the range; String: the length in characters; Array: the item count
    int64_t max = 0;
    std::string_view choices = {};  // Enum: words separated by blanks
};

constexpr int64_t kRows = 255;
constexpr int64_t kText = 65536;

constexpr Param Row(bool required = false) {
    return {"row", Kind::Int, required, 1, kRows};
}
constexpr Param Column(bool required = false) {
    return {"column", Kind::Int, required, 1, kRows};
}
constexpr Param Timeout() {
    return {"timeout_ms", Kind::Int, false, 0, kMaxTimeoutMs};
}

struct RequestForm {
    std::string_view name;
    std::vector<Param> params;
};

const std::vector<RequestForm>& RequestForms() {
    static const std::vector<RequestForm> forms = {
        {"connect",
         {{"host", Kind::String, false, 1, 255},
          {"port", Kind::Int, false, 1, 65535},
          {"tls", Kind::Tls},
          {"tn3270e", Kind::Bool},
          {"model", Kind::Model},
          {"size", Kind::String, false, 3, 7},
          {"lu", Kind::String, false, 0, 64},
          {"code_page", Kind::String, false, 1, 31}}},
        {"disconnect", {}},
        {"screen", {{"fields", Kind::Bool}, {"trace", Kind::Bool}}},
        {"text", {Row(true), Column(true), {"length", Kind::Int, false, 1, 20000}}},
        {"move", {Row(true), Column(true)}},
        {"type", {{"text", Kind::String, true, 0, kText}, Row(), Column(), Timeout()}},
        {"key", {{"key", Kind::String, true, 1, 64}, Row(), Column(), Timeout()}},
        {"fill",
         {{"text", Kind::String, true, 0, kText},
          Row(),
          Column(),
          {"label", Kind::String, false, 1, 255},
          {"label_position", Kind::Enum, false, 0, 0, "left above any"},
          Timeout()}},
        {"wait",
         {{"conditions", Kind::Array, true, 1, 16},
          {"match", Kind::Enum, false, 0, 0, "all any"},
          Timeout()}},
        {"transfer",
         {{"direction", Kind::Enum, true, 0, 0, "send receive"},
          {"pc_file", Kind::String, true, 1, 256},
          {"host_file", Kind::String, true, 1, 256},
          {"system", Kind::Enum, false, 0, 0, "tso cms cics"},
          {"mode", Kind::Enum, false, 0, 0, "text binary"},
          {"append", Kind::Bool},
          {"options", Kind::String, false, 0, 127},
          Timeout()}},
        {"print", {{"path", Kind::String, true, 5, 4096}}},
        {"save",
         {{"format", Kind::Enum, true, 0, 0, "text html png"},
          {"path", Kind::String, false, 1, 4096},
          {"append", Kind::Bool}}},
        {"trace", {{"on", Kind::Bool, true}}},
        {"macro",
         {{"file", Kind::String, false, 1, 4096}, {"text", Kind::String, false, 1, kText}, Timeout()}},
        {"get_option", {{"section", Kind::String, true, 1, 32}, {"name", Kind::String, true, 1, 64}}},
        {"set_option",
         {{"section", Kind::String, true, 1, 32},
          {"name", Kind::String, true, 1, 64},
          {"value", Kind::OptionValue, true, 0, 4096}}},
        {"quit", {}},
        {"cancel", {}},
    };
    return forms;
}

// Brackets inside strings do not count. A line of a megabyte could nest half a million levels,
// far deeper than any request needs and than recursion over the value should meet.
bool NestedTooDeeply(std::string_view line, int limit) {
    int depth = 0;
    bool in_string = false, escaped = false;
    for (char c : line) {
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                in_string = false;
            continue;
        }
        if (c == '"')
            in_string = true;
        else if (c == '[' || c == '{') {
            if (++depth > limit) return true;
        } else if (c == ']' || c == '}')
            --depth;
    }
    return false;
}

bool WordIn(std::string_view words, std::string_view word) {
    while (!words.empty()) {
        const size_t blank = words.find(' ');
        if (words.substr(0, blank) == word) return true;
        if (blank == std::string_view::npos) break;
        words.remove_prefix(blank + 1);
    }
    return false;
}

std::string Range(int64_t min, int64_t max) {
    return std::to_string(min) + " to " + std::to_string(max);
}

// Characters, as the schema counts a string's length: the text is valid UTF-8 once parsed.
int64_t CharacterCount(std::string_view utf8) {
    return std::count_if(utf8.begin(), utf8.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; });
}

// A name with a NUL in it would end there on its way to the system: another, shorter file.
std::optional<std::string> RefuseNul(const std::string& name, std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    return name + " holds U+0000 (NUL) at character " +
           std::to_string(CharacterCount(text.substr(0, nul)) + 1);
}

// Nothing when the value fits the parameter; otherwise why not.
std::optional<std::string> CheckValue(const Param& p, const Json& v) {
    const std::string name = "\"" + std::string(p.name) + "\"";
    auto int_in = [&](int64_t min, int64_t max) -> std::optional<std::string> {
        const std::optional<int64_t> n = AsInteger(v);
        if (!n) return name + " must be an integer";
        if (*n < min || *n > max) return name + " must be " + Range(min, max);
        return std::nullopt;
    };
    switch (p.kind) {
        case Kind::Int:
            return int_in(p.min, p.max);
        case Kind::Bool:
            if (!v.is_boolean()) return name + " must be true or false";
            return std::nullopt;
        case Kind::String: {
            if (!v.is_string()) return name + " must be a string";
            const int64_t n = CharacterCount(v.get_ref<const std::string&>());
            if (n < p.min || n > p.max) return name + " must be " + Range(p.min, p.max) + " characters long";
            return RefuseNul(name, v.get_ref<const std::string&>());
        }
        case Kind::Enum:
            if (!v.is_string() || !WordIn(p.choices, v.get_ref<const std::string&>()))
                return name + " must be one of: " + std::string(p.choices);
            return std::nullopt;
        case Kind::Array:
            if (!v.is_array()) return name + " must be an array";
            if (int64_t(v.size()) < p.min || int64_t(v.size()) > p.max)
                return name + " must hold " + Range(p.min, p.max) + " items";
            return std::nullopt;
        case Kind::Tls:
            if (v.is_boolean()) return std::nullopt;
            return int_in(0, 4);
        case Kind::Model:
            if (v.is_string() && v.get_ref<const std::string&>() == "dynamic") return std::nullopt;
            if (!AsInteger(v)) return name + " must be 2, 3, 4, 5 or \"dynamic\"";
            return int_in(2, 5);
        case Kind::OptionValue:
            if (v.is_string()) {
                if (CharacterCount(v.get_ref<const std::string&>()) > p.max)
                    return name + " is longer than " + std::to_string(p.max) + " characters";
                return RefuseNul(name, v.get_ref<const std::string&>());
            }
            if (!AsInteger(v)) return name + " must be a string or an integer";
            return std::nullopt;
    }
    return std::nullopt;
}

ApiError Bad(std::string message) {
    return {ErrorCode::BadRequest, std::move(message)};
}

}  // namespace

std::string_view ErrorCodeName(ErrorCode code) {
    return kErrorNames[size_t(code)];
}

const std::vector<std::string>& RequestNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const RequestForm& s : RequestForms()) out.emplace_back(s.name);
        return out;
    }();
    return names;
}

std::optional<int64_t> AsInteger(const Json& value) {
    if (value.is_number_unsigned()) {
        const uint64_t u = value.get<uint64_t>();
        if (u > uint64_t(std::numeric_limits<int64_t>::max())) return std::nullopt;
        return int64_t(u);
    }
    if (value.is_number_integer()) return value.get<int64_t>();
    return std::nullopt;
}

std::optional<int64_t> IntParam(const Json& params, const char* name) {
    const auto it = params.find(name);
    if (it == params.end()) return std::nullopt;
    return AsInteger(*it);
}

std::optional<bool> BoolParam(const Json& params, const char* name) {
    const auto it = params.find(name);
    if (it == params.end() || !it->is_boolean()) return std::nullopt;
    return it->get<bool>();
}

std::optional<std::string> StringParam(const Json& params, const char* name) {
    const auto it = params.find(name);
    if (it == params.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

ReadOutcome ReadRequest(std::string_view line) {
    ReadOutcome out;
    constexpr int kDepthLimit = 8;
    if (NestedTooDeeply(line, kDepthLimit)) {
        out.error = {ErrorCode::BadJson, "The line nests arrays and objects more than 8 deep."};
        return out;
    }
    Json value = Json::parse(line.begin(), line.end(), nullptr, false);
    if (value.is_discarded() || !value.is_object()) {
        out.error = {ErrorCode::BadJson, "The line is not a JSON object."};
        return out;
    }
    const auto id = value.find("id");
    if (id != value.end() && (id->is_string() || AsInteger(*id))) out.id = *id;
    const auto name = value.find("request");
    if (name != value.end() && name->is_string()) out.name = *name;
    if (id == value.end() || out.id.is_null()) {
        out.error = Bad("\"id\" must be given as a string or an integer.");
        return out;
    }
    if (out.name.is_null()) {
        out.error = Bad("\"request\" must be given as a string naming the request.");
        return out;
    }
    const std::string& request = out.name.get_ref<const std::string&>();
    const auto form = std::find_if(RequestForms().begin(), RequestForms().end(),
                                   [&](const RequestForm& s) { return s.name == request; });
    if (form == RequestForms().end()) {
        out.error = {ErrorCode::UnknownRequest, "There is no request \"" + request + "\"."};
        return out;
    }
    for (const auto& item : value.items()) {
        const std::string& key = item.key();
        const Json& member = item.value();
        if (key == "id" || key == "request") continue;
        const auto p = std::find_if(form->params.begin(), form->params.end(),
                                    [&](const Param& q) { return q.name == key; });
        if (p == form->params.end()) {
            out.error = Bad("The request \"" + request + "\" has no parameter \"" + key + "\".");
            return out;
        }
        if (std::optional<std::string> why = CheckValue(*p, member)) {
            out.error = Bad(*why + ".");
            return out;
        }
    }
    for (const Param& p : form->params) {
        if (p.required && !value.contains(std::string(p.name))) {
            out.error = Bad("The request \"" + request + "\" needs \"" + std::string(p.name) + "\".");
            return out;
        }
    }
    // A position is a row and a column: one alone would be taken as the other at 0.
    if (value.contains("row") != value.contains("column")) {
        out.error = Bad("The request \"" + request + "\" needs \"row\" and \"column\" together.");
        return out;
    }
    out.request = Request{out.id, request, std::move(value)};
    return out;
}

namespace {

std::string Dump(const Json& j) {
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string AnswerLine(const Json& id, const Json& name, const Json& result) {
    return Dump(Json{{"id", id}, {"request", name}, {"ok", true}, {"result", result}});
}

std::string ErrorLine(const Json& id, const Json& name, const ApiError& error) {
    Json e = error.extra.is_object() ? error.extra : Json::object();
    e["code"] = ErrorCodeName(error.code);
    e["message"] = error.message;
    return Dump(Json{{"id", id}, {"request", name}, {"ok", false}, {"error", std::move(e)}});
}

std::string EventLine(Json event) {
    return Dump(event);
}

}  // namespace orkan
