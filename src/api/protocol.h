// The automation interface's messages (docs/api.md, docs/api/schema.json): one JSON object a line.
// Reading a request checks it whole against the request's parameter table before anything runs,
// so a request is either carried out with well-typed parameters or answered with bad_request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace orkan {

using Json = nlohmann::json;

inline constexpr int kApiProtocol = 1;
inline constexpr size_t kMaxApiLine = size_t(1) << 20;
inline constexpr size_t kMaxQueuedRequests = 64;
inline constexpr int64_t kDefaultTimeoutMs = 30'000;
inline constexpr int64_t kMaxTimeoutMs = 86'400'000;

enum class ErrorCode : uint8_t {
    BadJson,
    BadRequest,
    UnknownRequest,
    LineTooLong,
    Busy,
    NotConnected,
    AlreadyConnected,
    ConnectFailed,
    KeyboardLocked,
    InputInhibited,
    UnknownKey,
    OutOfRange,
    LabelNotFound,
    FieldNotFound,
    FieldOverflow,
    Timeout,
    Disconnected,
    TransferFailed,
    PrintFailed,
    SaveFailed,
    TraceFailed,
    NotAvailable,
    MacroError,
    MacroStopped,
    MacroLoadFailed,
    OptionError,
};
std::string_view ErrorCodeName(ErrorCode code);

struct ApiError {
    ErrorCode code = ErrorCode::BadRequest;
    std::string message;
    Json extra = Json::object();  // further members of the error object
};

struct Request {
    Json id;           // a string or an integer
    std::string name;  // one of RequestNames()
    Json params;       // the whole object, its parameters checked
};

// One line read: a request to carry out, or the error to answer at once with what was known.
struct ReadOutcome {
    std::optional<Request> request;
    ApiError error;
    Json id = nullptr;
    Json name = nullptr;
};
ReadOutcome ReadRequest(std::string_view line);

const std::vector<std::string>& RequestNames();

// Typed access to parameters ReadRequest has checked.
std::optional<int64_t> IntParam(const Json& params, const char* name);
std::optional<bool> BoolParam(const Json& params, const char* name);
std::optional<std::string> StringParam(const Json& params, const char* name);
// An integer of a JSON number, none for anything else (fractions included) or beyond 64 bits.
std::optional<int64_t> AsInteger(const Json& value);

std::string AnswerLine(const Json& id, const Json& name, const Json& result);
std::string ErrorLine(const Json& id, const Json& name, const ApiError& error);
std::string EventLine(Json event);

}  // namespace orkan
