// Session files are read by byte offset by every version of the program: each field must land at
// its offset, older files must get their documented defaults, and a damaged file must never
// replace a good one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/session_file.h"
#include "config/session_record_fields.h"
#include "config/settings_file.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// A value for a field that differs from its neighbours and stays inside its limits.
uint32_t SampleNumber(const FieldDef& f, int salt) {
    const uint32_t span = uint32_t(f.max - f.min) + 1;
    return uint32_t(f.min) + uint32_t(salt * 7 + 1) % span;
}

// Fills every field with its own value; the same salt gives the same record.
SessionRecord Distinct(int salt) {
    SessionRecord r = DefaultSessionRecord();
    for (const FieldDef* f : AllSessionFields()) {
        if (f->kind == FieldKind::Text) {
            std::string text(size_t(f->max), char('A' + (f->offset + salt) % 26));
            EXPECT_TRUE(r.SetText(*f, text));
        } else if (f->size <= 4 && f->kind != FieldKind::Colour) {
            r.SetNumber(*f, SampleNumber(*f, f->offset + salt));
        }
    }
    r.SetNumber(field::TlsChoice, 4);
    r.SetNumber(field::UserScreenWidth, 80);
    r.SetNumber(field::UserScreenHeight, 100);
    r.SetNumber(field::DefaultColumns, 80);
    r.SetNumber(field::DefaultRows, 24);
    for (int i = 0; i < 16; ++i) r.SetSessionColour(i, uint32_t(0x10203 * (i + salt)) & 0xFFFFFF);
    return r;
}

struct Fixture {
    TempFolder dir;
    Folders folders;
    ProgramSettings settings;
    test::RecordingUi ui;
    SessionFileState state;
    Fixture() {
        folders.app_data = dir.path();
        folders.settings_file = dir / "orkan.ini";
    }
    SessionFileContext ctx() { return {ui, folders, settings}; }
    SessionRecord Named(const std::string& name) {
        SessionRecord r;
        EXPECT_TRUE(r.SetText(field::SessionFile, name));
        return r;
    }
    bool Load(SessionRecord& r) { return LoadSessionFile(ctx(), r, state); }
    bool Save(const SessionRecord& r, SaveMode mode = SaveMode::Save,
              std::optional<ShownScreen> screen = {}) {
        return SaveSessionFile(ctx(), mode, false, r, state, screen);
    }
};

TEST(SessionFile, EveryFieldIsWrittenAtItsOffsetAndReadBack) {
    Fixture fx;
    SessionRecord record = Distinct(3);
    ASSERT_TRUE(record.SetText(field::SessionFile, "mine.ses"));
    ASSERT_TRUE(fx.Save(record));

    const std::vector<uint8_t> file = ReadBytes(fx.dir / "mine.ses");
    ASSERT_EQ(file.size(), kSessionFileSize);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 24), "Orkan Session V1.26     ");
    EXPECT_TRUE(std::equal(file.begin() + 24, file.end(), record.Bytes().begin()));
    // Spot checks against the documented layout, independent of the field table.
    EXPECT_EQ(file[24 + 0x4A] | file[24 + 0x4B] << 8, int(record.Number(field::Port)));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[24 + 0xB80])), "mine.ses");

    SessionRecord loaded = fx.Named("mine.ses");
    ASSERT_TRUE(fx.Load(loaded));
    EXPECT_TRUE(loaded == record);
    EXPECT_TRUE(fx.ui.shown.empty());
}

TEST(SessionFile, OlderFormatsGetTheirDefaults) {
    const auto fields = AllSessionFields();
    for (const test::TableRow& row : test::ReadTableRows("config/data/older_session_files.tsv")) {
        SCOPED_TRACE(row.where);
        const auto f = std::find_if(fields.begin(), fields.end(), [&](const FieldDef* d) {
            return d->offset == std::stoul(row.cells.at(1), nullptr, 16);
        });
        ASSERT_NE(f, fields.end());
        std::vector<uint8_t> bytes(kSessionMagic.begin(), kSessionMagic.end());
        bytes.resize(std::stoul(row.cells[0]), 0);
        SessionRecord r;
        size_t length = 0;
        ASSERT_TRUE(ParseSessionFile(bytes, r, length));
        EXPECT_EQ(length, bytes.size());
        EXPECT_EQ((*f)->kind == FieldKind::Text ? r.Text(**f) : std::to_string(r.Number(**f)),
                  row.cells.at(3));
    }
    // The legacy backspace flag picks the backspace choices of files before them.
    std::vector<uint8_t> bytes(kSessionMagic.begin(), kSessionMagic.end());
    bytes.resize(2000, 0);
    bytes[24 + field::LegacyBackspace.offset] = 1;
    SessionRecord r;
    size_t length = 0;
    ASSERT_TRUE(ParseSessionFile(bytes, r, length));
    EXPECT_EQ(r.Number(field::NormalCursorBackspace), 2u);
    EXPECT_EQ(r.Number(field::InsertCursorBackspace), 2u);
}

