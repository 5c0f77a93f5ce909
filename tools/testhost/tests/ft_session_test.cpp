// Whole transfers through the READY screen, with the test playing the terminal byte by byte:
// DFT and screen frames, both directions, the checks on what the terminal answers, errors
// before any data, the list screens and the transfer faults.
#include <cstring>
#include <deque>

#include "ds.h"
#include "ft_dft_codec.h"
#include "ft_shell.h"
#include "ft_terminal.h"
#include "helpers.h"

namespace testhost::ft {
namespace {

using terminal::TerminalDecode;
using terminal::TerminalEncode;
using terminal::UploadReply;
using testhost::test::Cp037;
using testhost::test::E;
using testhost::test::H;
using testhost::test::ToHex;

Bytes Ascii(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

// The terminal's answers, as a transfer client builds them.
Bytes QueryReply(std::optional<int> ddm_limit) {
    Bytes r = H("88 00 06 81 81 01 00");
    if (ddm_limit) {
        const Bytes l = {static_cast<uint8_t>(*ddm_limit >> 8), static_cast<uint8_t>(*ddm_limit)};
        r.insert(r.end(), {0x00, 0x0C, 0x81, 0x95, 0x00, 0x00, l[0], l[1], l[0], l[1], 0x01, 0x01});
    }
    return r;
}
const Bytes kOpenAck = H("88 00 05 d0 00 09");
const Bytes kCloseAck = H("88 00 05 d0 41 09");
Bytes InsertAck(uint32_t record) {
    Bytes r = H("88 00 0b d0 47 05 63 06");
    const Bytes n = Be32(record);
    r.insert(r.end(), n.begin(), n.end());
    return r;
}
Bytes GetReply(uint32_t record, const Bytes& data) {
    const size_t n = data.size();
    Bytes r = {
        0x88, static_cast<uint8_t>((n + 16) >> 8), static_cast<uint8_t>(n + 16), 0xD0, 0x46, 0x05, 0x63,
        0x06};
    const Bytes rn = Be32(record);
    r.insert(r.end(), rn.begin(), rn.end());
    r.insert(r.end(), {0xC0, 0x80, 0x61, static_cast<uint8_t>((n + 5) >> 8), static_cast<uint8_t>(n + 5)});
    r.insert(r.end(), data.begin(), data.end());
    return r;
}
const Bytes kGetEof = H("88 00 09 d0 46 08 69 04 22 00");
const Bytes kFrameAck = H("7d 5d 7b 11 5d 7b");

const Bytes kQuery = H("f3 00 05 01 ff 02");
const Bytes kOpenDownload = WsfRecord({&static_cast<const Bytes&>(OpenField(OpenKind::DownloadData))});

class Session {
  public:
    explicit Session(Personality p, std::optional<TransferConfig> config = std::nullopt) : store(p, Cp037()) {
        cfg = config.value_or(TransferConfig{});
        cfg.personality = p;
        ShellIo io;
        io.send = [this](const Bytes& b, const std::string&, size_t) { sent.push_back(b); };
        io.log = [this](const std::string& tag, const std::string& text) { log += tag + " " + text + "\n"; };
        io.disconnect = [this](const std::string& reason) { closed = reason; };
        shell = std::make_unique<Shell>(cfg, store, Cp037(), std::move(io), true, 10);
    }
    void AddFile(const std::string& name, char recfm, int lrecl, std::initializer_list<const char*> records) {
        HostFile f;
        f.recfm = recfm;
        f.lrecl = lrecl;
        for (const char* r : records) {
            Bytes b = E(Cp037(), r);
            if (recfm == 'F') b.resize(static_cast<size_t>(lrecl), 0x40);
            f.Add(b.data(), b.size());
        }
        std::string error;
        ASSERT_TRUE(store.Store(name, "", f, error)) << error;
    }
    void Start() {
        shell->Start(now);
        Take();
    }
    void Send(const Bytes& record) { shell->OnRecord(record, now); }
    void Enter(const std::string& command) {
        Bytes r = {0x7D, 0x5A, 0x50, 0x11, 0x5A, 0x50};  // cursor and field at row 22 column 1
        const Bytes text = E(Cp037(), command);
        r.insert(r.end(), text.begin(), text.end());
        Send(r);
    }
    Bytes Take() {
        if (sent.empty()) {
            ADD_FAILURE() << "the host sent nothing; log:\n" << log;
            return {};
        }
        Bytes b = sent.front();
        sent.pop_front();
        return b;
    }
    // Up to the terminal's Open acknowledged: the command typed at READY, the Query answered with
    // this limit, the host's first request after the Open taken.
    void Opened(const std::string& command, std::optional<int> ddm_limit) {
        Start();
        Enter(command);
        Take();
        Send(QueryReply(ddm_limit));
        Take();
        Send(kOpenAck);
        Take();
    }
    bool ScreenShows(const std::string& text) const {
        for (const auto& l : shell->lines())
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    // The message sequence of DFT: Open FT:MSG, the message, an unanswered Close.
    std::string DftMessage(uint32_t ack_record) {
        EXPECT_EQ(ToHex(Take()),
                  ToHex(WsfRecord({&static_cast<const Bytes&>(OpenField(OpenKind::Message))})));
        Send(kOpenAck);
        const Bytes insert = Take();
        EXPECT_EQ(ToHex(Bytes(insert.begin(), insert.begin() + 16)),
                  "f3 00 0f d0 47 11 01 05 00 06 00 09 05 01 03 00");
        std::string text(insert.begin() + 26, insert.end());
        Send(InsertAck(ack_record));
        EXPECT_EQ(ToHex(Take()), "f3 00 05 d0 41 12");
        EXPECT_EQ(Take()[0], 0xF5) << "the READY screen follows at once";
        return text;
    }

    TransferConfig cfg;
    FileStore store;
    std::unique_ptr<Shell> shell;
    std::deque<Bytes> sent;
    std::string log, closed;
    double now = 0;
};

TEST(DftTransfer, DownloadInBlocksOfTheTerminalsLimit) {
    // Terminals count the closing message as record 1 or go on from the data blocks.
    for (const uint32_t message_record : {1u, 5u}) {  // four data blocks
        Session s(Personality::Tso);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO", "", "[X]"});
        s.Start();
        s.Enter("ind$file get hello ascii crlf");
        ASSERT_EQ(ToHex(s.Take()), ToHex(kQuery));
        s.Send(QueryReply(27 + 4));  // four data bytes per block
        EXPECT_EQ(ToHex(s.Take()), ToHex(kOpenDownload));
        s.Send(kOpenAck);
        Bytes got;
        for (uint32_t n = 1;; ++n) {
            const Bytes r = s.Take();
            if (r == H("f3 00 05 d0 41 12")) break;
            ASSERT_EQ(ToHex(Bytes(r.begin(), r.begin() + 16)),
                      "f3 00 0f d0 47 11 01 05 00 06 00 09 05 01 03 00");
            ASSERT_EQ(ToHex(Bytes(r.begin() + 18, r.begin() + 24)), "d0 47 04 c0 80 61");
            ASSERT_LE(r.size() - 26, 4u);
            got.insert(got.end(), r.begin() + 26, r.end());
            s.Send(InsertAck(n));
        }
        s.Send(kCloseAck);
        EXPECT_EQ(s.DftMessage(message_record), "TRANS03 - File transfer complete$");
        EXPECT_EQ(ToHex(got),
                  ToHex(Bytes{'H', 'E', 'L', 'L', 'O', 0x0D, 0x0A, 0x0D, 0x0A, 0xE2, 'X', 0xE3, 0x0D, 0x0A}));
        EXPECT_TRUE(s.ScreenShows("TRANS03 - File transfer complete"));
        EXPECT_TRUE(s.ScreenShows("READY"));
        // Some terminals answer the last Close after all: nothing follows.
        s.Send(kCloseAck);
        EXPECT_TRUE(s.sent.empty());
    }
}

TEST(DftTransfer, UploadStoresTheRecords) {
    Session s(Personality::Cms);
    s.Start();
    s.Enter("IND$FILE PUT NEW DATA A ( ASCII CRLF  )");
    ASSERT_EQ(ToHex(s.Take()), ToHex(kQuery));
    s.Send(QueryReply(2500 + 27));
    EXPECT_EQ(ToHex(s.Take()),
              ToHex(WsfRecord({&static_cast<const Bytes&>(OpenField(OpenKind::UploadData))})));
    s.Send(kOpenAck);
    EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 46 11");
    s.Send(GetReply(1, Ascii("ONE\r\nT")));
    EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 46 11");
    s.Send(GetReply(2, Ascii("WO\r\n")));
    EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 46 11");
    s.Send(kGetEof);
    EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 41 12");
    s.Send(kCloseAck);
    EXPECT_EQ(s.DftMessage(3), "TRANS03 - File transfer complete$");
    const DataSet* ds = s.store.Find("NEW DATA A1");
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ToHex(ds->file.data), ToHex(E(Cp037(), "ONETWO")));
    EXPECT_EQ(ds->file.records(), 2u);
    EXPECT_EQ(ds->file.lrecl, 3);
}

// After the terminal breaks the protocol, the host closes the data, says why and keeps nothing.
TEST(DftTransfer, TerminalFaultsEndWithTheReason) {
    struct Case {
        const char* name;
        const char* command;
        size_t own_limit;
        std::vector<Bytes> replies;  // after the Open acknowledgement
        const char* message;
    };
    const Case cases[] = {
        {"insert_ack_wrong_record",
         "IND$FILE GET HELLO",
         32767,
         {InsertAck(5)},
         "TRANS16 - Acknowledged record 5, expected 1$"},
        {"insert_refused",
         "IND$FILE GET HELLO",
         32767,
         {H("88 00 09 d0 47 08 69 04 47 00")},
         "TRANS13 - Transfer canceled by the terminal: Insert refused, code 4700$"},
        {"get_wrong_record",
         "IND$FILE PUT NEW",
         32767,
         {GetReply(2, Ascii("X"))},
         "TRANS16 - Record number 2, expected 1$"},
        {"get_over_the_terminals_limit",
         "IND$FILE PUT NEW",
         32767,
         {GetReply(1, Bytes(200, 'X'))},
         "TRANS16 - Block of 217 bytes exceeds the terminal's own limit of 127$"},
        {"get_over_the_hosts_limit",
         "IND$FILE PUT NEW",
         64,
         {GetReply(1, Bytes(50, 'X'))},
         "TRANS16 - Block of 67 bytes exceeds the host's limit of 64$"},
        {"open_ack_instead_of_data",
         "IND$FILE PUT NEW",
         32767,
         {kOpenAck},
         "TRANS16 - Open acknowledged while waiting for data$"},
        {"malformed_reply",
         "IND$FILE PUT NEW",
         32767,
         {H("88 00 04 d0 46")},
         "TRANS16 - Bad reply: reply of 5 bytes is too short$"},
    };
    for (const auto& c : cases) {
        TransferConfig config;
        config.own_limit = c.own_limit;
        Session s(Personality::Tso, config);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO"});
        s.Opened(c.command, 127);
        for (const Bytes& r : c.replies) s.Send(r);
        EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 41 12") << c.name << "\n" << s.log;
        s.Send(kCloseAck);
        EXPECT_EQ(s.DftMessage(1), c.message) << c.name;
        EXPECT_EQ(s.store.Find("ORKUSER.NEW"), nullptr) << c.name;
    }
}

// A terminal cancels a download by refusing the next Insert; the message that follows is
// acknowledged as the record after the ones it took.
TEST(DftTransfer, ACancelPartWayIsTheTerminalsCancel) {
    Session s(Personality::Tso);
    s.AddFile("ORKUSER.HELLO", 'V', 255, {std::string(150, 'A').c_str(), std::string(150, 'B').c_str()});
    s.Opened("IND$FILE GET HELLO", 127);
    s.Send(InsertAck(1));
    s.Take();
    s.Send(H("88 00 09 d0 47 08 69 04 47 00"));
    EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 41 12");
    s.Send(kCloseAck);
    EXPECT_EQ(s.DftMessage(2), "TRANS13 - Transfer canceled by the terminal: Insert refused, code 4700$");
    EXPECT_TRUE(s.ScreenShows("TRANS13 - Transfer canceled by the terminal"));
}

TEST(DftTransfer, RefusedBeforeAnyData) {
    struct Case {
        Personality p;
        const char* command;
        const char* message;
    };
    const Case cases[] = {
        {Personality::Tso, "IND$FILE GET HELLO BOGUS", "TRANS17 - Invalid option: BOGUS$"},
        {Personality::Tso, "IND$FILE GET NOTHERE", "TRANS14 - Data set not found: 'ORKUSER.NOTHERE'$"},
        {Personality::Tso, "IND$FILE GET HELLO(MEM)", "TRANS19 - 'ORKUSER.HELLO' is not partitioned$"},
        {Personality::Tso, "IND$FILE PUT 'NO.PDS(MEM)'", "TRANS14 - Data set not found: 'NO.PDS'$"},
        {Personality::Cms, "IND$FILE GET NO FILE A (", "TRANS14 - File not found: NO FILE A$"},
        {Personality::Cics, "IND$FILE GET NOQ (ASCII CRLF", "TRANS14 - Queue not found: NOQ$"},
        // Terminals end a message at '$': a name holding one stays on the READY screen only.
        {Personality::Tso, "IND$FILE GET $NO.DATA", "TRANS14 - Data set not found$"},
        {Personality::Cms, "IND$FILE GET A B A ( $X", "TRANS17 - Invalid option$"},
    };
    for (const auto& c : cases) {
        Session s(c.p);
        s.AddFile(c.p == Personality::Tso ? "ORKUSER.HELLO" : "HELLO", 'V', 255, {"HELLO"});
        s.Start();
        s.Enter(c.command);
        s.Take();
        s.Send(QueryReply(127));
        EXPECT_EQ(s.DftMessage(1), c.message) << c.command;
        EXPECT_TRUE(s.ScreenShows(std::string(c.message).substr(0, std::strlen(c.message) - 1))) << c.command;
    }
}

TEST(FrameTransfer, DownloadDecodesToTheFile) {
    Session s(Personality::Tso);
    std::string longline(300, ' ');
    longline[0] = 'A';
    s.AddFile("ORKUSER.HELLO", 'V', 400, {"HELLO", longline.c_str(), "[X]"});
    s.Start();
    s.Enter("IND$FILE GET HELLO ASCII CRLF");
    s.Take();
    s.Send(QueryReply(std::nullopt));
    EXPECT_EQ(ToHex(s.Take()), ToHex(FrameStartScreen()));
    s.Send(H("7d d9 c5"));
    EXPECT_EQ(ToHex(s.Take()), ToHex(FrameStart()));
    s.Send(kFrameAck);
    Bytes got;
    for (;;) {
        const Bytes r = s.Take();
        ASSERT_GE(r.size(), 13u);
        ASSERT_EQ(ToHex(Bytes(r.begin() + 2, r.begin() + 8)), "11 5d 7f 11 40 40");
        if (r[8] == 0xC3) {
            ASSERT_EQ(ToHex(Bytes(r.begin() + 8, r.begin() + 12)), "c3 81 81 94");
            const auto end = std::find(r.begin() + 12, r.end(), 0x5B);
            EXPECT_EQ(Cp037().ToUtf8(&r[12], static_cast<size_t>(end - (r.begin() + 12))),
                      "TRANS03 - File transfer complete");
            break;
        }
        ASSERT_EQ(r[8], 0xC1);
        const Bytes data = TerminalDecode(Bytes(r.begin() + 13, r.end()));
        got.insert(got.end(), data.begin(), data.end());
        s.Send(kFrameAck);
    }
    s.Send(kFrameAck);
    EXPECT_EQ(s.Take()[0], 0xF5);
    EXPECT_EQ(std::string(got.begin(), got.end()),
              "HELLO\r\nA" + std::string(299, ' ') + "\r\n\xE2X\xE3\r\n");
    EXPECT_NE(s.log.find("screen frames"), std::string::npos);
}

TEST(FrameTransfer, UploadAndEndOfFile) {
    TransferConfig config;
    config.mode = WireMode::Frames;  // no Query at all
    Session s(Personality::Cics, config);
    s.Start();
    s.Enter("IND$FILE PUT NEWQ (BINARY  )");
    EXPECT_EQ(ToHex(s.Take()), ToHex(FrameStartScreen()));
    s.Send(H("7d d9 c5"));
    s.Take();
    s.Send(kFrameAck);
    const FrameAlphabet a = MakeFrameAlphabet(Cp037());
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int block = 0; block < 2; ++block) {
        const Bytes r = s.Take();
        ASSERT_EQ(r[8], 0xC2);
        s.Send(UploadReply(r[12], TerminalEncode(all), a));
    }
    const Bytes last = s.Take();
    s.Send(Bytes{0x7D, 0x40, 0xC4, 0x11, 0x40, 0xC2, 0xC1, last[12], 0xE5, 0x81, 0x83, 0x5C, 0xA9});
    const Bytes end = s.Take();
    ASSERT_EQ(end[8], 0xC3);
    s.Send(kFrameAck);
    EXPECT_EQ(s.Take()[0], 0xF5);
    const DataSet* ds = s.store.Find("NEWQ");
    ASSERT_NE(ds, nullptr) << s.log;
    Bytes twice = all;
    twice.insert(twice.end(), all.begin(), all.end());
    EXPECT_EQ(ToHex(ds->file.data), ToHex(twice));
}

TEST(FrameTransfer, TerminalCancelAndBadBlocks) {
    struct Case {
        const char* name;
        const char* command;
        Bytes reply;  // to the first data frame or request
        const char* message;
    };
    const Case cases[] = {
        {"pa1_during_download", "IND$FILE GET HELLO", H("6c"),
         "TRANS13 - Transfer canceled by the terminal (PA1)"},
        {"no_ack_for_data", "IND$FILE GET HELLO", H("7d 5b 60"),
         "TRANS16 - Data frame 1 was not acknowledged"},
        {"bad_upload_block", "IND$FILE PUT NEW", H("7d 40 c4 11 40 c2 c1 00 81 81 81"),
         "TRANS16 - Bad upload block: sequence byte does not echo the request's"},
    };
    for (const auto& c : cases) {
        Session s(Personality::Tso);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO"});
        s.Start();
        s.Enter(c.command);
        s.Take();
        s.Send(QueryReply(std::nullopt));
        s.Take();
        s.Send(H("7d d9 c5"));
        s.Take();
        s.Send(kFrameAck);
        s.Take();
        s.Send(c.reply);
        const Bytes end = s.Take();
        ASSERT_EQ(end[8], 0xC3) << c.name;
        const auto stop = std::find(end.begin() + 12, end.end(), 0x5B);
        EXPECT_EQ(Cp037().ToUtf8(&end[12], static_cast<size_t>(stop - (end.begin() + 12))), c.message)
            << c.name;
        s.Send(kFrameAck);
        EXPECT_TRUE(s.ScreenShows(c.message)) << c.name;
        EXPECT_EQ(s.store.Find("ORKUSER.NEW"), nullptr) << c.name;
    }
}

TEST(ShellScreens, ListsArePaged) {
    Session tso(Personality::Tso);
    for (int i = 0; i < 25; ++i) tso.AddFile("ORKUSER.D" + std::to_string(100 + i), 'F', 80, {});
    tso.AddFile("OTHER.DATA", 'F', 80, {});
    tso.Start();
    tso.Enter("listcat");
    tso.Take();
    ASSERT_EQ(tso.shell->lines().size(), 21u);
    EXPECT_EQ(tso.shell->lines().back(), " ***");
    EXPECT_TRUE(tso.ScreenShows("NONVSAM ------- ORKUSER.D100"));
    tso.Enter("");
    tso.Take();
    EXPECT_TRUE(tso.ScreenShows("NONVSAM ------- ORKUSER.D124"));
    EXPECT_FALSE(tso.ScreenShows("OTHER.DATA"));
    EXPECT_EQ(tso.shell->lines().back(), "READY");

    Session cms(Personality::Cms);
    for (int i = 0; i < 30; ++i) cms.AddFile("F" + std::to_string(10 + i) + " DATA A1", 'F', 80, {});
    cms.AddFile("$X@ EXEC B1", 'V', 80, {});
    cms.Start();
    EXPECT_EQ(cms.shell->status(), "RUNNING   ORKVM");
    cms.Enter("LISTFILE * * A");
    cms.Take();
    EXPECT_EQ(cms.shell->status(), "MORE...   ORKVM");
    EXPECT_EQ(cms.shell->lines().size(), 21u);
    cms.Send(H("6d"));  // Clear
    cms.Take();
    EXPECT_TRUE(cms.ScreenShows("F39      DATA     A1"));
    EXPECT_EQ(cms.shell->lines().back(), "Ready;");
    cms.Enter("L $X@ * *");
    cms.Take();
    EXPECT_TRUE(cms.ScreenShows("$X@      EXEC     B1"));
    cms.Enter("L NONE");
    cms.Take();
    EXPECT_TRUE(cms.ScreenShows("DMSLST002E File not found"));
    EXPECT_EQ(cms.shell->lines().back(), "Ready(00028);");
}

TEST(ShellScreens, MembersAndUnknownCommands) {
    Session s(Personality::Tso);
    HostFile attributes;
    attributes.recfm = 'F';
    attributes.blocked = true;
    attributes.lrecl = 80;
    attributes.blksize = 3120;
    s.store.AddPartitioned("ORKUSER.PDS", attributes);
    std::string error;
    ASSERT_TRUE(s.store.Store("ORKUSER.PDS", "#M1", attributes, error));
    s.Start();
    s.Enter("LISTDS PDS MEMBERS");
    s.Take();
    const std::vector<std::string> want = {"LISTDS PDS MEMBERS",
                                           "ORKUSER.PDS",
                                           "--RECFM-LRECL-BLKSIZE-DSORG",
                                           "  FB    80    3120    PO",
                                           "--VOLUMES--",
                                           "  ORK001",
                                           "--MEMBERS--",
                                           "  #M1",
                                           "READY"};
    const auto& lines = s.shell->lines();
    ASSERT_GE(lines.size(), want.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(want.size()), lines.end()),
              want);
    s.Enter("FOO BAR");
    s.Take();
    EXPECT_TRUE(s.ScreenShows("IKJ56500I COMMAND FOO NOT FOUND"));
    s.Enter("LOGOFF");
    EXPECT_EQ(s.closed, "the operator logged off");
}

TEST(TransferFaults, EachFaultAsDocumented) {
    {
        TransferConfig c;
        c.no_program = true;
        Session s(Personality::Tso, c);
        s.Start();
        s.Enter("IND$FILE GET HELLO");
        s.Take();
        EXPECT_TRUE(s.ScreenShows("IKJ56500I COMMAND IND$FILE NOT FOUND"));
    }
    {
        TransferConfig c;
        c.faults.stall_after = 0;
        Session s(Personality::Tso, c);
        s.Start();
        s.Enter("IND$FILE GET HELLO");
        EXPECT_TRUE(s.sent.empty()) << "no answer at all";
        s.now = 100;
        s.shell->OnTick(s.now);
        EXPECT_TRUE(s.sent.empty());
        s.Send(H("6d"));
        EXPECT_EQ(s.Take()[0], 0xF5) << "Clear brings the READY screen back";
    }
    {
        TransferConfig c;
        c.faults.stall_after = 1;
        Session s(Personality::Tso, c);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO", "WORLD"});
        s.Opened("IND$FILE GET HELLO", 27 + 4);
        s.Send(InsertAck(1));
        s.now = 100;
        s.shell->OnTick(s.now);
        EXPECT_TRUE(s.sent.empty()) << "silent after one block, however long";
        s.Send(H("6d"));
        EXPECT_EQ(s.Take()[0], 0xF5) << "the operator's Clear ends the transfer";
        EXPECT_TRUE(s.ScreenShows("READY"));
    }
    {
        TransferConfig c;
        c.faults.drop_after = 1;
        Session s(Personality::Tso, c);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO", "WORLD"});
        s.Opened("IND$FILE GET HELLO", 27 + 4);
        s.Send(InsertAck(1));
        EXPECT_EQ(s.closed, "fault: connection dropped during a transfer");
    }
    {
        TransferConfig c;
        c.faults.error_instead_of_data = true;
        Session s(Personality::Tso, c);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO"});
        s.Start();
        s.Enter("IND$FILE GET HELLO");
        s.Take();
        s.Send(QueryReply(127));
        EXPECT_EQ(s.DftMessage(1), "TRANS99 - Error message instead of data (injected fault)$");
    }
    for (const bool short_field : {true, false}) {
        TransferConfig c;
        c.faults.short_field = short_field;
        c.faults.oversize_field = !short_field;
        Session s(Personality::Tso, c);
        s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO"});
        s.Start();
        s.Enter("IND$FILE GET HELLO");
        s.Take();
        s.Send(QueryReply(127));
        s.Take();
        s.Send(kOpenAck);
        const Bytes fault = s.Take();
        if (short_field) {
            EXPECT_EQ(ToHex(Bytes(fault.begin() + 16, fault.end())), "00 07 d0 47 04 c0 80");
        } else {
            EXPECT_EQ(fault.size(), 16u + 10u + 100u + 27u + 1024u) << "the terminal's limit and more";
        }
        s.now = 3;  // no answer: the short wait for one runs out
        s.shell->OnTick(s.now);
        EXPECT_EQ(ToHex(s.Take()), "f3 00 05 d0 41 12");
        s.Send(kCloseAck);
        EXPECT_EQ(s.DftMessage(1), "TRANS99 - Transfer ended by an injected fault$");
    }
}

TEST(TransferFaults, SilentTerminalsTimeOut) {
    Session s(Personality::Tso);
    s.AddFile("ORKUSER.HELLO", 'V', 255, {"HELLO"});
    s.Start();
    s.Enter("IND$FILE GET HELLO");
    s.Take();
    s.now = 11;  // no Query Reply: screen frames
    s.shell->OnTick(s.now);
    EXPECT_EQ(ToHex(s.Take()), ToHex(FrameStartScreen()));
    s.now = 22;  // no answer to the start screen either
    s.shell->OnTick(s.now);
    EXPECT_EQ(s.Take()[0], 0xF5);
    EXPECT_TRUE(s.ScreenShows("TRANS16 - No reply from the terminal; transfer abandoned"));
    EXPECT_TRUE(s.ScreenShows("READY"));
}

}  // namespace
}  // namespace testhost::ft
