#include "peers/session_peers.h"

#include <unistd.h>

namespace orkan {

int PeerRequestErrorCode(PeerRequest result) {
    switch (result) {
        case PeerRequest::Sent:
            return 0;
        case PeerRequest::InvalidLetter:
            return 0x8000 + 67;
        case PeerRequest::NotOpen:
        case PeerRequest::TooLong:
            return 0x8000 + 66;
        case PeerRequest::Busy:
            return 0x8000 + 72;
    }
    return 0x8000 + 66;
}

SessionPeers::SessionPeers(EventLoop& loop, RuntimeFolder folder, std::unique_ptr<SharedArea> area,
                           std::unique_ptr<MessageSocket> socket)
    : loop_(loop), folder_(std::move(folder)), area_(std::move(area)), socket_(std::move(socket)) {
    own_slot_ = area_->OwnSlot().value_or(0);
    local_copy_ = area_->ReadSlots();
    if (socket_) loop_.WatchReadable(socket_->fd(), [this] { OnReadable(); });
}

SessionPeers::~SessionPeers() {
    if (socket_) loop_.UnwatchReadable(socket_->fd());
}

int SessionPeers::OwnSlot() const {
    return own_slot_;
}

std::vector<PeerSession> SessionPeers::Sessions() {
    local_copy_ = area_->ReadSlots();
    std::vector<PeerSession> list;
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotView& slot = local_copy_[size_t(i)];
        if (slot.pid == 0) continue;
        list.push_back(
            {i, LetterOfSlot(i), slot.pid, slot.name, i == own_slot_ && area_->OwnSlot().has_value()});
    }
    return list;
}

bool SessionPeers::SendTo(int slot, const PeerMessage& message) {
    return SendPeerMessage(folder_.path, LetterOfSlot(slot), message) == PeerSend::Sent;
}

int SessionPeers::NotifySessions(int32_t closing_pid) {
    local_copy_ = area_->ReadSlots();
    int told = 0;
    for (int i = 0; i < kSlotCount; ++i) {
        if (i == own_slot_ || local_copy_[size_t(i)].pid == 0) continue;
        if (SendTo(i, {kUserMessage, peer_message::SessionListChanged, closing_pid})) ++told;
    }
    return told;
}

void SessionPeers::Leave() {
    if (!area_->OwnSlot()) return;
    if (socket_) {
        loop_.UnwatchReadable(socket_->fd());
        socket_.reset();
    }
    area_->Release();
    NotifySessions(int32_t(::getpid()));
}

// How long a macro request waits for room in a busy session's queue of messages.
constexpr int kBusyWaitMs = 2000;

PeerRequest SessionPeers::RunMacroIn(char letter, std::string_view text, bool as_source) {
    const auto slot = SlotOfLetter(letter);
    if (!slot) return PeerRequest::InvalidLetter;
    if (!area_->IsOccupied(*slot)) return PeerRequest::NotOpen;
    if (text.size() >= kSlotTextSize) return PeerRequest::TooLong;
    const int64_t what = as_source ? peer_message::RunMacroText : peer_message::RunMacroFile;
    // A busy session's queue gets a moment to make room.
    switch (SendPeerMessage(folder_.path, LetterOfSlot(*slot), {kUserMessage, what, 0, std::string(text)},
                            kBusyWaitMs)) {
        case PeerSend::Sent:
            return PeerRequest::Sent;
        case PeerSend::Busy:
            return PeerRequest::Busy;
        case PeerSend::Gone:
            break;
    }
    return PeerRequest::NotOpen;
}

void SessionPeers::CloseAll() {
    local_copy_ = area_->ReadSlots();
    for (int i = 0; i < kSlotCount; ++i) {
        if (i == own_slot_ || local_copy_[size_t(i)].pid == 0) continue;
        SendTo(i, {kUserMessage, peer_message::CloseSession, 0});
    }
    // The own session last, and through the loop like the others, so this call returns first.
    PeerHandler* handler = handler_;
    if (handler) loop_.Post([handler] { handler->OnCloseRequest(); });
}

bool SessionPeers::Arrange(char letter, int64_t what, int64_t value) {
    const auto slot = SlotOfLetter(letter);
    return slot && area_->IsOccupied(*slot) && SendTo(*slot, {kUserMessage, what, value});
}

void SessionPeers::OnReadable() {
    while (socket_) {
        const auto message = socket_->Receive();
        if (!message) return;
        if (message->message != kUserMessage || handler_ == nullptr) continue;
        switch (message->wparam) {
            case peer_message::SessionListChanged:
                local_copy_ = area_->ReadSlots();
                handler_->OnSessionListChanged(int32_t(message->lparam));
                break;
            case peer_message::CloseSession:
                handler_->OnCloseRequest();
                break;
            case peer_message::RunMacroFile:
            case peer_message::RunMacroText: {
                if (!message->text.empty())
                    handler_->OnMacroRequest(message->text, message->wparam == peer_message::RunMacroText);
                break;
            }
            case peer_message::Cascade:
            case peer_message::Minimise:
            case peer_message::Restore:
            case peer_message::Maximise:
            case peer_message::BringToFront:
                handler_->OnArrange(message->wparam, message->lparam);
                break;
            default:
                break;
        }
    }
}

}  // namespace orkan
