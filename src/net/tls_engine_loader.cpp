#include <mutex>

#include "net/tls_channel.h"
#include "platform/module_loader.h"

namespace orkan {

const TlsEngine* LoadTlsEngine(std::string& error) {
    static std::once_flag once;
    static const TlsEngine* engine = nullptr;
    static std::string load_error;
    std::call_once(once, [] {
        using Entry = const TlsEngine* (*)();
        auto entry = reinterpret_cast<Entry>(
            LoadModuleEntry(kTlsEngineModule, kTlsEngineEntry, "ORKAN_TLS_ENGINE", load_error));
        if (!entry) return;
        const TlsEngine* found = entry();
        if (!found || found->interface_version != TlsEngine::kInterfaceVersion || !found->open ||
            !found->library_version) {
            load_error = std::string("The module ") + kTlsEngineModule +
                         " is not the TLS engine of this version of the program.";
            return;
        }
        engine = found;
    });
    if (!engine) error = load_error;
    return engine;
}

}  // namespace orkan
