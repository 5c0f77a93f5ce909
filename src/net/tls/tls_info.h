// What the TLS information window shows of a connection: gathered on the connection's own thread
// right after the handshake (the TLS object is that thread's alone), shown later by the desktop.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <string>

#include "net/tls/tls_context.h"

namespace orkan {

TlsInfo CollectTlsInfo(const SSL* ssl, const TlsSettings& settings, const std::string& host_address,
                       uint16_t port);

}  // namespace orkan
