// The session dialog: the dynamic size limits with their messages, the new-session question, the
// host name that must be given, and the choice applied to the record, orkan.ini and the file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>

#include "config/profile_file.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "gui/connect_dialog.h"
#include "gui_fixture.h"
#include "session/session.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

const std::string kWidth = "Screen size must be 80 to 200 characters wide";
const std::string kHeight = "Screen size must be 24 to 200 lines high";
const std::string kPositions =
    "Width x Height cannot be more than 16383\n(3270 protocol is limited to 14 bit addressing)";

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
        {false, 300, 100, 150, 150, {{"Screen Height Error", kHeight}, {"Screen Size Error", kPositions}}},
    };
    for (const Case& c : cases) {
        const ScreenSizeCheck r = c.columns ? CheckUserColumns(c.typed, c.other, c.previous)
                                            : CheckUserRows(c.typed, c.other, c.previous);
        EXPECT_EQ(r.value, c.value) << c.typed << "x" << c.other;
        std::vector<std::pair<std::string, std::string>> shown;
        for (const MessageBox& m : r.messages) shown.emplace_back(m.title, m.text);
        EXPECT_EQ(shown, c.messages) << c.typed << "x" << c.other;
    }
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.folders.app_data = folder.path();
        session.folders.settings_file = folder / "orkan.ini";
        session.record = DefaultSessionRecord();
        hosts.entries.push_back({.name = "prod",
                                 .ip_name = "prod.example.com",
                                 .port = 992,
                                 .tls = tls_choice::V1_2,
                                 .lu_name = "LU01",
                                 .security = {}});
    }

    test::RecordingUi ui;
    Session session{ui};
    test::TempFolder folder;
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

    // A folder in a relative name is refused: nothing would find the file there.
    d.HostBox()->setEditText("test.example.com");
    d.SessionFileBox()->setEditText("../../elsewhere");
    EXPECT_FALSE(d.Confirm(true));
    EXPECT_EQ(
        ui.shown.back().text,
        "The session file name \"../../elsewhere\" names a folder. Session files are kept in the "
        "settings folder: give a name without a folder, or use File > Save Session As for another place.");

    // A session file not listed: Cancel stays in the dialog, No goes on without a desktop entry.
    d.SessionFileBox()->setEditText("newone");
    ui.answers = {Answer::Cancel};
    EXPECT_FALSE(d.Confirm(true));
    EXPECT_EQ(ui.shown.back().title, "New Session File");
    EXPECT_EQ(ui.shown.back().text,
              "Session file newone.ses does not exist but will be created.\n\nDo you want to add an icon for "
              "this session?\n");
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
    const QLabel* size_label = nullptr;
    for (const QLabel* l : d.findChildren<QLabel*>())
        if (l->text() == "Dynamic &size:") size_label = l;
    ASSERT_NE(size_label, nullptr);
    EXPECT_EQ(size_label->buddy(), d.ColumnsEdit());  // with a buddy "&" is a mnemonic, not shown

    // Another session saves a host while the dialog is open: it stays in the list.
    test::WriteText(session.folders.settings_file, "[Orkan]\nHostnames=hostb,\n");
    SessionFileState state;
    ASSERT_TRUE(ApplyConnectChoice(session, state, d.Choice()));
    EXPECT_EQ(session.record.Text(field::HostName), "prod");
    EXPECT_EQ(session.record.Text(field::IpName), "prod.example.com");
    EXPECT_EQ(session.record.Number(field::Port), 992u);
    EXPECT_EQ(session.record.Number(field::TlsChoice), tls_choice::V1_2);
    EXPECT_EQ(session.record.Text(field::LuName), "LU01");
    EXPECT_EQ(session.record.Number(field::TerminalModel), 4u);
    EXPECT_EQ(session.record.Number(field::UserScreenWidth), 160u);
    EXPECT_EQ(session.record.Number(field::UserScreenHeight), 62u);
    EXPECT_TRUE(std::filesystem::exists(folder / "prod.ses"));
    const ProfileText ini = ProfileText::Parse(test::ReadText(session.folders.settings_file));
    EXPECT_EQ(ini.Get("Orkan", "LastSession"), "prod.ses");
    EXPECT_EQ(ini.Get("Orkan", "Hostnames"), "hostb,prod,");
}

