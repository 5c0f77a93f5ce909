// Whole transfers through the READY screen, with the test playing the terminal byte by byte: the
// transcripts of ft_sessions.txt (DFT and screen frames, both directions, the checks on what the
// terminal answers, errors before any data, the list screens and the transfer faults).
#include <deque>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>

#include "ft_shell.h"
#include "helpers.h"

namespace testhost::ft {
namespace {

using testhost::test::Cp037;
using testhost::test::E;
using testhost::test::H;
using testhost::test::Names;
using testhost::test::Records;
using testhost::test::ToHex;
using testhost::test::Wire;

struct Host {
    Host(Personality p, TransferConfig c) : cfg(std::move(c)), store(p, Cp037()) {
        cfg.personality = p;
        ShellIo io;
        io.send = [this](const Bytes& b, const std::string&, size_t) { sent.push_back(b); };
        io.log = [this](const std::string& tag, const std::string& text) { log += tag + " " + text + "\n"; };
        io.disconnect = [this](const std::string& reason) { closed = reason; };
        shell = std::make_unique<Shell>(cfg, store, Cp037(), std::move(io), true, 10);
    }
    bool Shows(const std::string& text) const {
        for (const auto& l : shell->lines())
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    TransferConfig cfg;
    FileStore store;
    std::unique_ptr<Shell> shell;
    std::deque<Bytes> sent;
    std::string log, closed;
    double now = 0;
    Names names;
};

TransferConfig ConfigOf(std::istringstream& words) {
    TransferConfig c;
    const std::map<std::string, std::function<void(int)>> settings = {
        {"own_limit", [&](int n) { c.own_limit = static_cast<size_t>(n); }},
        {"frames", [&](int) { c.mode = WireMode::Frames; }},
        {"no_program", [&](int) { c.no_program = true; }},
        {"stall_after", [&](int n) { c.faults.stall_after = n; }},
        {"drop_after", [&](int n) { c.faults.drop_after = n; }},
        {"error_instead_of_data", [&](int) { c.faults.error_instead_of_data = true; }},
        {"short_field", [&](int) { c.faults.short_field = true; }},
        {"oversize_field", [&](int) { c.faults.oversize_field = true; }}};
    for (std::string w; words >> w;) {
        const size_t eq = w.find('=');
        const auto setting = settings.find(w.substr(0, eq));
        if (setting == settings.end()) {
            ADD_FAILURE() << "unknown setting " << w;
            continue;
        }
        setting->second(eq == std::string::npos ? 0 : std::stoi(w.substr(eq + 1)));
    }
    return c;
}

// Records as BYTES between '|'.
std::vector<Bytes> RecordsOf(std::istringstream& words, const Names& names) {
    std::string text;
    std::getline(words, text);
    std::vector<Bytes> out;
    for (size_t at = 0, bar = 0; bar != std::string::npos && !text.empty(); at = bar + 1) {
        bar = text.find('|', at);
        out.push_back(Wire(text.substr(at, bar == std::string::npos ? bar : bar - at), names));
    }
    return out;
}

void Step(Host& h, const std::string& word, std::istringstream& words, const std::string& rest) {
    if (word == "let") {
        std::string name;
        words >> name;
        h.names[name] = rest.substr(name.size() + 1);
    } else if (word == "file") {
        std::string name, error;
        HostFile f;
        words >> std::quoted(name) >> f.recfm >> f.lrecl;
        for (Bytes r : RecordsOf(words, h.names)) {
            if (f.recfm == 'F') r.resize(static_cast<size_t>(f.lrecl), 0x40);
            f.Add(r.data(), r.size());
        }
        EXPECT_TRUE(h.store.Store(name, "", f, error)) << error;
    } else if (word == "pds") {
        std::string name, member, error;
        words >> name >> member;
        HostFile a;
        a.recfm = 'F';
        a.blocked = true;
        a.lrecl = 80;
        a.blksize = 3120;
        h.store.AddPartitioned(name, a);
        EXPECT_TRUE(h.store.Store(name, member, a, error)) << error;
    } else if (word == "start") {
        h.shell->Start(h.now);
    } else if (word == "enter") {
        Bytes r = H("7d 5a 50 11 5a 50");  // cursor and field at row 22 column 1
        const Bytes text = E(Cp037(), rest);
        r.insert(r.end(), text.begin(), text.end());
        h.shell->OnRecord(r, h.now);
    } else if (word == ">") {
        h.shell->OnRecord(Wire(rest, h.names), h.now);
    } else if (word == "<") {
        ASSERT_FALSE(h.sent.empty()) << "the host sent nothing; log:\n" << h.log;
        const Bytes got = h.sent.front();
        h.sent.pop_front();
        const bool start = rest.ends_with("...");
        const Bytes want = Wire(start ? rest.substr(0, rest.size() - 3) : rest, h.names);
        if (start) {
            EXPECT_EQ(ToHex(Bytes(got.begin(), got.begin() + std::min(got.size(), want.size()))),
                      ToHex(want));
        } else if (!rest.empty()) {
            EXPECT_EQ(ToHex(got), ToHex(want));
        }
    } else if (word == "quiet") {
        EXPECT_TRUE(h.sent.empty()) << ToHex(h.sent.front());
    } else if (word == "tick") {
        h.now = std::stod(rest);
        h.shell->OnTick(h.now);
    } else if (word == "screen" || word == "noscreen") {
        EXPECT_EQ(h.Shows(rest), word == "screen") << rest;
    } else if (word == "row") {
        int n = 0;
        words >> n;
        const auto& lines = h.shell->lines();
        const size_t at = n < 0 ? lines.size() - static_cast<size_t>(-n) : static_cast<size_t>(n);
        ASSERT_LT(at, lines.size());
        EXPECT_EQ(lines[at], rest.substr(rest.find(' ') + 1));
    } else if (word == "lines") {
        EXPECT_EQ(h.shell->lines().size(), std::stoul(rest));
    } else if (word == "status") {
        EXPECT_EQ(h.shell->status(), rest);
    } else if (word == "closed") {
        EXPECT_EQ(h.closed, rest);
    } else if (word == "log") {
        EXPECT_NE(h.log.find(rest), std::string::npos) << h.log;
    } else if (word == "stored") {
        std::string name, lrecl, want;
        words >> std::quoted(name) >> lrecl;
        const DataSet* ds = h.store.Find(name);
        if (lrecl == "none") {
            EXPECT_EQ(ds, nullptr);
            return;
        }
        ASSERT_NE(ds, nullptr) << h.log;
        EXPECT_EQ(ds->file.lrecl, std::stoi(lrecl));
        const std::vector<Bytes> records = RecordsOf(words, h.names);
        for (size_t i = 0; i < records.size(); ++i) want += (i ? "|" : "") + ToHex(records[i]);
        EXPECT_EQ(Records(ds->file), want);
    } else {
        FAIL() << "unknown line";
    }
}

TEST(HostTransfers, Transcripts) {
    std::unique_ptr<Host> host = std::make_unique<Host>(Personality::Tso, TransferConfig{});
    std::string name;
    for (const auto& [number, line] : test::CaseLines("ft_sessions.txt")) {
        SCOPED_TRACE("ft_sessions.txt line " + std::to_string(number) + " (" + name + ")");
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "case") {
            std::string personality;
            words >> name >> personality;
            ASSERT_TRUE(PersonalityFromName(personality)) << line;
            Names names = std::move(host->names);
            host = std::make_unique<Host>(*PersonalityFromName(personality), ConfigOf(words));
            host->names = std::move(names);
            continue;
        }
        const size_t blank = line.find(' ');
        Step(*host, word, words, blank == std::string::npos ? "" : line.substr(blank + 1));
    }
}

}  // namespace
}  // namespace testhost::ft
