// The shared area and the messages between sessions, with several "sessions" in one process: each
// SharedArea opens its own lock files, so their locks meet as two processes' would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "config/temp_folder.h"
#include "peers/runtime_folder.h"
#include "peers/session_messages.h"
#include "peers/session_peers.h"
#include "peers/shared_area.h"
#include "support/golden_file.h"
#include "support/loopback.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

class Area : public ::testing::Test {
  protected:
    Area() {
        folder.path = temp / "orkan3270";
        folder.shm_name = RuntimeFolderFor([this](const std::string& name) -> std::optional<std::string> {
                              if (name == "XDG_RUNTIME_DIR") return temp.path();
                              return std::nullopt;
                          }).shm_name;
        EXPECT_FALSE(PrepareRuntimeFolder(folder).has_value());
    }
    std::unique_ptr<SharedArea> Open() {
        std::string error;
        auto area = SharedArea::Open(folder, error);
        EXPECT_TRUE(area) << error;
        return area;
    }
    int Claim(SharedArea& area, std::optional<int> slot = std::nullopt, const char* name = "s.ses") {
        const ClaimResult r = area.Claim(slot, name);
        EXPECT_TRUE(r.error.empty()) << r.error;
        return r.slot.value_or(-1);
    }

    test::TempFolder temp;
    RuntimeFolder folder;
};

TEST(RuntimeFolderName, FollowsTheFolder) {
    const std::string uid = std::to_string(getuid());
    for (test::TableRow row : test::ReadTableRows("peers/data/runtime_folders.tsv")) {
        SCOPED_TRACE(row.where);
        for (std::string& cell : row.cells)
            if (const size_t at = cell.find("$UID"); at != std::string::npos) cell.replace(at, 4, uid);
        const std::optional<std::string> xdg =
            row.cells.at(0) == "(unset)" ? std::nullopt : std::optional(row.cells[0]);
        const RuntimeFolder f = RuntimeFolderFor(
            [&](const std::string& name) { return name == "XDG_RUNTIME_DIR" ? xdg : std::nullopt; },
            [&](const std::string& path) {
                return path == "/tmp/private" || (row.cells.at(1) == "1" && path == "/run/user/" + uid);
            });
        EXPECT_EQ(f.path, row.cells.at(2));
        const std::string plain = "/orkan_tn3270_commonarea." + uid;
        EXPECT_EQ(f.shm_name == plain, row.cells.at(3) == "1") << f.shm_name;
        EXPECT_EQ(f.shm_name.rfind(plain, 0), 0u);
    }
}

