#include "transfer/transfer_request.h"

#include <cstdio>
#include <cstdlib>

#include "config/file_name_text.h"
#include "config/session_record.h"
#include "ds3270/messages.h"
#include "session/session.h"
#include "transfer/transfer_messages.h"

namespace orkan {
namespace {

inline constexpr uint8_t kHostDollar = 0x5B;

// The fields of one dialog in the record.
struct DialogFields {
    const FieldDef& host_file;
    const FieldDef& binary;
    const FieldDef& host_system;
    const FieldDef& append;
    const FieldDef& ascii;
    const FieldDef& crlf;
    const FieldDef& additional;
    const FieldDef& pc_file;
    const FieldDef& pc_directory;
};

constexpr DialogFields kDownloadFields{
    field::DownloadHostFile,         field::DownloadBinary, field::DownloadHostSystem,
    field::DownloadAppend,           field::DownloadAscii,  field::DownloadCrlf,
    field::DownloadDialogParameters, field::DownloadPcFile, field::DownloadPcDirectory};
constexpr DialogFields kUploadFields{
    field::UploadHostFile,         field::UploadBinary, field::UploadHostSystem,
    field::UploadAppend,           field::UploadAscii,  field::UploadCrlf,
    field::UploadDialogParameters, field::UploadPcFile, field::UploadPcDirectory};

const DialogFields& FieldsFor(TransferDirection direction) {
    return direction == TransferDirection::Upload ? kUploadFields : kDownloadFields;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// Windows-1252 letters; the few upper-case forms outside Latin-1 (one of them is the DUP
// character's byte here) are left alone.
char UpperCase(char c) {
    const uint8_t b = uint8_t(c);
    if (b >= 'a' && b <= 'z') return char(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return char(b - 0x20);
    return c;
}

std::string Number(const char* format, uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, unsigned(value));
    return text;
}

// The allocation options of an upload, by host system.
std::string AllocationOptions(const TransferRequest& r) {
    std::string out;
    if (r.host_system == HostSystem::Tso) {
        if (r.space_primary != 0) {
            out += r.space_secondary != 0 ? " space(" + std::to_string(r.space_primary) + " " +
                                                std::to_string(r.space_secondary) + ")"
                                          : " space(" + std::to_string(r.space_primary) + ")";
            out += r.space_unit == SpaceUnit::Tracks ? " tracks" : " cylinders";
        }
        if (r.blksize != 0) out += Number(" blksize(%u)", r.blksize);
        if (r.lrecl != 0) out += Number(" lrecl(%u)", r.lrecl);
        if (r.recfm == RecordFormat::Fixed) out += " recfm(f)";
        if (r.recfm == RecordFormat::Variable) out += " recfm(v)";
        return out;
    }
    if (r.lrecl != 0) out += Number(" lrecl %u", r.lrecl);
    if (r.recfm == RecordFormat::Fixed) out += " recfm f";
    if (r.recfm == RecordFormat::Variable) out += " recfm v";
    return out;
}

// "ind$file" written in lower case has its '$' typed as whatever the host's code page shows for
// its own dollar byte.
std::string ProgramName(const Session& session, std::string name) {
    if (name.compare(0, 8, "ind$file") != 0) return name;
    for (int d = 0; d < 256; ++d) {
        if (session.charset.display_to_host[size_t(d)] == kHostDollar) {
            name[3] = char(d);
            break;
        }
    }
    return name;
}

}  // namespace

void SetTextMode(TransferRequest& request, bool text) {
    request.ascii = text;
    request.crlf = text;
    request.binary = !text;
}

TransferRequest LoadRequest(const SessionRecord& record, TransferDirection direction) {
    const DialogFields& f = FieldsFor(direction);
    TransferRequest r;
    r.direction = direction;
    r.host_file = record.Text(f.host_file);
    r.binary = record.Flag(f.binary);
    r.host_system = HostSystem(std::min<uint32_t>(record.Number(f.host_system), 2));
    r.append = record.Flag(f.append);
    r.ascii = record.Flag(f.ascii);
    r.crlf = record.Flag(f.crlf);
    r.additional = record.Text(f.additional);
    r.pc_file = StoredNameToPath(record.Text(f.pc_file));
    r.pc_directory = StoredNameToPath(record.Text(f.pc_directory));
    if (direction == TransferDirection::Upload) {
        r.space_primary = record.Number(field::UploadSpacePrimary);
        r.space_secondary = record.Number(field::UploadSpaceSecondary);
        r.space_unit = record.Number(field::UploadUnit) == 1 ? SpaceUnit::Tracks : SpaceUnit::Cylinders;
        r.blksize = record.Number(field::UploadBlksize);
        r.lrecl = record.Number(field::UploadLrecl);
        r.recfm = RecordFormat(std::min<uint32_t>(record.Number(field::UploadRecfm), 2));
    }
    return r;
}

std::optional<std::string> StoreRequest(SessionRecord& record, const TransferRequest& r) {
    const DialogFields& f = FieldsFor(r.direction);
    SessionRecord copy = record;
    auto text = [&](const FieldDef& def, const std::string& value) -> std::optional<std::string> {
        if (copy.SetText(def, value)) return std::nullopt;
        return FormatMessage(transfer_msg::kNameNotStorable, value.c_str(),
                             ("it is longer than " + std::to_string(def.max) + " bytes").c_str());
    };
    auto path = [&](const FieldDef& def, const std::string& value) -> std::optional<std::string> {
        const auto stored = PathToStoredName(value);
        if (!stored)
            return FormatMessage(transfer_msg::kNameNotStorable, value.c_str(),
                                 "it holds a character that Windows-1252 lacks");
        return text(def, *stored);
    };
    for (auto error : {text(f.host_file, r.host_file), text(f.additional, r.additional),
                       path(f.pc_file, r.pc_file), path(f.pc_directory, r.pc_directory)})
        if (error) return error;
    copy.SetNumber(f.binary, r.binary);
    copy.SetNumber(f.host_system, uint32_t(r.host_system));
    copy.SetNumber(f.append, r.append);
    copy.SetNumber(f.ascii, r.ascii);
    copy.SetNumber(f.crlf, r.crlf);
    if (r.direction == TransferDirection::Upload) {
        copy.SetNumber(field::UploadSpacePrimary, r.space_primary);
        copy.SetNumber(field::UploadSpaceSecondary, r.space_secondary);
        copy.SetNumber(field::UploadUnit, r.space_unit == SpaceUnit::Tracks ? 1 : 0);
        copy.SetNumber(field::UploadBlksize, r.blksize);
        copy.SetNumber(field::UploadLrecl, r.lrecl);
        copy.SetNumber(field::UploadRecfm, uint32_t(r.recfm));
    }
    record = copy;
    return std::nullopt;
}

std::string FullPcPath(const Session& session, const TransferRequest& request) {
    const std::string& name = request.pc_file;
    if (!name.empty() && name[0] == '/') return name;
    if (name.rfind("~/", 0) == 0) {
        const char* home = std::getenv("HOME");
        if (home && *home) return std::string(home) + name.substr(1);
    }
    const std::string folder = PcFolder(session, request.pc_directory);
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string PcFolder(const Session& session, const std::string& directory) {
    std::string folder = directory.empty() ? session.folders.documents : directory;
    if (folder.rfind("~/", 0) == 0 || folder == "~") {
        const char* home = std::getenv("HOME");
        if (home && *home) folder = std::string(home) + folder.substr(1);
    }
    return folder;
}

std::string BuildTransferCommand(const Session& session, const TransferRequest& r) {
    const bool download = r.direction == TransferDirection::Download;
    const bool tso = r.host_system == HostSystem::Tso;
    const SessionRecord& record = session.record;
    std::string c = ProgramName(session, record.Text(download ? field::DownProgram : field::UpProgram));
    c += (download ? " get " : " put ") + r.host_file;
    if (!tso) c += " (";
    if (r.ascii) c += " ascii";
    if (r.crlf) c += " crlf";
    if (r.host_system == HostSystem::Cics && !r.ascii) c += " binary";
    if (!download) {
        if (r.append) c += " append";
        c += AllocationOptions(r);
    }
    const std::string session_parameters =
        Trimmed(record.Text(download ? field::DownAdditionalParameters : field::UpAdditionalParameters));
    if (!session_parameters.empty()) c += " " + session_parameters;
    const std::string dialog_parameters = Trimmed(r.additional);
    if (!dialog_parameters.empty()) c += " " + dialog_parameters;
    if (download) {
        c += " " + r.macro_extra;
        if (!tso) c += " )";
    } else {
        if (!tso) c += " )";
        c += " " + r.macro_extra;
    }
    for (char& ch : c) ch = UpperCase(ch);
    return c;
}

}  // namespace orkan
