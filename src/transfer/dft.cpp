// DFT mode: the host's Open, Close, Get and Insert requests (structured field 0xD0) and our
// answers behind the AID 0x88.
#include <algorithm>
#include <array>
#include <vector>

#include "ds3270/ds_codes.h"
#include "ds3270/messages.h"
#include "session/session.h"
#include "transfer/host_message.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_state.h"

namespace orkan {
namespace {

constexpr std::array<uint8_t, 6> kOpenAck = {0x88, 0x00, 0x05, 0xD0, 0x00, 0x09};
constexpr std::array<uint8_t, 6> kCloseAck = {0x88, 0x00, 0x05, 0xD0, 0x41, 0x09};
constexpr std::array<uint8_t, 10> kGetEndOfFile = {0x88, 0x00, 0x09, 0xD0, 0x46,
                                                   0x08, 0x69, 0x04, 0x22, 0x00};
constexpr std::array<uint8_t, 10> kInsertRefused = {0x88, 0x00, 0x09, 0xD0, 0x47,
                                                    0x08, 0x69, 0x04, 0x47, 0x00};

// The name at the end of an Open: which phase the host opens.
constexpr std::array<uint8_t, 7> kDataName = {'F', 'T', ':', 'D', 'A', 'T', 'A'};
constexpr std::array<uint8_t, 7> kMessageName = {'F', 'T', ':', 'M', 'S', 'G', ' '};

// Length (2), ID, request code (2): what every transfer field starts with.
inline constexpr size_t kRequestHeader = 5;
// Insert: header, C0 80, 61, data length (2), then the data.
inline constexpr size_t kInsertData = 10;
// The message carries an identifier and a line of text; anything longer is not a message.
inline constexpr size_t kMessageLimit = 160;

void AppendNumber(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void Open(Session& session, TransferState& t, std::span<const uint8_t> field) {
    SendToHost(session, kOpenAck);
    if (field.size() < kRequestHeader + kDataName.size()) return;
    const auto name = field.last(kDataName.size());
    if (std::equal(name.begin(), name.end(), kDataName.begin())) {
        if (t.direction == TransferDirection::None) return;
        session.status = SessionStatus::TransferData;
        t.record_number = 0;
        t.byte_count = 0;
    } else if (std::equal(name.begin(), name.end(), kMessageName.begin())) {
        session.status = SessionStatus::TransferMessage;
    } else {
        return;
    }
    session.view->RefreshStatusLine();
}

void Close(Session& session, TransferState& t) {
    SendToHost(session, kCloseAck);
    t.upload.reset();
    if (t.download && !t.download->finished()) {
        if (const int error = t.download->Finish()) {
            const std::string text = t.pc_path + ": " + SystemErrorText(error);
            FailOnOurSide(session, t, text, text);
        }
    }
}

void Get(Session& session, TransferState& t) {
    if (t.stop != TransferStop::Running || !t.upload || t.direction != TransferDirection::Upload) {
        SendToHost(session, kGetEndOfFile);
        return;
    }
    std::vector<uint8_t> block;
    switch (t.upload->Next(t.block_size, block)) {
        case UploadReader::Status::Failed: {
            const std::string error = t.pc_path + ": " + t.upload->error();
            FailOnOurSide(session, t, error, FormatMessage(transfer_msg::kUploadIncomplete, error.c_str()));
            SendToHost(session, kGetEndOfFile);
            return;
        }
        case UploadReader::Status::End:
            t.upload_data_ended = true;
            SendToHost(session, kGetEndOfFile);
            return;
        case UploadReader::Status::Data:
            break;
    }
    ++t.record_number;
    t.byte_count += block.size();
    const size_t n = block.size();
    std::vector<uint8_t> out;
    out.reserve(n + 17);
    out.push_back(0x88);
    AppendNumber(out, n + 16, 2);
    out.insert(out.end(), {0xD0, 0x46, 0x05, 0x63, 0x06});
    AppendNumber(out, t.record_number & 0xFFFFFFFF, 4);
    out.insert(out.end(), {0xC0, 0x80, 0x61});
    AppendNumber(out, n + 5, 2);
    out.insert(out.end(), block.begin(), block.end());
    SendToHost(session, out);
    PostByteCount(session, t);
}

void AcknowledgeInsert(Session& session, TransferState& t) {
    ++t.record_number;
    std::vector<uint8_t> ack = {0x88, 0x00, 0x0B, 0xD0, 0x47, 0x05, 0x63, 0x06};
    AppendNumber(ack, t.record_number & 0xFFFFFFFF, 4);
    SendToHost(session, ack);
}

void Insert(Session& session, TransferState& t, std::span<const uint8_t> field) {
    const std::span<const uint8_t> data =
        field.size() > kInsertData ? field.subspan(kInsertData) : std::span<const uint8_t>();
    if (session.status == SessionStatus::TransferData) {
        if (t.stop != TransferStop::Running) {
            SendToHost(session, kInsertRefused);
            return;
        }
        if (!t.download || t.direction != TransferDirection::Download) {
            FailOnOurSide(session, t, transfer_msg::kDataWithoutDownload, transfer_msg::kDataWithoutDownload);
            SendToHost(session, kInsertRefused);
            return;
        }
        if (const int error = t.download->Write(data)) {
            const std::string text = t.pc_path + ": " + SystemErrorText(error);
            FailOnOurSide(session, t, text, text);
            SendToHost(session, kInsertRefused);
            return;
        }
        t.byte_count += data.size();
        PostByteCount(session, t);
        AcknowledgeInsert(session, t);
        return;
    }
    if (session.status == SessionStatus::TransferMessage) {
        AcknowledgeInsert(session, t);
        EndWithHostMessage(session, t, CleanHostMessage(data, kMessageLimit));
        return;
    }
    AcknowledgeInsert(session, t);  // TR_READY: nothing is written
}

}  // namespace

void HandleTransferField(Session& session, TransferState& t, std::span<const uint8_t> field) {
    if (!IsTransferStatus(session.status)) return;
    t.last_host_ms = session.clock->NowMs();
    t.host_ready_ms = -1;
    if (field.size() < kRequestHeader) return;
    switch (uint16_t(field[3] << 8 | field[4])) {
        case dft::Open:
            Open(session, t, field);
            break;
        case dft::Close:
            Close(session, t);
            break;
        case dft::Get:
            Get(session, t);
            break;
        case dft::Insert:
            Insert(session, t, field);
            break;
        default:
            break;
    }
}

}  // namespace orkan
