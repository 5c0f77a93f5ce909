#include "config/session_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config/atomic_file.h"
#include "config/data_file.h"
#include "config/file_name_text.h"
#include "config/profile_file.h"
#include "config/session_record_fields.h"
#include "config/settings_file.h"
#include "platform/file_io.h"

namespace orkan {

namespace {

namespace fs = std::filesystem;

bool HeaderMatches(std::span<const uint8_t> bytes) {
    return bytes.size() >= kSessionHeaderSize &&
           std::memcmp(bytes.data(), kSessionMagic.data(), kSessionHeaderSize) == 0;
}

std::string BaseName(const std::string& path) {
    return fs::path(path).filename().string();
}

// The file's name and folder as messages show them: paths are UTF-8, messages display text.
std::string ShownBaseName(const std::string& path) {
    return PathForMessage(BaseName(path));
}

std::string ShownFolderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : PathForMessage(folder);
}

bool IsStandardName(const std::string& base) {
    return base.size() >= 9 && EqualsIgnoreCase(std::string_view(base).substr(0, 9), "standard.");
}

MessageBox SessionMessage(std::string text) {
    return {std::string(kSessionErrorTitle), std::move(text), Buttons::Ok, Icon::Warning};
}

std::string SessionPath(const SessionFileContext& ctx, const std::string& stored_name) {
    return DataFilePath(StoredNameToPath(stored_name), ctx.folders.app_data, "ses");
}

constexpr int kDamagedCopies = 9;

// A damaged standard.ses is put aside and replaced by its backup, when the backup is a valid file.
// True when the file was replaced, or another session has replaced it meanwhile.
bool RestoreStandardFromBackup(const SessionFileContext& ctx, const std::string& path) {
    const std::string backup = DataFilePath("standard.ses.backup", ctx.folders.app_data, "");
    std::vector<uint8_t> good;
    int error = 0;
    if (ReadFilePrefix(backup, kSessionFileSize, good, error) != ReadResult::Ok || !HeaderMatches(good))
        return false;
    const std::string target = ResolveWriteTarget(path);
    FileLock lock;
    if (lock.Acquire(target) != 0) return false;
    // Looked at again under the lock: a session starting at the same time may have restored it,
    // and what it saved since must not be replaced.
    std::vector<uint8_t> now;
    if (ReadFilePrefix(target, kSessionHeaderSize, now, error) != ReadResult::Ok) return false;
    if (HeaderMatches(now)) return true;
    // The damaged file is renamed, not copied, so it is kept whole however long it is. An earlier
    // damaged copy is kept too: NAME.damaged, then NAME.damaged.2 and on (the last name is reused
    // when all are taken).
    std::string aside = target + ".damaged";
    std::error_code ec;
    for (int n = 2; n <= kDamagedCopies && std::filesystem::exists(aside, ec); ++n)
        aside = target + ".damaged." + std::to_string(n);
    std::filesystem::rename(target, aside, ec);
    if (ec) return false;
    if (ReplaceFileContents(target, good) == 0) return true;
    std::filesystem::rename(aside, target, ec);
    return false;
}

// Lays onto `file` (a current file's record bytes) what `mine` changed against `base`: a named
// field goes whole, so two edits of one text never mix; bytes no field names go one by one.
void LayChanges(std::span<uint8_t> file, std::span<const uint8_t> mine, std::span<const uint8_t> base) {
    std::array<bool, kSessionRecordSize> named{};
    for (const FieldDef* f : AllSessionFields()) {
        const size_t begin = f->offset;
        const size_t end = begin + f->size;
        std::fill(named.begin() + begin, named.begin() + end, true);
        if (!std::equal(mine.begin() + begin, mine.begin() + end, base.begin() + begin))
            std::copy(mine.begin() + begin, mine.begin() + end, file.begin() + begin);
    }
    for (size_t i = 0; i < kSessionRecordSize; ++i)
        if (!named[i] && mine[i] != base[i]) file[i] = mine[i];
}

// The bytes to write: this session's changes onto the file as it is now when the file is the
// one `state` describes and reads back whole; otherwise the whole record. The caller holds the
// file's lock.
std::vector<uint8_t> BytesToWrite(const std::string& path, const SessionRecord& written,
                                  const SessionFileState& state) {
    std::vector<uint8_t> bytes = SessionFileBytes(written);
    if (written.Text(field::SessionFile) != state.last_written.Text(field::SessionFile)) return bytes;
    std::vector<uint8_t> current;
    int error = 0;
    if (ReadFilePrefix(path, kSessionFileSize, current, error) != ReadResult::Ok || !HeaderMatches(current) ||
        current.size() < kSessionFileSize)
        return bytes;
    LayChanges(std::span(current).subspan(kSessionHeaderSize), written.Bytes(), state.last_written.Bytes());
    return current;
}

}  // namespace

