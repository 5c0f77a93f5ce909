// The host list is the user's address book: it must come back exactly as stored, and a list that
// was not read whole must never be written back over the whole one.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "config/atomic_file.h"
#include "config/host_list.h"
#include "config/settings_file.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

const std::string kTwoHosts =
    test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/tests/config/data/two_hosts.ini");

TEST(HostList, ReadsTheParallelListsAndWritesBackWhatWasRead) {
    test::RecordingUi ui;
    const HostList parsed = LoadHostList(ProfileText::Parse(kTwoHosts), ui);
    ASSERT_EQ(parsed.entries.size(), 2u);
    const HostEntry& prod = parsed.entries[0];
    EXPECT_EQ(prod.ip_name, "prod.example.com");
    EXPECT_EQ(prod.port, 992);
    EXPECT_TRUE(prod.tn3270e);
    EXPECT_EQ(prod.tls, tls_choice::V1_2);
    EXPECT_EQ(prod.lu_name, "LUPROD01");
    EXPECT_EQ(prod.keep_alive, 60);
    EXPECT_EQ(prod.security.ca_file, "ca.pem");
    EXPECT_TRUE(prod.security.validate_host_cert);
    const HostEntry& t = parsed.entries[1];
    EXPECT_EQ(t.tls, tls_choice::ListCode2);  // code 2 is kept as 12
    EXPECT_EQ(t.keep_alive, -1);              // missing: the program setting applies
    EXPECT_FALSE(parsed.incomplete);
    EXPECT_TRUE(ui.shown.empty());
    // Every SSL code of the stored list both ways: a wrong pair changes a host's TLS at the next save.
    const std::pair<int, uint8_t> codes[] = {{0, 0}, {1, 11}, {2, 12}, {3, 2}, {4, 3}, {5, 4}, {6, 1}};
    for (auto [code, choice] : codes) {
        EXPECT_EQ(TlsChoiceFromListCode(code), choice) << code;
        EXPECT_EQ(ListCodeFromTlsChoice(choice), code) << code;
    }
    EXPECT_EQ(TlsChoiceFromListCode(9), tls_choice::Highest);  // damage never turns TLS off

    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    test::WriteText(ini, "; mine\n" + kTwoHosts + "[UserVariables]\nX=1\n");
    HostList list = LoadHostList(ini, ui);
    list.entries.erase(list.entries.begin());  // deleting one keeps keep-alive times with their hosts
    ASSERT_EQ(SaveHostList(ini, list, ui), 0);
    const ProfileText p = LoadProfile(ini).text;
    EXPECT_EQ(p.Get("Orkan", "Hostnames"), "test,");
    EXPECT_EQ(p.Get("Orkan", "SSL"), "2,");
    EXPECT_EQ(p.Get("Orkan", "KeepAliveTimes"), "-1,");
    EXPECT_EQ(p.Get("UserVariables", "X"), "1");
    EXPECT_EQ(test::ReadText(ini).substr(0, 7), "; mine\n");
    EXPECT_EQ(LoadHostList(ini, ui).entries, list.entries);
}

TEST(HostList, ACutListIsNeverWrittenBack) {
    std::string names, ports;
    for (int i = 0; i < 1005; ++i) {
        names += "h" + std::to_string(i) + ",";
        ports += "23,";
    }
    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    const std::string original = "[Orkan]\nHostnames=" + names + "\nPortnums=" + ports + "\n";
    test::WriteText(ini, original);
    test::RecordingUi ui;
    HostList list = LoadHostList(ini, ui);
    EXPECT_EQ(list.entries.size(), kMaxHosts);
    EXPECT_TRUE(list.incomplete);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, "Error loading host names");
    EXPECT_EQ(ui.shown[0].text, "Maximum number of hostnames was reached (1000)");
    EXPECT_NE(SaveHostList(ini, list, ui), 0);
    EXPECT_EQ(test::ReadText(ini), original);

    // A list line the reader had to skip also keeps the list from being written.
    test::WriteText(ini, std::string("[Orkan]\nHostnames=a,\n") + std::string("IPnames=\0bad\n", 13));
    list = LoadHostList(ini, ui);
    EXPECT_TRUE(list.incomplete);
    EXPECT_NE(SaveHostList(ini, list, ui), 0);
}

