// Session logs: every record in hex and in readable form (see README.md, "Log format").
#pragma once

#include <cstdio>
#include <string>

#include "codec.h"

namespace testhost {

// Where a session's lines go: a file shared by all sessions, a file of its own, or a string
// (tests). Without a target, lines are dropped.
class SessionLog {
  public:
    SessionLog() = default;
    SessionLog(std::FILE* shared, int session) : file_(shared), session_(session) {}
    explicit SessionLog(std::string* capture, int session = 1) : capture_(capture), session_(session) {}
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // Opens a file of its own ("%n" in the pattern replaced by the session number).
    [[nodiscard]] bool OpenOwn(const std::string& pattern, int session, std::string& error);

    bool enabled() const { return file_ || capture_; }
    void set_time(double seconds) { now_ = seconds; }

    void Line(const std::string& tag, const std::string& text);
    // Hex lines, 16 bytes each, with offsets; `tag` is "HEX>" or "HEX<".
    void Hex(const std::string& tag, const uint8_t* data, size_t size);

  private:
    std::FILE* file_ = nullptr;
    bool own_ = false;
    std::string* capture_ = nullptr;
    int session_ = 0;
    double now_ = 0;
};

// "IAC DO TN3270E IAC SB TN3270E DEVICE-TYPE IS ..." for negotiation bytes.
std::string DescribeTelnet(const uint8_t* data, size_t size);

// Quotes text for a log line: printable characters as they are, others as \xNN.
std::string Quote(const std::string& utf8);

}  // namespace testhost