TEST(SessionFile, NumbersFromTheFileAreHeldInRange) {
    SessionRecord bad = DefaultSessionRecord();
    bad.SetNumber(field::ScreenBuffers, 60000);
    bad.SetNumber(field::ConnectionTimeout, 5000);
    bad.SetNumber(field::TlsChoice, 7);
    bad.SetNumber(field::UserScreenWidth, 200);
    bad.SetNumber(field::UserScreenHeight, 200);
    bad.SetNumber(field::DefaultColumns, 0);
    auto bytes = bad.Bytes();
    std::memset(bytes.data() + field::HostName.offset, 'x', field::HostName.size);  // no terminator
    SessionRecord r;
    size_t length = 0;
    ASSERT_TRUE(ParseSessionFile(SessionFileBytes(bad), r, length));
    EXPECT_EQ(r.Number(field::ScreenBuffers), 100u);
    EXPECT_EQ(r.Number(field::ConnectionTimeout), 999u);
    EXPECT_EQ(r.Number(field::TlsChoice), tls_choice::Highest);
    EXPECT_LT(r.Number(field::UserScreenWidth) * r.Number(field::UserScreenHeight), 16384u);
    EXPECT_EQ(r.Number(field::DefaultColumns), 80u);
    EXPECT_EQ(r.Text(field::HostName).size(), 64u);
    // A new session's defaults survive the clamp a loaded file goes through.
    SessionRecord clamped = DefaultSessionRecord();
    ClampSessionRecord(clamped);
    EXPECT_EQ(clamped, DefaultSessionRecord());
}

TEST(SessionFile, AutoModeWritesOnlyWhenChanged) {
    Fixture fx;
    SessionRecord r = DefaultSessionRecord();
    ASSERT_TRUE(r.SetText(field::SessionFile, "auto.ses"));
    ASSERT_TRUE(fx.Save(r, SaveMode::Auto));
    std::filesystem::remove(fx.dir / "auto.ses");
    ASSERT_TRUE(fx.Save(r, SaveMode::Auto));  // unchanged: nothing written
    EXPECT_FALSE(std::filesystem::exists(fx.dir / "auto.ses"));
    r.SetNumber(field::Port, 2023);
    ASSERT_TRUE(fx.Save(r, SaveMode::Auto));
    EXPECT_TRUE(std::filesystem::exists(fx.dir / "auto.ses"));
    EXPECT_EQ(LoadProfile(fx.folders.settings_file).text.Get("Orkan", "LastSession"), "auto.ses");

    // NoAutoSave skips unforced saves; NoSessionSave skips every save.
    fx.settings.NoAutoSave = 1;
    r.SetNumber(field::Port, 2024);
    std::filesystem::remove(fx.dir / "auto.ses");
    ASSERT_TRUE(fx.Save(r));
    EXPECT_FALSE(std::filesystem::exists(fx.dir / "auto.ses"));
    ASSERT_TRUE(SaveSessionFile(fx.ctx(), SaveMode::Save, true, r, fx.state, std::nullopt));
    EXPECT_TRUE(std::filesystem::exists(fx.dir / "auto.ses"));
}

