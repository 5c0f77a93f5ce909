// The session dialog: the dynamic size limits with their messages, the new-session question, the
// host name that must be given, and the choice applied to the record, orkan.ini and the file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "session/session.h"
#include "config/profile_file.h"
#include "config/session_file.h"
#include "gui/connect_dialog.h"
#include "gui_fixture.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

const std::string kWidth = "Screen size must be 80 to 200 characters wide";
const std::string kHeight = "Screen size must be 24 to 200 lines high";
const std::string kPositions = "Width x Height cannot be more than 16383\n(3270 protocol is limited to 14 bit addressing)";

TEST(ConnectDialogTest, DynamicSizeLimits) {
    struct Case {
        bool columns;
        int typed, other, previous;
        int value;
        std::vector<std::pair<std::string, std::string>> messages;  // title, text
    };
    const Case cases[] = {
        {true, 132, 27, 80, 132, {}},
        {true, 79, 24, 100, 80, {{"Screen Width Error", kWidth}}},
        {true, 250, 24, 100, 200, {{"Screen Width Error", kWidth}}},
        {false, 20, 80, 30, 24, {{"Screen Height Error", kHeight}}},
        {false, 201, 80, 30, 200, {{"Screen Height Error", kHeight}}},
        {true, 127, 129, 120, 127, {}},  // 16383 cells: the last that 14 bits address
        {true, 128, 128, 120, 120, {{"Screen Size Error", kPositions}}},
        {true, 200, 82, 199, 199, {{"Screen Size Error", kPositions}}},
        {false, 300, 100, 150, 150, {{"Screen Height Error", kHeight}, {"Screen Size Error", kPositions}}},
    };
    for (const Case& c : cases) {
        const ScreenSizeCheck r =
            c.columns ? CheckUserColumns(c.typed, c.other, c.previous) : CheckUserRows(c.typed, c.other, c.previous);
        EXPECT_EQ(r.value, c.value) << c.typed << "x" << c.other;
        std::vector<std::pair<std::string, std::string>> shown;
        for (const MessageBox& m : r.messages) shown.emplace_back(m.title, m.text);
        EXPECT_EQ(shown, c.messages) << c.typed << "x" << c.other;
    }
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        folder = std::filesystem::temp_directory_path() / ("orkan-connect-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        session.folders.app_data = folder.string();
        session.folders.settings_file = (folder / "orkan.ini").string();
        session.record = DefaultSessionRecord();
        HostEntry prod;
        prod.name = "prod";
        prod.ip_name = "prod.example.com";
        prod.port = 992;
        prod.tls = tls_choice::V1_2;
        prod.lu_name = "LU01";
        hosts.entries.push_back(prod);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    test::RecordingUi ui;
    Session session{ui};
    std::filesystem::path folder;
    HostList hosts;
};

TEST_F(DialogTest, HostNameMustBeGivenAndANewFileIsAskedFor) {
    ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
    d.HostBox()->setEditText("  ");
    d.SessionFileBox()->setEditText("prod");
    EXPECT_FALSE(d.Confirm(true));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, "No Host Name");
    EXPECT_EQ(ui.shown[0].text, "You need to type a host name or IP address before attempting to connect");

    // A session file not listed: Cancel stays in the dialog, No goes on without a desktop entry.
    d.HostBox()->setEditText("test.example.com");
    d.SessionFileBox()->setEditText("newone");
    ui.answers = {Answer::Cancel};
    EXPECT_FALSE(d.Confirm(true));
    EXPECT_EQ(ui.shown.back().title, "New Session File");
    EXPECT_EQ(ui.shown.back().text,
              "Session file newone.ses does not exist but will be created.\n\nDo you want to add an icon for this session?\n");
    EXPECT_EQ(ui.shown.back().buttons, Buttons::YesNoCancel);
    ui.answers = {Answer::No};
    ASSERT_TRUE(d.Confirm(false));
    EXPECT_EQ(d.Choice().session_file, "newone.ses");
    EXPECT_FALSE(d.Choice().connect);
    EXPECT_FALSE(d.Choice().create_shortcut);
    ASSERT_EQ(d.Choice().hosts.entries.size(), 2u);
    EXPECT_EQ(d.Choice().hosts.entries[d.Choice().host_index].ip_name, "test.example.com");
}

TEST_F(DialogTest, ChoosingAListedHostAndADynamicSizeReachesTheSession) {
    ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
    d.HostBox()->setEditText("prod");
    d.HostBox()->activated(0);
    d.SessionFileBox()->setEditText("prod.ses");
    d.ModelBox()->setCurrentIndex(4);
    d.ColumnsEdit()->setText("160");
    d.RowsEdit()->setText("62");
    ASSERT_TRUE(d.Confirm(true));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(d.Choice().user_columns, 160);
    EXPECT_EQ(d.Choice().user_rows, 62);

    SessionFileState state;
    ASSERT_TRUE(ApplyConnectChoice(session, state, d.Choice()));
    EXPECT_EQ(session.record.Text(field::HostName), "prod");
    EXPECT_EQ(session.record.Text(field::IpName), "prod.example.com");
    EXPECT_EQ(session.record.Number(field::Port), 992u);
    EXPECT_EQ(session.record.Number(field::TlsChoice), tls_choice::V1_2);
    EXPECT_EQ(session.record.Text(field::LuName), "LU01");
    EXPECT_EQ(session.record.Number(field::TerminalModel), 4u);
    EXPECT_EQ(session.record.Number(field::UserScreenWidth), 160u);
    EXPECT_TRUE(std::filesystem::exists(folder / "prod.ses"));
    std::ifstream in(session.folders.settings_file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const ProfileText ini = ProfileText::Parse(bytes);
    EXPECT_EQ(ini.Get("Orkan", "LastSession"), "prod.ses");
    EXPECT_EQ(ini.Get("Orkan", "Hostnames"), "prod,");
}

}  // namespace
}  // namespace orkan
