// The host as an attacker, for tests of the terminal's sandbox: remote macro text sent from a
// file (structured field 0x0F with the macro selector; the terminal runs it at the next
// Erase/Write), and a raw log of every byte the clients send, to look for what a macro smuggled
// out.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"

namespace testhost::hostile {

// The Write Structured Field records that carry `text` as remote macro text, in pieces of at most
// `piece` bytes. `raw`: the bytes as they are, for a terminal in ASCII mode (line ends kept);
// otherwise the UTF-8 text in the host code page. False with `error` for text the code page cannot
// carry.
[[nodiscard]] bool RemoteMacroRecords(std::string_view text, bool raw, const Codec& codec,
                                      std::vector<Bytes>& out, std::string& error, size_t piece = 1024);

// Every byte every client sends, appended as it arrives (the file is the bytes, nothing else).
class ClientLog {
  public:
    ClientLog() = default;
    ~ClientLog();
    ClientLog(const ClientLog&) = delete;
    ClientLog& operator=(const ClientLog&) = delete;
    [[nodiscard]] bool Open(const std::string& path, std::string& error);
    void Append(const uint8_t* data, size_t size);

  private:
    std::FILE* file_ = nullptr;
};

}  // namespace testhost::hostile