// A host added now checks its certificate and that it names the host; the stored entries keep
// what they hold, an entry of an older list without the elements included (it did not check), and
// so does a written-back list.
TEST(HostList, NewHostsCheckCertificatesStoredOnesKeepTheirSetting) {
    test::RecordingUi ui;
    HostList list =
        LoadHostList(ProfileText::Parse("[Orkan]\nHostnames=old,checked,plain,\n"
                                        "Validate_Host_Cert=,1,0,\nDomain_Must_Match_Host=,0,1,\n"),
                     ui);
    const auto checks = [](const HostSecurity& s) {
        return std::pair(s.validate_host_cert, s.domain_must_match_host);
    };
    const std::pair<bool, bool> stored[] = {{false, false}, {true, false}, {false, true}};
    ASSERT_EQ(list.entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(checks(list.entries[i].security), stored[i]) << i;
    EXPECT_EQ(checks(LoadHostList(ProfileText::Parse("[Orkan]\nHostnames=older,\n"), ui).entries[0].security),
              std::pair(false, false));

    const std::optional<size_t> added = AddHost(list, "new.example.com", 0, ui);
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(checks(list.entries[*added].security), std::pair(true, true));
    EXPECT_EQ(checks(HostSecurity{}), std::pair(true, true));  // a session whose host has no entry

    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    ASSERT_EQ(SaveHostList(ini, list, ui), 0);
    const HostList back = LoadHostList(ini, ui);
    ASSERT_EQ(back.entries.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(checks(back.entries[i].security), checks(list.entries[i].security)) << i;
    EXPECT_TRUE(ui.shown.empty());
}

// The connect dialog saves its edit onto the list as it is then: what another session saved while
// the dialog was open stays, and where both changed the same value, the dialog's edit wins.
TEST(HostList, AnEditGoesOntoTheListAsItIsNow) {
    test::RecordingUi ui;
    const auto load = [&](const std::string& lists) {
        return LoadHostList(ProfileText::Parse("[Orkan]\n" + lists), ui);
    };
    const HostEntry prod =
        load("Hostnames=prod,test,\nPortnums=992,23,\nValidate_Host_Cert=1,1,\n").entries[0];
    HostEntry port_3270 = prod, hosta;
    port_3270.port = 3270;
    hosta.name = hosta.ip_name = "hosta";
    const std::map<std::string, HostEntry> entries = {
        {"prod", prod}, {"prod:3270", port_3270}, {"hosta", hosta}};
    for (const test::TableRow& row : test::ReadTableRows("config/data/host_edits.tsv")) {
        SCOPED_TRACE(row.cells.at(0));
        HostList list = load(row.cells.at(1));
        const std::optional<HostEntry> as_read =
            row.cells.at(2) == "(none)" ? std::nullopt : std::optional(entries.at(row.cells[2]));
        const HostEntry& edited = entries.at(row.cells.at(3));
        const HostEntry& e = list.entries[MergeHostEdit(list, as_read, edited)];
        EXPECT_EQ(e.name, edited.name);
        EXPECT_EQ(e.port, std::stoi(row.cells.at(5)));
        EXPECT_EQ(e.security.validate_host_cert, row.cells.at(6) == "1");
        std::string names;
        for (const HostEntry& h : list.entries) names += h.name + ",";
        EXPECT_EQ(names, row.cells.at(4));
    }
}

// Another session saves the list while this one is about to: this one reads the list only once
// that save is done, so the host it added stays.
TEST(HostList, AnEditIsMergedOntoTheListUnderItsLock) {
    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    test::WriteText(ini, kTwoHosts);
    test::RecordingUi ui;
    const HostEntry prod = LoadHostList(ini, ui).entries[0];
    HostEntry edited = prod;
    edited.port = 3270;
    FileLock other;
    ASSERT_EQ(other.Acquire(ini), 0);
    std::optional<HostEntry> saved;
    std::thread save([&] { saved = SaveHostEdit(ini, prod, edited, ui); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string theirs = kTwoHosts;
    theirs.replace(theirs.find("prod,test"), 9, "prod,test,hostb");
    test::WriteText(ini, theirs);
    other = FileLock{};
    save.join();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->port, 3270);
    EXPECT_EQ(LoadProfile(ini).text.Get("Orkan", "Hostnames"), "prod,test,hostb,");
    EXPECT_EQ(LoadProfile(ini).text.Get("Orkan", "Portnums"), "3270,2023,23,");
    EXPECT_TRUE(ui.shown.empty());
}

TEST(HostList, AddHostChecksWhatFits) {
    test::RecordingUi ui;
    HostList list;
    EXPECT_EQ(AddHost(list, "  mainframe  ", 240, ui), 0u);
    EXPECT_EQ(list.entries[0].name, "mainframe");
    EXPECT_EQ(list.entries[0].keep_alive, 240);
    EXPECT_EQ(AddHost(list, "mainframe", 0, ui), 0u);  // found, not added twice
    EXPECT_FALSE(AddHost(list, std::string(65, 'h'), 0, ui));
    EXPECT_FALSE(AddHost(list, "a,b", 0, ui));
    EXPECT_FALSE(AddHost(list, "   ", 0, ui));
    EXPECT_EQ(ui.shown.back().title, "No Host Name");
    list.entries.resize(kMaxHosts);
    EXPECT_FALSE(AddHost(list, "one more", 0, ui));
    EXPECT_EQ(ui.shown.back().text, "Maximum number of host names has been reached (1000)");
}

TEST(HostList, LongElementsAreRefusedWhenCopiedIntoTheRecord) {
    test::RecordingUi ui;
    HostEntry e;
    e.name = "h";
    e.ip_name = std::string(99, 'i');  // the list allows it, the 65-byte field does not
    e.lu_name = std::string(21, 'L');  // the list allows 21, the record's field 19
    SessionRecord r;
    ASSERT_TRUE(r.SetText(field::HostName, "before"));
    EXPECT_FALSE(ApplyHostEntry(r, e, ui));
    EXPECT_EQ(r.Text(field::HostName), "before");  // nothing half applied
    e.ip_name = "ok";
    EXPECT_FALSE(MergeHostEntry(r, e, {}, ui));
    EXPECT_EQ(r.Text(field::LuName), "");
    EXPECT_NE(ui.shown.back().text.find("LU name"), std::string::npos);
}

}  // namespace
}  // namespace orkan
