#include "config/environment.h"

#include <cstdlib>

namespace orkan {

Environment ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    };
}

}  // namespace orkan
