#include "capture/asm_listing.h"

#include "capture/capture_messages.h"
#include "capture/editor_launch.h"
#include "config/data_file.h"
#include "platform/file_io.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr size_t kBytesPerLine = 16;

}  // namespace

std::string AsmStatements(std::span<const uint8_t> data) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out = "STRING   DS    0F\n";
    for (size_t at = 0; at < data.size(); at += kBytesPerLine) {
        out += "         DC    X'";
        for (uint8_t b : data.subspan(at, std::min(kBytesPerLine, data.size() - at))) {
            out += kDigits[b >> 4];
            out += kDigits[b & 0xF];
        }
        out += "'\n";
    }
    return out;
}

bool MakeAsmStatements(Session& session) {
    const std::string path = DataFilePath("orkan.asm", session.folders.app_data, "");
    const std::string text = AsmStatements(session.ds.capture);
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (const int error = WritePrivateFile(path, bytes); error != 0) {
        session.ui.ShowMessage(capture_msg::SaveError(error, path));
        return false;
    }
    if (!session.ui.CanAsk()) {  // no desktop to open an editor on
        session.ui.ShowMessage(capture_msg::ListingWritten(path));
        return true;
    }
    const Environment environment = ProcessEnvironment();
    const std::string editor = EditorCommand(session.settings, environment);
    if (const std::string why = LaunchEditor(editor, path, environment); !why.empty()) {
        session.ui.ShowMessage(capture_msg::EditorFailed(editor, why));
        return false;
    }
    return true;
}

}  // namespace orkan
