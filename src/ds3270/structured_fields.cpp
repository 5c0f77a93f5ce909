#include "ds3270/structured_fields.h"

#include <string>
#include <utility>

#include "ds3270/ds_codes.h"
#include "ds3270/fields.h"
#include "ds3270/host_text.h"
#include "ds3270/messages.h"
#include "ds3270/query_reply.h"
#include "ds3270/write_processor.h"
#include "session/session.h"

namespace orkan {
namespace {

inline constexpr uint8_t kHostTextQualifier = 0x1F;
inline constexpr uint8_t kMacroTextSelector = 0x98;
inline constexpr uint8_t kHostTextAck = 0x6B;

// Offsets inside a field (length, ID, then the ID's bytes).
inline constexpr size_t kHeader = 3;

// The faults of one record: the first is shown, later ones only traced, so that a record of
// thousands of bad fields does not stack up as many message boxes.
class Faults {
  public:
    explicit Faults(Session& session) : session_(session) {}
    void Report(const std::string& text) {
        if (!std::exchange(shown_, true)) {
            ReportHostError(session_, msg::kSnaTitle, text);
            return;
        }
        const std::string line = std::string(msg::kSnaTitle) + ": " + text;
        session_.Trace(TraceType::Error,
                       std::span(reinterpret_cast<const uint8_t*>(line.data()), line.size()));
    }

  private:
    Session& session_;
    bool shown_ = false;
};

bool LongEnough(Faults& faults, std::span<const uint8_t> field, size_t needed) {
    if (field.size() >= needed) return true;
    faults.Report(FormatMessage(msg::kShortField, field[2], int(field.size()), int(needed)));
    return false;
}

void ReadPartition(Session& session, Faults& faults, std::span<const uint8_t> field) {
    if (!LongEnough(faults, field, 5)) return;
    std::vector<uint8_t> codes;
    switch (field[4]) {
        case read_partition::Query:
            codes = DefaultQueryList(session);
            break;
        case read_partition::QueryList:
            if (!LongEnough(faults, field, 6)) return;
            switch (field[5] & 0xC0) {
                case 0x00:
                case 0x40:
                    codes.assign(field.begin() + 6, field.end());
                    break;
                case 0x80:
                    codes = DefaultQueryList(session);
                    break;
                default:
                    return;  // the host asked for no reply
            }
            break;
        default:
            return;
    }
    SendQueryReply(session, codes);
    // The host answers a query with a write; until then the keyboard stays locked.
    if (!IsTransferStatus(session.status)) session.status = SessionStatus::SysLock;
    session.view->RefreshStatusLine();
}

void HostText(Session& session, Faults& faults, std::span<const uint8_t> field) {
    if (!LongEnough(faults, field, kHeader + 1)) return;
    if (field[3] != kHostTextQualifier) {
        faults.Report(FormatMessage(msg::kUnknownStructuredField, field[2]));
        return;
    }
    if (!LongEnough(faults, field, 7)) return;
    const uint8_t ack[1] = {kHostTextAck};
    if (session.sender) session.sender->SendRecord(ack, send_flag::Send | send_flag::Trace);
    const HostTextKind kind = field[6] == kMacroTextSelector ? HostTextKind::Macro : HostTextKind::Print;
    CollectHostText(session, kind, field.subspan(7));
}

void Outbound3270(Session& session, Faults& faults, std::span<const uint8_t> field) {
    // Each level runs the dispatcher again; one level is all a host needs.
    if (session.ds.enclosed_depth > 0) {
        faults.Report(msg::kNestedOutbound3270);
        return;
    }
    if (!LongEnough(faults, field, 5)) return;
    ProcessEnclosedRecord(session, field.subspan(4));
}

void HandleField(Session& session, Faults& faults, std::span<const uint8_t> field) {
    switch (field[2]) {
        case sfid::ReadPartition:
            ReadPartition(session, faults, field);
            break;
        case sfid::EraseReset:
            if (LongEnough(faults, field, 4)) EraseScreen(session, (field[3] & 0x80) ? 2 : 1);
            break;
        case sfid::SetReplyMode:
            if (!LongEnough(faults, field, 5)) break;
            session.ds.reply_mode = field[4];
            session.ds.character_mode_attributes.assign(field.begin() + 5, field.end());
            break;
        case sfid::HostText:
            HostText(session, faults, field);
            break;
        case sfid::Outbound3270DS:
            Outbound3270(session, faults, field);
            break;
        case sfid::Transfer:
            if (IsTransferStatus(session.status) && session.hooks.transfer)
                session.hooks.transfer->StructuredField(field);
            break;
        default:
            faults.Report(FormatMessage(msg::kUnknownStructuredField, field[2]));
            break;
    }
}

}  // namespace

void ProcessStructuredFields(Session& session, std::span<const uint8_t> record) {
    Faults faults(session);
    size_t position = 1;
    while (position < record.size()) {
        const size_t remaining = record.size() - position;
        size_t length = remaining >= 2 ? size_t(record[position]) << 8 | record[position + 1] : remaining;
        // 0 runs to the end of the record; a length past the end is cut to it.
        if (length == 0 || length > remaining) length = remaining;
        if (length < kHeader) {
            faults.Report(FormatMessage(msg::kBadFieldLength, int(length), int(remaining)));
            return;
        }
        HandleField(session, faults, record.subspan(position, length));
        position += length;
    }
}

}  // namespace orkan
