// Messages between the sessions of one user: a Unix datagram socket per session in the runtime
// folder ("session-<letter>.sock"), each datagram carrying a message number and two values, as the
// window messages between sessions did, and a macro request its text: requests sent close together
// then queue in order, none overwriting another.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orkan {

// Message numbers: WM_USER with the meaning in `wparam`.
inline constexpr uint32_t kUserMessage = 1024;
namespace peer_message {
inline constexpr int64_t SessionListChanged = 1024;  // lparam: process id of a closing session, or 0
inline constexpr int64_t CloseSession = 1027;        // run the shut-down macro, else close
inline constexpr int64_t RunMacroFile = 1040;        // run the macro named in the message's text
inline constexpr int64_t RunMacroText = 1041;        // run the message's text as macro source
// Window arrangement asked of another session's window; the desktop program acts on them.
inline constexpr int64_t Cascade = 1100;  // lparam: position index in the cascade
inline constexpr int64_t Minimise = 1101;
inline constexpr int64_t Restore = 1102;
inline constexpr int64_t Maximise = 1103;
inline constexpr int64_t BringToFront = 1104;
}  // namespace peer_message

struct PeerMessage {
    uint32_t message = kUserMessage;
    int64_t wparam = 0;
    int64_t lparam = 0;
    std::string text = {};  // a macro request's, at most kPeerTextMax bytes
    bool operator==(const PeerMessage&) const = default;
};

// The datagram: a tag, the message number and the two values, little-endian as the machine is,
// then the text's bytes.
inline constexpr size_t kPeerMessageSize = 24;
inline constexpr size_t kPeerTextMax = 259;

class MessageSocket {
  public:
    // Binds the socket of `letter` in `folder`, replacing what a killed session left there (the
    // caller holds the letter's slot). None, with `error` set, when it cannot be made.
    static std::unique_ptr<MessageSocket> Open(const std::string& folder, char letter, std::string& error);
    ~MessageSocket();  // closes and removes the socket file
    MessageSocket(const MessageSocket&) = delete;
    MessageSocket& operator=(const MessageSocket&) = delete;

    int fd() const { return fd_; }
    // The next waiting message; none when nothing (well-formed) waits.
    std::optional<PeerMessage> Receive();

  private:
    MessageSocket() = default;
    int fd_ = -1;
    std::string path_;
};

std::string MessageSocketPath(const std::string& folder, char letter);

// Sends, waiting at most `wait_ms` while the session's queue is full (0: not at all): notices need
// no wait, and a session that went away needs none; a macro request waits a moment for a busy
// session.
enum class PeerSend : uint8_t { Sent, Busy, Gone };
PeerSend SendPeerMessage(const std::string& folder, char letter, const PeerMessage& message, int wait_ms = 0);

}  // namespace orkan