std::vector<uint8_t> SessionFileBytes(const SessionRecord& record) {
    std::vector<uint8_t> bytes(kSessionFileSize);
    std::memcpy(bytes.data(), kSessionMagic.data(), kSessionHeaderSize);
    std::memcpy(bytes.data() + kSessionHeaderSize, record.Bytes().data(), kSessionRecordSize);
    return bytes;
}

bool ParseSessionFile(std::span<const uint8_t> bytes, SessionRecord& record, size_t& file_length) {
    if (!HeaderMatches(bytes)) return false;
    const size_t n = std::min(bytes.size() - kSessionHeaderSize, kSessionRecordSize);
    SessionRecord parsed = DefaultSessionRecord();
    std::memcpy(parsed.Bytes().data(), bytes.data() + kSessionHeaderSize, n);
    file_length = n + kSessionHeaderSize;
    ApplyOlderFormatDefaults(parsed, file_length);
    ClampSessionRecord(parsed);
    record = parsed;
    return true;
}

bool LoadSessionFile(const SessionFileContext& ctx, SessionRecord& record, SessionFileState& state) {
    const std::string name = record.Text(field::SessionFile);
    if (name.empty()) return false;
    const std::string path = SessionPath(ctx, name);

    std::vector<uint8_t> bytes;
    int error = 0;
    const ReadResult read = ReadFilePrefix(path, kSessionFileSize, bytes, error);
    if (read == ReadResult::Missing) {
        ctx.ui.ShowMessage(SessionMessage("Session file " + ShownBaseName(path) +
                                          " was not found\nin folder " + ShownFolderOf(path)));
        return false;
    }
    if (read != ReadResult::Ok) {
        ctx.ui.ShowMessage(SessionMessage("Session file " + ShownBaseName(path) +
                                          " cannot be read\nin folder " + ShownFolderOf(path) + "\n(" +
                                          FileErrorReason(error) + ")"));
        return false;
    }
    if (!HeaderMatches(bytes) && IsStandardName(BaseName(path)) && RestoreStandardFromBackup(ctx, path)) {
        if (ReadFilePrefix(path, kSessionFileSize, bytes, error) != ReadResult::Ok) bytes.clear();
    }

    SessionRecord loaded;
    size_t length = 0;
    if (!ParseSessionFile(bytes, loaded, length)) {
        ctx.ui.ShowMessage(
            SessionMessage(ShownBaseName(path) + " is not a valid session file for this version"));
        return false;
    }
    // The name as the caller gave it, so the next save goes back to the same file.
    [[maybe_unused]] const bool fits = loaded.SetText(field::SessionFile, name);
    const SessionRecord parsed = loaded;

    state.security = HostSecurity{};
    state.keep_alive = -1;
    const HostList hosts = LoadHostList(ctx.folders.settings_file, ctx.ui);
    if (auto i = FindHost(hosts, loaded.Text(field::HostName))) {
        // A value that does not fit has been reported and left as the file had it.
        [[maybe_unused]] const bool merged = MergeHostEntry(loaded, hosts.entries[*i], state.given, ctx.ui);
        state.security = hosts.entries[*i].security;
        state.keep_alive = hosts.entries[*i].keep_alive;
    }
    // The host list's values are not the file's: the next save writes them as it always did.
    state.last_written = parsed;
    record = loaded;
    state.last_saved = loaded;
    return true;
}