TEST(SessionFile, SessionsSharingAFileKeepEachOthersSavedSettings) {
    for (const test::TableRow& row : test::ReadTableRows("config/data/shared_session_saves.tsv")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.cells.size(), 6u);
        Fixture fx;
        SessionRecord base = DefaultSessionRecord();
        ASSERT_TRUE(base.SetText(field::SessionFile, "shared.ses"));
        ASSERT_TRUE(base.SetText(field::StatusLine, "My status"));
        base.SetNumber(field::ConnectionTimeout, 20);
        ASSERT_TRUE(fx.Save(base));
        SessionRecord other = fx.Named("shared.ses"), mine = fx.Named("shared.ses");
        SessionFileState other_state, my_state;
        ASSERT_TRUE(LoadSessionFile(fx.ctx(), other, other_state));
        ASSERT_TRUE(LoadSessionFile(fx.ctx(), mine, my_state));

        ASSERT_TRUE(other.SetText(field::StatusLine, row.cells[0]));
        ASSERT_TRUE(SaveSessionFile(fx.ctx(), SaveMode::Auto, false, other, other_state, std::nullopt));
        const std::string path = fx.dir / "shared.ses";
        if (row.cells[3] == "shortened") std::filesystem::resize_file(path, 2416);
        if (row.cells[3] == "removed") std::filesystem::remove(path);
        ASSERT_TRUE(mine.SetText(field::StatusLine, row.cells[1]));
        mine.SetNumber(field::ConnectionTimeout, std::stoul(row.cells[2]));
        ASSERT_TRUE(SaveSessionFile(fx.ctx(), SaveMode::Auto, false, mine, my_state, std::nullopt));
        // A later save again writes only this session's later change.
        mine.SetNumber(field::Port, 2023);
        ASSERT_TRUE(SaveSessionFile(fx.ctx(), SaveMode::Auto, false, mine, my_state, std::nullopt));

        SessionRecord file = fx.Named("shared.ses");
        ASSERT_TRUE(fx.Load(file));
        EXPECT_EQ(file.Text(field::StatusLine), row.cells[4]);
        EXPECT_EQ(file.Number(field::ConnectionTimeout), std::stoul(row.cells[5]));
        EXPECT_EQ(file.Number(field::Port), 2023u);
        EXPECT_TRUE(fx.ui.shown.empty());
    }
}

TEST(SessionFile, WindowSizeIsStoredForTheDefaultScreen) {
    Fixture fx;
    SessionRecord r = DefaultSessionRecord();
    ASSERT_TRUE(r.SetText(field::SessionFile, "w.ses"));
    r.SetNumber(field::WindowHeight, 900);
    r.SetNumber(field::WindowWidth, 1400);
    struct Case {
        ShownScreen screen;
        bool maximised;
        uint32_t height, width;
    };
    const Case cases[] = {
        {{43, 80, 9, 16}, false, 900 - 19 * 16, 1400}, {{27, 132, 9, 16}, false, 900 - 3 * 16, 1400 - 52 * 9},
        {{24, 80, 9, 16}, false, 900, 1400},           {{43, 80, 9, 16}, true, 900, 1400},
        {{200, 80, 9, 16}, false, 900, 1400},  // would go below zero: kept
    };
    for (const Case& c : cases) {
        r.SetNumber(field::WindowMaximised, c.maximised);
        ASSERT_TRUE(fx.Save(r, SaveMode::Save, c.screen));
        const auto file = ReadBytes(fx.dir / "w.ses");
        EXPECT_EQ(file[24 + 0x48] | file[24 + 0x49] << 8, int(c.height)) << c.screen.rows;
        EXPECT_EQ(file[24 + 0x46] | file[24 + 0x47] << 8, int(c.width)) << c.screen.rows;
    }
    EXPECT_EQ(r.Number(field::WindowHeight), 900u);  // the record itself keeps its size
}

TEST(SessionFile, MissingAndWrongFilesGiveTheirMessagesAndChangeNothing) {
    Fixture fx;
    SessionRecord r = fx.Named("absent");
    EXPECT_FALSE(fx.Load(r));
    ASSERT_EQ(fx.ui.shown.size(), 1u);
    EXPECT_EQ(fx.ui.shown[0].title, "Orkan TN3270 Session File Error");
    EXPECT_EQ(fx.ui.shown[0].text, "Session file absent.ses was not found\nin folder " + fx.dir.path());
    EXPECT_EQ(r.Text(field::SessionFile), "absent");
    // The path is UTF-8 on disk; the message is display text.
    r = fx.Named("B\xFC");
    EXPECT_FALSE(fx.Load(r));
    EXPECT_EQ(fx.ui.shown.back().text, "Session file B\xFC.ses was not found\nin folder " + fx.dir.path());

    test::WriteText(fx.dir / "other.ses", "Orkan Session V1.25     " + std::string(6988, '\0'));
    r = fx.Named("other.ses");
    EXPECT_FALSE(fx.Load(r));
    EXPECT_EQ(fx.ui.shown.back().text, "other.ses is not a valid session file for this version");
    EXPECT_FALSE(std::filesystem::exists(fx.dir / "other.ses.damaged"));

    std::filesystem::create_directory(fx.dir / "folder.ses");
    r = fx.Named("folder.ses");
    EXPECT_FALSE(fx.Load(r));
    EXPECT_NE(fx.ui.shown.back().text.find("cannot be read"), std::string::npos);

    r = fx.Named("");
    EXPECT_FALSE(fx.Load(r));
    EXPECT_FALSE(fx.Save(r));
}

