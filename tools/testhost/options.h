// The command line of testhost (see README.md for every option).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine.h"

namespace testhost {

struct Options {
    std::string listen = "127.0.0.1";
    int port = 0;
    std::string app;  // file or folder; empty = the demo application
    std::string codepage = "IBM-037";
    std::string lu_pool = "ORKLU001-ORKLU032";
    std::string log;
    std::string client_log;  // every byte the clients send, raw
    std::string tls_cert, tls_key;
    int max_sessions = 0;  // 0 = serve until stopped
    bool check_only = false;
    bool help = false;
    bool version = false;
    EngineConfig engine;    // negotiation, faults, streaming, time-outs (app pointer set later)
    bool transfer = false;  // serve the transfer program's READY screen
    ft::TransferConfig transfer_config;
    std::string transfer_files;  // folder of host files, read and written back
};

// Parses argv; false with a message on bad input.
[[nodiscard]] bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);

// Applies one --fault KIND[=VALUE].
[[nodiscard]] bool ParseFault(const std::string& text, Options& out, std::string& error);

const char* UsageText();

}  // namespace testhost