// The Port field is the one place of the port: a port typed with the host (or the address) moves
// there when the field is left, the port the dialog shows is the one the entry gets, and the
// dialog opened again shows what was connected.
TEST_F(DialogTest, ThePortFieldIsTheOnePlaceOfThePort) {
    HostEntry legacy;  // an older list: the port written into the name and the address
    legacy.name = legacy.ip_name = "old.example.com:2023";
    legacy.port = 23;
    hosts.entries.push_back(legacy);
    struct Case {
        const char* name;
        QString host, address;
        int port_typed_after;  // 0: none
        std::string entry_name, entry_address;
        int entry_port;
    };
    const Case cases[] = {
        {"host:port", "test.example.com:2023", "", 0, "test.example.com", "test.example.com", 2023},
        {"the Port field changed after the host", "test.example.com:1", "", 3270, "test.example.com",
         "test.example.com", 3270},
        {"an IPv6 address with its port", "[::1]:2323", "", 0, "[::1]", "[::1]", 2323},
        {"the port in the address", "mine", "10.1.1.1:992", 0, "mine", "10.1.1.1", 992},
        {"a listed host with another port", "prod:2023", "", 0, "prod", "prod.example.com", 2023},
        {"a listed entry that carries its port", "old.example.com:2023", "", 0, "old.example.com:2023",
         "old.example.com", 2023},
    };
    for (const Case& c : cases) {
        ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
        d.SessionFileBox()->setEditText("prod.ses");
        d.HostBox()->setEditText(c.host);
        d.HostEdited();
        d.AddressEdit()->setText(c.address.isEmpty() ? d.AddressEdit()->text() : c.address);
        d.AddressEdited();
        if (c.port_typed_after) d.PortBox()->setValue(c.port_typed_after);
        ASSERT_TRUE(d.Confirm(true)) << c.name;
        const HostEntry& e = d.Choice().hosts.entries[d.Choice().host_index];
        EXPECT_EQ(e.name, c.entry_name) << c.name;
        EXPECT_EQ(e.ip_name, c.entry_address) << c.name;
        EXPECT_EQ(e.port, c.entry_port) << c.name;

        // Applied and opened again: the same host and port.
        SessionFileState state;
        ASSERT_TRUE(ApplyConnectChoice(session, state, d.Choice())) << c.name;
        ConnectDialog again(ui, session.record, d.Choice().hosts, {"prod.ses"}, 240);
        EXPECT_EQ(again.HostBox()->currentText().toStdString(), c.entry_name) << c.name;
        EXPECT_EQ(again.PortBox()->value(), c.entry_port) << c.name;
    }
    EXPECT_TRUE(ui.shown.empty());

    // A port the connection cannot use is said, and the dialog stays.
    ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
    d.HostBox()->setEditText("test.example.com:99999");
    EXPECT_FALSE(d.Confirm(true));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("99999"), std::string::npos) << ui.shown[0].text;
}

TEST_F(DialogTest, TypingAHostNameCompletesNothingIntoIt) {
    HostEntry with_port;
    with_port.name = with_port.ip_name = "prodhost:992";
    hosts.entries.push_back(with_port);
    ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
    d.show();
    d.activateWindow();
    QLineEdit* edit = d.HostBox()->lineEdit();
    edit->clear();
    edit->setFocus();
    QApplication::processEvents();
    for (const QChar c : QString("prodh")) {
        QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(edit->text(), "prodh");
}

// A new host checks the host certificate until the user says otherwise; a listed one shows its own
// setting, and a host in use that is not listed shows the settings it connects with.
TEST_F(DialogTest, CertificateChecksOfNewListedAndUnlistedHosts) {
    hosts.entries[0].security.validate_host_cert = false;
    {
        ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
        d.HostBox()->setEditText("brand.new.example.com");
        d.HostEdited();
        EXPECT_TRUE(d.ValidateBox()->isChecked());
        d.HostBox()->setEditText("prod");
        d.HostEdited();
        EXPECT_FALSE(d.ValidateBox()->isChecked());
        d.ValidateBox()->setChecked(true);  // the checkbox decides for the entry
        d.SessionFileBox()->setEditText("prod.ses");
        ASSERT_TRUE(d.Confirm(true));
        EXPECT_TRUE(d.Choice().hosts.entries[d.Choice().host_index].security.validate_host_cert);
    }
    [[maybe_unused]] const bool set = session.record.SetText(field::HostName, "cmdline.example.com");
    HostSecurity in_use;
    in_use.validate_host_cert = false;
    ConnectDialog d(ui, session.record, hosts, {"prod.ses"}, 240);
    d.ShowUnlistedHostSecurity(in_use);
    EXPECT_FALSE(d.ValidateBox()->isChecked());
}

}  // namespace
}  // namespace orkan