TEST_F(Area, AnAreaAnotherUserMadeFirstSaysWhoAndWhatHelps) {
    const int fd = shm_open(folder.shm_name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    const bool given_away = fchown(fd, 4343, static_cast<gid_t>(-1)) == 0;
    close(fd);
    if (!given_away) {
        shm_unlink(folder.shm_name.c_str());
        GTEST_SKIP() << "only root can make an area of another user";
    }
    std::string error;
    EXPECT_FALSE(SharedArea::Open(folder, error));
    shm_unlink(folder.shm_name.c_str());
    EXPECT_EQ(error,
              "The shared area /dev/shm" + folder.shm_name +
                  " was made by another user (uid 4343), which keeps this user's sessions from meeting "
                  "there: ask the administrator to remove it, or set XDG_RUNTIME_DIR to a private folder "
                  "of yours, whose sessions get an area of their own.");
}

TEST_F(Area, RuntimeFolderIsPrivate) {
    struct stat st {};
    ASSERT_EQ(stat(folder.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    chmod(folder.path.c_str(), 0755);
    EXPECT_FALSE(PrepareRuntimeFolder(folder).has_value());
    ASSERT_EQ(stat(folder.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "wider rights are narrowed";
    RuntimeFolder link = folder;
    link.path = temp / "link";
    ASSERT_EQ(symlink(folder.path.c_str(), link.path.c_str()), 0);
    EXPECT_TRUE(PrepareRuntimeFolder(link).has_value()) << "a link is not our folder";
}

TEST_F(Area, SlotsLettersAndSameNames) {
    auto a = Open(), b = Open(), c = Open();
    EXPECT_EQ(Claim(*a, SlotOfLetter('q')), 16);
    EXPECT_EQ(Claim(*b, SlotOfLetter('Q')), 0) << "a taken letter gives the first free slot";
    const ClaimResult same = c->Claim(std::nullopt, "s.ses");
    EXPECT_EQ(same.slot, 1);
    EXPECT_EQ(same.same_name, 2);
    EXPECT_EQ(LetterOfSlot(1), 'B');
    EXPECT_FALSE(SlotOfLetter('#').has_value());
    EXPECT_EQ(SlotOfLetter('9'), 35);
    const auto slots = c->ReadSlots();
    EXPECT_EQ(slots[1].pid, getpid());
    EXPECT_EQ(slots[1].name, "s.ses");
    // A session that leaves gives its slot and letter to the next one.
    b->Release();
    auto d = Open();
    EXPECT_EQ(Claim(*d), 0);
    d.reset();
    a.reset();
    b.reset();
    c.reset();
    // The last one out removes the area.
    const int fd = shm_open(folder.shm_name.c_str(), O_RDONLY, 0);
    EXPECT_LT(fd, 0);
    if (fd >= 0) close(fd);
}

TEST_F(Area, MacroRequestsAndMessages) {
    PollEventLoop loop;
    struct Handler : PeerHandler {
        void OnSessionListChanged(int32_t pid) override { lists.push_back(pid); }
        void OnCloseRequest() override { ++closes; }
        void OnMacroRequest(const std::string& text, bool source) override {
            macros.push_back({text, source});
        }
        void OnArrange(int64_t what, int64_t) override { arranged.push_back(what); }
        std::vector<int32_t> lists;
        int closes = 0;
        std::vector<std::pair<std::string, bool>> macros;
        std::vector<int64_t> arranged;
    } ha, hb;
    auto join = [&](Handler& h) {
        auto area = Open();
        const int slot = Claim(*area);
        std::string error;
        auto socket = MessageSocket::Open(folder.path, LetterOfSlot(slot), error);
        EXPECT_TRUE(socket) << error;
        auto peers = std::make_unique<SessionPeers>(loop, folder, std::move(area), std::move(socket));
        peers->SetHandler(&h);
        return peers;
    };
    auto a = join(ha);
    auto b = join(hb);
    EXPECT_EQ(a->NotifySessions(0), 1);
    // Requests sent together each arrive, in order.
    EXPECT_EQ(a->RunMacroIn('b', "logon", false), PeerRequest::Sent);
    EXPECT_EQ(a->RunMacroIn('B', "TYPE(\"x\")", true), PeerRequest::Sent);
    EXPECT_TRUE(b->Arrange('A', peer_message::Minimise, 0));
    EXPECT_EQ(a->RunMacroIn('C', "logon", false), PeerRequest::NotOpen);
    EXPECT_EQ(PeerRequestErrorCode(PeerRequest::NotOpen), 0x8042);
    EXPECT_EQ(a->RunMacroIn('*', "x", false), PeerRequest::InvalidLetter);
    EXPECT_EQ(a->RunMacroIn('B', std::string(kSlotTextSize, 'm'), true), PeerRequest::TooLong);
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return hb.macros.size() == 2 && !ha.arranged.empty(); }));
    EXPECT_EQ(hb.lists, std::vector<int32_t>{0});
    EXPECT_EQ(hb.macros,
              (std::vector<std::pair<std::string, bool>>{{"logon", false}, {"TYPE(\"x\")", true}}));
    EXPECT_EQ(ha.arranged, std::vector<int64_t>{peer_message::Minimise});
    // A datagram that is not ours is dropped; the next good one still arrives.
    {
        const std::string path = MessageSocketPath(folder.path, 'B');
        const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un to{};
        to.sun_family = AF_UNIX;
        std::memcpy(to.sun_path, path.c_str(), path.size());
        sendto(fd, "garbage", 7, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        close(fd);
    }
    a->CloseAll();
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return ha.closes == 1 && hb.closes == 1; }));
    // Leaving tells the others, naming the one that leaves.
    a->Leave();
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return hb.lists.size() == 2; }));
    EXPECT_EQ(hb.lists[1], getpid());
    EXPECT_EQ(b->Sessions().size(), 1u);
    // A session whose queue of requests stays full is busy, not gone.
    for (int i = 0;
         i < 100000 &&
         SendPeerMessage(folder.path, 'B', {kUserMessage, peer_message::Minimise, 0}) == PeerSend::Sent;
         ++i) {
    }
    EXPECT_EQ(a->RunMacroIn('B', "logon", false), PeerRequest::Busy);
    EXPECT_EQ(PeerRequestErrorCode(PeerRequest::Busy), 0x8000 + 72);
}

}  // namespace
}  // namespace orkan
