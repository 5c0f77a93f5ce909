#include "transfer_session.h"

#include <gtest/gtest.h>

#include "ds3270/write_processor.h"
#include "session/session_charset.h"
#include "support/hex.h"
#include "transfer/code_page_check.h"
#include "transfer/transfer_protocol.h"

namespace orkan::test {

bool ProtocolHook::OfferScreenRecord(std::span<const uint8_t> record) {
    return HandleTransferFrame(session_, state, record);
}
void ProtocolHook::StructuredField(std::span<const uint8_t> field) {
    HandleTransferField(session_, state, field);
}

TransferSession::TransferSession(const std::string& pc_code_page) : hook(*h.session) {
    Session& s = session();
    s.folders.program_data = ORKAN_BUILD_DATA_DIR;
    EXPECT_TRUE(s.record.SetText(field::ScreenCodePage, "United States"));
    EXPECT_TRUE(s.record.SetText(field::KeyboardCodePage, "United States"));
    EXPECT_TRUE(s.record.SetText(field::PcCodePage, pc_code_page));
    EXPECT_TRUE(RebuildCharset(s)) << h.TakeMessages();
    EXPECT_TRUE(s.record.SetText(field::DownProgram, "IND$FILE"));
    EXPECT_TRUE(s.record.SetText(field::UpProgram, "IND$FILE"));
    s.record.SetNumber(field::TransferBlockSize, 2500);
    s.record.SetNumber(field::DftMode, 1);
    s.hooks.transfer = &hook;
    hook.state.events = &events;
    s.status = SessionStatus::Unlocked;
    s.link.line_mode = false;
}

namespace {

void Prime(Session& s, TransferState& t, TransferDirection direction) {
    TransferEvents* events = t.events;
    t = TransferState{};
    t.events = events;
    t.direction = t.requested = direction;
    t.active = true;
    t.block_size = s.record.Number(field::TransferBlockSize);
    t.pc_path = "/tmp/pc.file";
    s.status = SessionStatus::TransferReady;
}

}  // namespace

TextOptions TransferSession::Text() const {
    TextOptions o;
    o.table = h.session->charset.download;
    o.carried = CarriedCharacters(*h.session);
    return o;
}

TextOptions TransferSession::Binary() const {
    TextOptions o;
    o.binary = true;
    return o;
}

void TransferSession::StartDownload(MemoryFile& file, TextOptions options) {
    Prime(session(), state(), TransferDirection::Download);
    options.table = session().charset.download;
    state().download = std::make_unique<DownloadWriter>(std::make_unique<MemoryTarget>(file), options);
}

void TransferSession::StartUpload(std::string content, TextOptions options, size_t piece) {
    Prime(session(), state(), TransferDirection::Upload);
    options.table = session().charset.upload;
    auto file = std::make_unique<MemorySource>(std::move(content), piece);
    source = file.get();
    state().file_size = 0;
    state().upload = std::make_unique<UploadReader>(std::move(file), options);
}

std::string TransferSession::Host(const std::vector<uint8_t>& record) {
    ProcessHostRecord(session(), record);
    return h.TakeSent();
}

std::vector<uint8_t> Wsf(std::initializer_list<std::vector<uint8_t>> fields) {
    std::vector<uint8_t> out = {0xF3};
    for (const auto& f : fields) out.insert(out.end(), f.begin(), f.end());
    return out;
}

namespace {

std::vector<uint8_t> Field(std::vector<uint8_t> body) {
    const size_t n = body.size() + 2;
    body.insert(body.begin(), {uint8_t(n >> 8), uint8_t(n)});
    return body;
}

}  // namespace

std::vector<uint8_t> OpenField(std::string_view name) {
    std::vector<uint8_t> body =
        FromHex("D0 00 12 01 06 01 01 04 03 0A 0A 00 00 00 00 11 01 01 00 50 05 52 03 F0 03 09");
    body.insert(body.end(), name.begin(), name.end());
    return Field(body);
}

std::vector<uint8_t> InsertField(std::string_view data) {
    std::vector<uint8_t> body = FromHex("D0 47 04 C0 80 61");
    const size_t n = data.size() + 5;
    body.push_back(uint8_t(n >> 8));
    body.push_back(uint8_t(n));
    body.insert(body.end(), data.begin(), data.end());
    return Field(body);
}

std::vector<uint8_t> CloseField() {
    return Field(FromHex("D0 41 12"));
}
std::vector<uint8_t> GetField() {
    return Field(FromHex("D0 46 11"));
}

std::vector<std::string> SplitBars(const std::string& cell) {
    std::vector<std::string> parts;
    for (size_t at = 0, bar = 0; bar != std::string::npos && !cell.empty(); at = bar + 1) {
        bar = cell.find('|', at);
        parts.push_back(cell.substr(at, bar - at));
    }
    return parts;
}

}  // namespace orkan::test
