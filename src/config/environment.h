// Environment variables as the configuration sees them: the real process environment in the
// program, a table in tests, so folder resolution never depends on the machine running the test.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orkan {

// The value of a variable, or none when it is not set.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;

Environment ProcessEnvironment();

}  // namespace orkan