TEST(SessionFile, DamagedStandardIsReplacedByAGoodBackupOnly) {
    Fixture fx;
    SessionRecord good = DefaultSessionRecord();
    good.SetNumber(field::Port, 992);
    const std::vector<uint8_t> damaged(100, 'x');

    // No usable backup: the message, and the damaged file stays as it was.
    WriteBytes(fx.dir / "standard.ses", damaged);
    WriteBytes(fx.dir / "standard.ses.backup", damaged);
    SessionRecord r = fx.Named("standard.ses");
    EXPECT_FALSE(fx.Load(r));
    EXPECT_EQ(fx.ui.shown.back().text, "standard.ses is not a valid session file for this version");
    EXPECT_EQ(ReadBytes(fx.dir / "standard.ses"), damaged);

    // A valid backup replaces it silently; the damaged file is kept aside.
    WriteBytes(fx.dir / "standard.ses.backup", SessionFileBytes(good));
    const size_t messages = fx.ui.shown.size();
    r = fx.Named("STANDARD.ses");
    std::filesystem::rename(fx.dir / "standard.ses", fx.dir / "STANDARD.ses");
    ASSERT_TRUE(fx.Load(r));
    EXPECT_EQ(fx.ui.shown.size(), messages);
    EXPECT_EQ(r.Number(field::Port), 992u);
    EXPECT_EQ(ReadBytes(fx.dir / "STANDARD.ses.damaged"), damaged);

    // Damaged again: the first copy stays, the second goes beside it, whole.
    const std::vector<uint8_t> again(kSessionFileSize + 1000, 'y');
    WriteBytes(fx.dir / "STANDARD.ses", again);
    ASSERT_TRUE(fx.Load(r));
    EXPECT_EQ(ReadBytes(fx.dir / "STANDARD.ses.damaged"), damaged);
    EXPECT_EQ(ReadBytes(fx.dir / "STANDARD.ses.damaged.2"), again);
}

TEST(SessionFile, BackupIsMadeOnlyFromACompleteStandardFile) {
    Fixture fx;
    const auto good = SessionFileBytes(DefaultSessionRecord());
    WriteBytes(fx.dir / "standard.ses.backup", good);
    EXPECT_EQ(BackupStandardSession(fx.folders), BackupResult::Missing);

    std::vector<uint8_t> truncated(good.begin(), good.begin() + 3000);  // still loads, as an older file
    WriteBytes(fx.dir / "standard.ses", truncated);
    SessionRecord r = fx.Named("standard.ses");
    EXPECT_TRUE(fx.Load(r));
    EXPECT_EQ(BackupStandardSession(fx.folders), BackupResult::NotComplete);
    WriteBytes(fx.dir / "standard.ses", std::vector<uint8_t>(7012, 'x'));
    EXPECT_EQ(BackupStandardSession(fx.folders), BackupResult::NotComplete);
    EXPECT_EQ(ReadBytes(fx.dir / "standard.ses.backup"), good);

    SessionRecord changed = DefaultSessionRecord();
    changed.SetNumber(field::Port, 1023);
    WriteBytes(fx.dir / "standard.ses", SessionFileBytes(changed));
    EXPECT_EQ(BackupStandardSession(fx.folders), BackupResult::Copied);
    EXPECT_EQ(ReadBytes(fx.dir / "standard.ses.backup"), SessionFileBytes(changed));
}