bool LoadStartupSession(const SessionFileContext& ctx, std::string_view name, SessionRecord& record,
                        SessionFileState& state, bool fall_back) {
    // A name that is not UTF-8 was written in the 8-bit code page already.
    const std::string stored = PathToStoredName(name).value_or(std::string(name));
    for (const std::string& candidate : {stored, std::string(kStandardSession)}) {
        SessionRecord attempt = record;
        if (!attempt.SetText(field::SessionFile, candidate)) {
            ctx.ui.ShowMessage(SessionMessage("The session file name " + PathForMessage(name).substr(0, 80) +
                                              " is longer than " + std::to_string(field::SessionFile.max) +
                                              " characters."));
            continue;
        }
        if (LoadSessionFile(ctx, attempt, state)) {
            record = attempt;
            return true;
        }
        // "Standard.ses" is another file than standard.ses here: the standard one is still tried.
        if (!fall_back || candidate == kStandardSession) break;
    }
    return false;
}

bool SaveSessionFile(const SessionFileContext& ctx, SaveMode mode, bool force, const SessionRecord& record,
                     SessionFileState& state, const std::optional<ShownScreen>& screen) {
    const std::string name = record.Text(field::SessionFile);
    if (name.empty()) return false;
    if (ctx.settings.NoAutoSave && !force) return true;
    if (mode == SaveMode::Auto && record == state.last_saved) return true;
    if (ctx.settings.NoSessionSave) return true;

    // Written as the window would be at the default screen size, so the next start at that size
    // does not open a window sized for the larger alternate screen.
    SessionRecord written = record;
    if (screen && uint32_t(screen->rows) != record.Number(field::DefaultRows) &&
        !record.Flag(field::WindowMaximised) && record.Flag(field::KeepFontConstantOnModeSwitch)) {
        const int64_t height = record.Number(field::WindowHeight);
        const int64_t less_height = int64_t(screen->rows - 24) * screen->cell_height;
        if (less_height > 0 && less_height < height)
            written.SetNumber(field::WindowHeight, uint32_t(height - less_height));
        if (screen->columns == 132) {
            const int64_t width = record.Number(field::WindowWidth);
            const int64_t less_width = int64_t(52) * screen->cell_width;
            if (less_width > 0 && less_width < width)
                written.SetNumber(field::WindowWidth, uint32_t(width - less_width));
        }
    }

    // Read back and written under one lock, so no other session's save falls in between.
    const std::string path = SessionPath(ctx, name);
    const std::string target = ResolveWriteTarget(path);
    FileLock lock;
    int err = lock.Acquire(target);
    if (err == 0) err = ReplaceFileContents(target, BytesToWrite(target, written, state));
    if (err != 0) {
        ctx.ui.ShowMessage(FileSaveError(err, path));
        return false;
    }
    lock = FileLock{};
    state.last_saved = record;
    state.last_written = written;

    if (ctx.folders.settings_file.empty()) return true;  // a session run without a settings file
    if (int err = WriteLastSession(ctx.folders.settings_file, StoredNameToPath(name)); err != 0)
        ctx.ui.ShowMessage(FileSaveError(err, ctx.folders.settings_file));
    return true;
}

BackupResult BackupStandardSession(const Folders& folders) {
    const std::string path = DataFilePath(kStandardSession, folders.app_data, "");
    std::vector<uint8_t> bytes;
    int error = 0;
    const ReadResult read = ReadFilePrefix(path, kSessionFileSize, bytes, error);
    if (read == ReadResult::Missing) return BackupResult::Missing;
    if (read != ReadResult::Ok) return BackupResult::Error;
    if (!HeaderMatches(bytes) || bytes.size() < kSessionFileSize) return BackupResult::NotComplete;
    return WriteFileAtomically(path + ".backup", bytes) == 0 ? BackupResult::Copied : BackupResult::Error;
}

}  // namespace orkan
