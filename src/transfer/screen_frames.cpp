// Screen-frame mode: the host's transfer program writes frames at fixed buffer addresses and
// reads our answers as ordinary AID records.
#include <algorithm>
#include <array>
#include <vector>

#include "ds3270/inbound.h"
#include "ds3270/messages.h"
#include "session/session.h"
#include "session/session_charset.h"
#include "transfer/host_message.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_state.h"

namespace orkan {
namespace {

// Every frame starts, after command and WCC, with SBA 5D 7F and SBA 40 40.
constexpr std::array<uint8_t, 6> kFrameMark = {0x11, 0x5D, 0x7F, 0x11, 0x40, 0x40};
inline constexpr size_t kMarkOffset = 2;
inline constexpr size_t kTypeOffset = 8;
inline constexpr size_t kSequenceOffset = 12;
inline constexpr size_t kDataOffset = 13;
inline constexpr size_t kMessageOffset = 12;
constexpr std::array<uint8_t, 4> kStartOfData = {0xC3, 0x81, 0x81, 0x81};
constexpr std::array<uint8_t, 4> kEndOfTransfer = {0xC3, 0x81, 0x81, 0x94};

namespace frame {
inline constexpr uint8_t Download = 0xC1;
inline constexpr uint8_t Upload = 0xC2;
inline constexpr uint8_t End = 0xC3;
}  // namespace frame

constexpr std::array<uint8_t, 6> kAcknowledge = {0x7D, 0x5D, 0x7B, 0x11, 0x5D, 0x7B};
constexpr std::array<uint8_t, 7> kUploadHeader = {0x7D, 0x40, 0xC4, 0x11, 0x40, 0xC2, 0xC1};
constexpr std::array<uint8_t, 5> kUploadEndOfFile = {0xE5, 0x81, 0x83, 0x5C, 0xA9};

// The host's transfer program announces itself and asks for Enter (the data stream answers it).
constexpr std::array<uint8_t, 16> kEnterRequest = {0x11, 0x5D, 0x7F, 0x1D, 0x40, 0x11, 0xD9, 0x40,
                                                   0x1D, 0xC8, 0x5C, 0x5C, 0x5C, 0x1D, 0x40, 0x13};
constexpr std::array<uint8_t, 6> kWriteCommands = {0xF1, 0x01, 0xF5, 0x05, 0x7E, 0x0D};
inline constexpr uint8_t kWccRestore = 0x02;

inline constexpr uint8_t kReadModified = 0xF6;
inline constexpr uint8_t kReadModifiedShort = 0x06;  // the same command in its other code
inline constexpr uint8_t kHostDollar = 0x5B;
inline constexpr size_t kMessageLimit = 160;
inline constexpr int kActionPA1 = 3;

template <size_t N>
bool HasAt(std::span<const uint8_t> record, size_t offset, const std::array<uint8_t, N>& bytes) {
    return record.size() >= offset + N &&
           std::equal(bytes.begin(), bytes.end(), record.begin() + long(offset));
}

void StartOfData(Session& session, TransferState& t) {
    session.status = SessionStatus::TransferData;
    t.byte_count = 0;
    t.record_number = 0;
    t.frames.current_quadrant = quadrant::None;
    session.view->RefreshStatusLine();
    SendToHost(session, kAcknowledge);
}

void EndOfTransfer(Session& session, TransferState& t, std::span<const uint8_t> record) {
    std::vector<uint8_t> text;
    for (size_t i = kMessageOffset;
         i < record.size() && record[i] != kFrameDataEnd && record[i] != kHostDollar; ++i)
        text.push_back(HostToDisplay(session, record[i]));
    SendToHost(session, kAcknowledge);
    EndWithHostMessage(session, t, CleanHostMessage(text, kMessageLimit));
}

// The host must stop sending: PA1, and our side of the transfer is over.
void StopHost(Session& session, TransferState& t) {
    [[maybe_unused]] const AidKeyResult sent = SendAidKey(session, kActionPA1);
    EndFailedNow(session, t, t.failure.empty() ? transfer_msg::kDataWithoutDownload : t.failure, true, true);
}

// False when the frame goes on to the screen (after a failure the host is sent PA1).
bool DownloadFrame(Session& session, TransferState& t, std::span<const uint8_t> record) {
    if (t.stop != TransferStop::Running || !t.download || t.direction != TransferDirection::Download) {
        if (t.stop == TransferStop::Running)
            FailOnOurSide(session, t, transfer_msg::kDataWithoutDownload, transfer_msg::kDataWithoutDownload);
        StopHost(session, t);
        return false;
    }
    std::vector<uint8_t> decoded;
    t.frames.screen_table = session.charset.screen.data();
    DecodeFrameData(t.frames, record.subspan(std::min(record.size(), kDataOffset)), decoded);
    if (const int error = t.download->Write(decoded)) {
        const std::string text = t.pc_path + ": " + SystemErrorText(error);
        FailOnOurSide(session, t, text, text);
        StopHost(session, t);
        return false;
    }
    t.byte_count += decoded.size();
    PostByteCount(session, t);
    SendToHost(session, kAcknowledge);
    return true;
}

void SendEndOfFile(Session& session, uint8_t sequence) {
    std::vector<uint8_t> out(kUploadHeader.begin(), kUploadHeader.end());
    out.push_back(sequence);
    out.insert(out.end(), kUploadEndOfFile.begin(), kUploadEndOfFile.end());
    SendToHost(session, out);
    session.status = SessionStatus::TransferMessage;
}

uint8_t AlphabetByte(const Session& session, size_t index) {
    return DisplayToHost(session, uint8_t(kFrameAlphabet[index % 64]));
}

void UploadFrame(Session& session, TransferState& t, std::span<const uint8_t> record) {
    const uint8_t sequence = record[kSequenceOffset];
    if (t.stop != TransferStop::Running || !t.upload || t.direction != TransferDirection::Upload) {
        SendEndOfFile(session, sequence);
        session.view->RefreshStatusLine();
        return;
    }
    std::vector<uint8_t> block;
    switch (t.upload->Next(kUploadFrameRead, block)) {
        case UploadReader::Status::Failed: {
            const std::string error = t.pc_path + ": " + t.upload->error();
            FailOnOurSide(session, t, error, FormatMessage(transfer_msg::kUploadIncomplete, error.c_str()));
            SendEndOfFile(session, sequence);
            session.view->RefreshStatusLine();
            return;
        }
        case UploadReader::Status::End:
            t.upload_data_ended = true;
            SendEndOfFile(session, sequence);
            PostByteCount(session, t);
            return;
        case UploadReader::Status::Data:
            break;
    }
    FrameEncoder encoder;
    std::vector<uint8_t> encoded;
    size_t taken = 0;
    while (taken < block.size() && encoded.size() + encoder.CostOf(block[taken]) <= kUploadFrameCapacity)
        encoder.Encode(block[taken++], encoded);
    t.upload->GiveBack(std::span(block).subspan(taken));
    uint8_t checksum = 0;
    for (uint8_t b : encoded) checksum ^= b;
    const size_t n = encoded.size();
    std::vector<uint8_t> out(kUploadHeader.begin(), kUploadHeader.end());
    out.push_back(sequence);
    out.push_back(AlphabetByte(session, checksum));
    out.push_back(AlphabetByte(session, n / 64));
    out.push_back(AlphabetByte(session, n % 64));
    out.insert(out.end(), encoded.begin(), encoded.end());
    SendToHost(session, out);
    t.byte_count += taken;
    PostByteCount(session, t);
}

// A screen that gives the keyboard back while the command waits for the transfer program: the
// host is ready for input again, so the program is not coming (unless a transfer record follows).
void NoteHostScreen(Session& session, TransferState& t, std::span<const uint8_t> record) {
    if (session.status != SessionStatus::TransferReady || record.size() < 2 ||
        HasAt(record, 2, kEnterRequest)) {
        t.host_ready_ms = -1;
        return;
    }
    const bool write =
        std::find(kWriteCommands.begin(), kWriteCommands.end(), record[0]) != kWriteCommands.end();
    if (write && (record[1] & kWccRestore) && t.host_ready_ms < 0) t.host_ready_ms = session.clock->NowMs();
}

bool Frame(Session& session, TransferState& t, std::span<const uint8_t> record) {
    if (record[0] == kReadModified || record[0] == kReadModifiedShort) {
        // The host lost our answer: the same record again.
        const std::vector<uint8_t> last = session.link.last_sent_record;
        SendToHost(session, last);
        return true;
    }
    if (!HasAt(record, kMarkOffset, kFrameMark) || record.size() <= kTypeOffset) return false;
    if (session.status == SessionStatus::TransferReady) {
        if (HasAt(record, kTypeOffset, kStartOfData)) {
            StartOfData(session, t);
            return true;
        }
        if (HasAt(record, kTypeOffset, kEndOfTransfer)) {
            EndOfTransfer(session, t, record);
            return true;
        }
        return false;
    }
    switch (record[kTypeOffset]) {
        case frame::Download:
            return DownloadFrame(session, t, record);
        case frame::Upload:
            // Without its sequence byte there is nothing to answer with.
            if (record.size() > kSequenceOffset) UploadFrame(session, t, record);
            return true;
        case frame::End:
            EndOfTransfer(session, t, record);
            return true;
        default:
            return true;
    }
}

}  // namespace

bool HandleTransferFrame(Session& session, TransferState& t, std::span<const uint8_t> record) {
    if (record.empty() || !IsTransferStatus(session.status)) return false;
    t.last_host_ms = session.clock->NowMs();
    const bool consumed = Frame(session, t, record);
    if (consumed)
        t.host_ready_ms = -1;
    else
        NoteHostScreen(session, t, record);
    return consumed;
}

}  // namespace orkan