TEST(SessionFile, HostListEntryMergesUnlessGivenOnTheCommandLine) {
    Fixture fx;
    test::WriteText(fx.folders.settings_file,
                    "[Orkan]\nHostnames=prod,\nIPnames=p.example,\nPortnums=992,\nTN3270E=0,\nSSL=6,\n"
                    "Lunames=LU1,\nCA_Certs=ca.pem,\nValidate_Host_Cert=1,\n");
    SessionRecord saved = DefaultSessionRecord();
    ASSERT_TRUE(saved.SetText(field::HostName, "prod"));
    WriteBytes(fx.dir / "p.ses", SessionFileBytes(saved));

    SessionRecord r = fx.Named("p.ses");
    ASSERT_TRUE(fx.Load(r));
    EXPECT_EQ(r.Number(field::Port), 992u);
    EXPECT_EQ(r.Number(field::Tn3270e), 0u);
    EXPECT_EQ(r.Number(field::TlsChoice), tls_choice::Highest);
    EXPECT_EQ(r.Text(field::LuName), "LU1");
    EXPECT_EQ(fx.state.security.ca_file, "ca.pem");
    EXPECT_TRUE(fx.state.security.validate_host_cert);

    fx.state.given = {true, false, false, true};
    r = fx.Named("p.ses");
    ASSERT_TRUE(fx.Load(r));
    EXPECT_EQ(r.Number(field::Port), 23u);
    EXPECT_EQ(r.Text(field::LuName), "");
    EXPECT_EQ(r.Number(field::Tn3270e), 0u);
}

TEST(SessionFile, SaveErrorIsReportedAndTheOldFileKept) {
    Fixture fx;
    SessionRecord r = DefaultSessionRecord();
    ASSERT_TRUE(r.SetText(field::SessionFile, "blocked.ses"));
    std::filesystem::create_directory(fx.dir / "blocked.ses");  // a folder where the file should be
    EXPECT_FALSE(fx.Save(r));
    EXPECT_EQ(fx.ui.shown.back().title, "File Save Error");
    EXPECT_EQ(fx.ui.shown.back().text.rfind("Error ", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(fx.dir / "blocked.ses"));
    // The failed save did not count as saved: the next automatic save tries again.
    EXPECT_FALSE(fx.Save(r, SaveMode::Auto));

    // A file the user made read-only is not replaced behind the protection's back.
    ASSERT_TRUE(r.SetText(field::SessionFile, "kept.ses"));
    const std::vector<uint8_t> old_bytes = SessionFileBytes(DefaultSessionRecord());
    WriteBytes(fx.dir / "kept.ses", old_bytes);
    std::filesystem::permissions(fx.dir / "kept.ses", std::filesystem::perms::owner_read);
    ASSERT_TRUE(r.SetText(field::HostName, "elsewhere"));
    EXPECT_FALSE(fx.Save(r));
    EXPECT_EQ(fx.ui.shown.back().text.rfind("Error 13 ", 0), 0u) << fx.ui.shown.back().text;
    EXPECT_EQ(ReadBytes(fx.dir / "kept.ses"), old_bytes);
}

TEST(SessionFile, StartupFallsBackToStandard) {
    Fixture fx;
    WriteBytes(fx.dir / "standard.ses", SessionFileBytes(DefaultSessionRecord()));
    SessionRecord r;
    ASSERT_TRUE(LoadStartupSession(fx.ctx(), "Standard.ses", r, fx.state));  // another file here
    EXPECT_EQ(r.Text(field::SessionFile), "standard.ses");
    EXPECT_FALSE(LoadStartupSession(fx.ctx(), "gone.ses", r, fx.state, false));
    std::filesystem::remove(fx.dir / "standard.ses");
    fx.ui.shown.clear();
    EXPECT_FALSE(LoadStartupSession(fx.ctx(), "standard.ses", r, fx.state));
    EXPECT_EQ(fx.ui.shown.size(), 1u);  // tried once, not twice
}

// The session file is read by offset: every field must stay inside the block and no two may share
// a byte, or one setting would silently overwrite another.
TEST(SessionRecordLayout, FieldsStayInsideTheBlockAndNeverOverlap) {
    std::vector<int> owner(kSessionRecordSize, -1);
    const auto fields = AllSessionFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = *fields[i];
        ASSERT_LE(size_t(f.offset) + f.size, kSessionRecordSize) << "field at " << f.offset;
        for (size_t b = f.offset; b < size_t(f.offset) + f.size; ++b) {
            EXPECT_EQ(owner[b], -1) << "fields at " << f.offset << " and " << fields[owner[b]]->offset
                                    << " share byte " << b;
            owner[b] = int(i);
        }
    }
}

}  // namespace
}  // namespace orkan
