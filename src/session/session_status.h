// The one byte that every part of the session reads to know where it stands.
#pragma once

#include <cstdint>
#include <string_view>

namespace orkan {

enum class SessionStatus : uint8_t {
    NotConnected = 0,
    Start = 1,
    Session = 2,
    Connecting = 3,
    Connected = 4,
    Unlocked = 5,
    Locked = 6,
    SysLock = 7,
    Protected = 8,
    InsertOverflow = 9,
    TransferReady = 10,
    TransferData = 11,
    TransferMessage = 12,
    TransferDone = 13,
    Rejected = 14,
    IspfExit = 15,
    History = 16,
};

// The names macros see in the STATUS variable.
constexpr std::string_view StatusName(SessionStatus s) {
    switch (s) {
        case SessionStatus::NotConnected:
            return "NOTCONNECTED";
        case SessionStatus::Start:
            return "START";
        case SessionStatus::Session:
            return "SESSION";
        case SessionStatus::Connecting:
            return "CONNECTING";
        case SessionStatus::Connected:
            return "CONNECTED";
        case SessionStatus::Unlocked:
            return "UNLOCKED";
        case SessionStatus::Locked:
            return "LOCKED";
        case SessionStatus::SysLock:
            return "SYSLOCK";
        case SessionStatus::Protected:
            return "PROTECTED";
        case SessionStatus::InsertOverflow:
            return "INSERTOVERFLOW";
        case SessionStatus::TransferReady:
            return "TR_READY";
        case SessionStatus::TransferData:
            return "TR_DATA";
        case SessionStatus::TransferMessage:
            return "TR_MESSAGE";
        default:
            return "";
    }
}

constexpr bool IsTransferStatus(SessionStatus s) {
    return s >= SessionStatus::TransferReady && s <= SessionStatus::TransferMessage;
}

}  // namespace orkan
