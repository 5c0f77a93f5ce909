// One session's place among the others: its claimed slot of the shared area and its message
// socket, watched on the session's event loop. Messages that arrive are handed to a PeerHandler
// (the session runtime).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "peers/runtime_folder.h"
#include "peers/session_messages.h"
#include "peers/shared_area.h"
#include "platform/event_loop.h"

namespace orkan {

class PeerHandler {
  public:
    virtual ~PeerHandler() = default;
    virtual void OnSessionListChanged(int32_t closing_pid) = 0;
    virtual void OnCloseRequest() = 0;  // close-all: shut-down macro, else close without asking
    // A request text left in the own slot: a macro name (`as_source` false) or macro source.
    virtual void OnMacroRequest(const std::string& text, bool as_source) = 0;
    virtual void OnArrange(int64_t what, int64_t value) = 0;
};

struct PeerSession {
    int slot = 0;
    char letter = 'A';
    int32_t pid = 0;
    std::string name;
    bool own = false;
};

enum class PeerRequest : uint8_t { Sent, InvalidLetter, NotOpen, TooLong, Busy };

// The macro language's error code of a failed request: 0x8000 + 67 for an invalid session id,
// 0x8000 + 66 for a session that is not open (and for a text the slot cannot hold), 0x8000 + 72
// for one whose queue of requests stayed full.
int PeerRequestErrorCode(PeerRequest result);

class SessionPeers {
  public:
    // `area` has claimed its slot; `socket` may be null (the session then hears nothing from the
    // others, but can still reach them).
    SessionPeers(EventLoop& loop, RuntimeFolder folder, std::unique_ptr<SharedArea> area,
                 std::unique_ptr<MessageSocket> socket);
    ~SessionPeers();  // leaves the slot (without notifying: Leave does that)
    SessionPeers(const SessionPeers&) = delete;
    SessionPeers& operator=(const SessionPeers&) = delete;

    void SetHandler(PeerHandler* handler) { handler_ = handler; }

    int OwnSlot() const;
    char OwnLetter() const { return LetterOfSlot(OwnSlot()); }

    // The running sessions in slot order, read from the area now (the local copy is refreshed).
    std::vector<PeerSession> Sessions();
    // Tells every other running session that the list changed; `closing_pid` names this process
    // when it is on its way out. Returns how many were told.
    int NotifySessions(int32_t closing_pid);
    // Closing: frees the slot, stops listening and tells the others.
    void Leave();

    PeerRequest RunMacroIn(char letter, std::string_view text, bool as_source);
    // "Close all sessions": every running session, this one included, gets the close request.
    void CloseAll();
    bool Arrange(char letter, int64_t what, int64_t value);

    void SetOwnName(std::string_view name) { area_->SetOwnName(name); }

  private:
    void OnReadable();
    bool SendTo(int slot, const PeerMessage& message);

    EventLoop& loop_;
    RuntimeFolder folder_;
    std::unique_ptr<SharedArea> area_;
    std::unique_ptr<MessageSocket> socket_;
    PeerHandler* handler_ = nullptr;
    int own_slot_ = 0;
    std::array<SlotView, kSlotCount> local_copy_;
};

}  // namespace orkan
