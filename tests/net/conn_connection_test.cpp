// Host strings as typed by users and given on the command line (the cases are in
// data/host_addresses.tsv), and connections to in-process loopback listeners: address forms,
// failures, data in and out, the end; Close() coming back at once from every step of the
// connection's thread and leaving no thread; a name with several addresses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "net/connection.h"
#include "net/host_address.h"
#include "support/golden_file.h"
#include "support/loopback.h"

namespace orkan {
namespace {

using test::Bytes;
using test::TurnUntil;
using Kind = ConnectionEventKind;
using namespace std::chrono_literals;

TEST(ConnHostAddress, FormsAndErrors) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/host_addresses.tsv")) {
        ASSERT_EQ(row.cells.size(), 6u) << row.where;
        SCOPED_TRACE(row.where);
        const HostAddressResult result = ParseHostAddress(row.cells[0], uint16_t(std::stoi(row.cells[1])));
        EXPECT_EQ(result.error, row.cells[5] == "-" ? "" : row.cells[5]);
        if (row.cells[2] == "-") continue;
        EXPECT_EQ(result.address.host, row.cells[2]);
        EXPECT_EQ(result.address.port, std::stoi(row.cells[3]));
        EXPECT_EQ(result.address.port_given, row.cells[4] == "yes");
    }
}

TEST(ConnConnect, EveryAddressFormReachesTheHost) {
    struct Case {
        const char* listen_on;
        const char* host;  // the port is appended when port_in_host
        bool port_in_host;
        const char* peer;
    };
    const Case cases[] = {
        {"127.0.0.1", "127.0.0.1:", true, "127.0.0.1"},
        {"::1", "[::1]:", true, "::1"},
        {"127.0.0.1", "localhost:", true, "127.0.0.1"},
        {"127.0.0.1", "127.0.0.1", false, "127.0.0.1"},
    };
    for (const Case& c : cases)
        for (const bool on_loop : {false, true}) {
            test::Listener listener(c.listen_on);
            ASSERT_TRUE(listener.ok());
            ConnectRequest request;
            request.host = c.host + (c.port_in_host ? std::to_string(listener.port()) : "");
            request.port = c.port_in_host ? 23 : listener.port();
            request.read_on_loop = on_loop;
            SCOPED_TRACE(request.host + (on_loop ? ", read on the loop" : ""));
            PollEventLoop loop;
            test::Recorder recorder;
            Connection connection(loop, recorder);
            const StartResult started = connection.Start(request);
            ASSERT_TRUE(started.ok()) << started.error;
            EXPECT_EQ(started.port_in_host,
                      c.port_in_host ? std::optional<uint16_t>(listener.port()) : std::nullopt);
            const int peer = listener.Accept();
            ASSERT_GE(peer, 0);

            ASSERT_TRUE(TurnUntil(loop, [&] { return recorder.Find(Kind::Connected) != nullptr; }));
            EXPECT_EQ(connection.PeerName(), c.peer);
            EXPECT_FALSE(connection.LocalAddress().empty());
            EXPECT_FALSE(recorder.Find(Kind::Connected)->tls.has_value());
            close(peer);
            ASSERT_TRUE(TurnUntil(loop, [&] { return recorder.Find(Kind::ClosedByHost) != nullptr; }));
            EXPECT_FALSE(connection.IsOpen());
            // The host has gone: a send finds no socket and offers a reconnect.
            connection.Send(Bytes("x"));
            ASSERT_TRUE(TurnUntil(loop, [&] { return recorder.Find(Kind::SendError) != nullptr; }));
            EXPECT_EQ(recorder.Find(Kind::SendError)->text,
                      "Error sending data to host, code=88\nPress Ok when you are ready to try to reconnect");
        }
}

TEST(ConnConnect, FailuresGiveTheExactTexts) {
    uint16_t closed_port = 0;
    {
        test::Listener gone;
        closed_port = gone.port();
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int unknown_rc = getaddrinfo("nosuchhost.invalid", "23", &hints, &found);
    ASSERT_NE(unknown_rc, 0) << "nosuchhost.invalid resolves here";
    const std::string port = std::to_string(closed_port);
    const struct {
        std::string host;
        std::string text;
    } cases[] = {
        {"127.0.0.1:" + port,
         "Error connecting to hostname 127.0.0.1, port " + port + ", rc=111 (Connection refused)"},
        {"nosuchhost.invalid", "Error getting address info for nosuchhost.invalid, rc=" +
                                   std::to_string(unknown_rc) + " (" + gai_strerror(unknown_rc) + ")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        PollEventLoop loop;
        test::Recorder recorder;
        Connection connection(loop, recorder);
        ASSERT_TRUE(connection.Start({c.host, 23, 3, {}}).ok());
        ASSERT_TRUE(TurnUntil(loop, [&] { return !recorder.events.empty(); }));
        EXPECT_EQ(recorder.events[0].kind, Kind::ConnectError);
        EXPECT_EQ(recorder.events[0].text, c.text);
        EXPECT_FALSE(connection.IsOpen());
    }
    // A host string that cannot be used starts nothing.
    PollEventLoop loop;
    test::Recorder recorder;
    Connection connection(loop, recorder);
    EXPECT_EQ(connection.Start({"localhost:", 23, 3, {}}).error,
              "Port number missing after \":\" in host \"localhost:\"");
    EXPECT_FALSE(connection.IsOpen());
}

TEST(ConnData, BothWaysInOrderAndTheCloseComesLast) {
    for (const bool on_loop : {false, true}) {
        SCOPED_TRACE(on_loop ? "read on the loop" : "read on the connection's thread");
        test::Listener listener;
        PollEventLoop loop;
        test::Recorder recorder;
        Connection connection(loop, recorder);
        ASSERT_TRUE(connection.Start({"127.0.0.1", listener.port(), 3, {}, on_loop}).ok());
        const int peer = listener.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(TurnUntil(loop, [&] { return recorder.Find(Kind::Connected) != nullptr; }));
        // Read on the loop, a send goes straight to the socket while nothing waits before it; what a
        // full socket does not take goes to the connection's thread, and later sends queue behind it.
        std::string sent;
        for (int i = 0; i < 400; ++i) {
            const std::string piece =
                std::string(size_t(1000 + i * 37), char('a' + i % 26)) + std::to_string(i);
            sent += piece;
            connection.Send(Bytes(piece));
            if (i % 10 == 0) (void)loop.RunUntil([] { return false; }, std::chrono::milliseconds(0));
        }
        // Read only now: the socket has long been full, the rest waits with the thread.
        EXPECT_TRUE(test::Receive(peer, sent.size()) == sent);
        // Closed mid-stream as far as the connection knows: most bytes are still unread then.
        std::string received;
        for (int i = 0; i < 60000; ++i) received.push_back(static_cast<char>(i * 7 % 251));
        std::thread host([&] {
            EXPECT_TRUE(test::SendAll(peer, received));
            close(peer);
        });
        EXPECT_TRUE(TurnUntil(loop, [&] { return recorder.Find(Kind::ClosedByHost) != nullptr; }));
        host.join();
        EXPECT_TRUE(recorder.data == received);
        EXPECT_GE(recorder.chunk_sizes.size(), received.size() / kReceiveChunk);
        for (size_t size : recorder.chunk_sizes) EXPECT_LE(size, kReceiveChunk);
        EXPECT_EQ(recorder.order.back(), "event");
        EXPECT_EQ(recorder.events.size(), 2u);  // Connected, ClosedByHost: no send error
    }
}

TEST(ConnSendError, ErrnoDecidesBetweenReconnectAndWarning) {
    const struct {
        int error;
        bool gone;
    } cases[] = {{EPIPE, true},    {ECONNRESET, true},    {ENOTSOCK, true},  {ENOTCONN, true},
                 {ENOBUFS, false}, {EHOSTUNREACH, false}, {ETIMEDOUT, false}};
    for (const auto& c : cases) {
        const ConnectionEvent event = SendErrorEvent(c.error);
        EXPECT_EQ(event.socket_gone, c.gone) << c.error;
        EXPECT_EQ(event.text, "Error sending data to host, code=" + std::to_string(c.error) +
                                  (c.gone ? "\nPress Ok when you are ready to try to reconnect"
                                          : "\nYou may have to reconnect"));
    }
}

// Close() comes back at once from every step of the connection's thread and leaves no thread.
class ConnClose : public ::testing::Test {
  protected:
    void TimedClose() {
        events_at_close = recorder.events.size();
        ASSERT_TRUE(connection.IsOpen());
        const int threads_before = test::ThreadCount();  // taken late: sanitizers add threads of their own
        const auto start = std::chrono::steady_clock::now();
        connection.Close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, test::kPromptClose);
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(test::ThreadCount(), threads_before - 1) << "the connection's thread is left behind";
    }
    void ExpectSilence() {
        EXPECT_FALSE(TurnUntil(
            loop, [] { return false; }, 50ms));
        EXPECT_EQ(recorder.events.size(), events_at_close) << "nothing may be heard after Close";
    }

    size_t events_at_close = 0;

    PollEventLoop loop;
    test::Recorder recorder;
    Connection connection{loop, recorder};
};

TEST_F(ConnClose, WhileConnectingToAHostThatNeverAnswers) {
    // A listener whose accept queue is full drops further SYNs: the connect neither ends nor fails.
    test::Listener full("127.0.0.1", 0, 0);
    ASSERT_TRUE(full.ok());
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(full.port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> fillers;
    bool unanswered = false;
    for (int i = 0; i < 32 && !unanswered; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        fillers.push_back(fd);
        [[maybe_unused]] int rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd done{fd, POLLOUT, 0};
        unanswered = poll(&done, 1, 300) == 0;
    }
    if (!unanswered)
        GTEST_SKIP() << "this machine answers every loopback connect: no host that never answers";

    ASSERT_TRUE(connection.Start({"127.0.0.1:" + std::to_string(full.port()), 23, 3, {}}).ok());
    ASSERT_TRUE(TurnUntil(loop, [&] { return connection.Stage() == ConnectionStage::Connecting; }));
    EXPECT_FALSE(TurnUntil(
        loop, [&] { return !recorder.events.empty(); }, 300ms))
        << "the host answered";
    TimedClose();
    ExpectSilence();
    for (int fd : fillers) close(fd);
}

// The host sends a byte every few milliseconds; Close comes from a posted task or from inside the
// hand-over of a chunk, where the connection's thread is waiting for the loop thread (or the loop
// is in its own read of the socket).
TEST_F(ConnClose, WhileTheHostTricklesData) {
    for (const bool on_loop : {false, true})
        for (const bool inside_hand_over : {false, true}) {
            SCOPED_TRACE(std::string(inside_hand_over ? "inside the hand-over" : "from a posted task") +
                         (on_loop ? ", read on the loop" : ""));
            test::Listener listener;
            ASSERT_TRUE(connection.Start({"127.0.0.1", listener.port(), 3, {}, on_loop}).ok());
            const int peer = listener.Accept();
            ASSERT_GE(peer, 0);
            constexpr int kTrickleTimer = 77;
            loop.StartTimer(kTrickleTimer, 3ms, false,
                            [&] { [[maybe_unused]] auto n = send(peer, "x", 1, MSG_NOSIGNAL); });
            bool closed = false;
            recorder.after_data = [&] {
                if (recorder.chunk_sizes.size() != 20) return;
                if (inside_hand_over) TimedClose();
                closed = inside_hand_over;
            };
            ASSERT_TRUE(TurnUntil(loop, [&] { return recorder.chunk_sizes.size() >= 20; }));
            if (!inside_hand_over) TimedClose();
            EXPECT_EQ(closed, inside_hand_over);
            ExpectSilence();
            EXPECT_EQ(recorder.chunk_sizes.size(), 20u) << "no chunk may be handed over after Close";
            loop.StopTimer(kTrickleTimer);
            recorder = test::Recorder{};
            close(peer);
        }
}

TEST_F(ConnClose, DuringTheTlsHandshake) {
    test::Listener listener;  // takes the ClientHello and never answers it
    ConnectRequest request{"127.0.0.1", listener.port(), 3, {}};
    request.tls.protocol = 1;
    ASSERT_TRUE(connection.Start(request).ok());
    const int peer = listener.Accept();
    ASSERT_GE(peer, 0);
    EXPECT_FALSE(test::Receive(peer, 1).empty()) << "no ClientHello";
    ASSERT_TRUE(TurnUntil(loop, [&] { return connection.Stage() == ConnectionStage::Handshaking; }));
    TimedClose();
    ExpectSilence();
    close(peer);
}

// What the session sent just before it closed (a macro's last key) reaches the host: the close
// races the connection's thread for the queue, so it is tried many times.
TEST_F(ConnClose, WhatWasSentJustBeforeReachesTheHost) {
    const std::string record(1500, 'k');
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        test::Listener listener;
        ASSERT_TRUE(connection.Start({"127.0.0.1", listener.port(), 3, {}, round % 2 == 1}).ok());
        const int peer = listener.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(TurnUntil(loop, [&] { return connection.Stage() == ConnectionStage::Open; }));
        connection.Send(test::Bytes(record));
        connection.Close();
        EXPECT_EQ(test::Receive(peer, record.size() + 1), record);
        close(peer);
    }
}

// A host name with several addresses is tried address by address, in the resolver's order. The
// name lives in a hosts file bound over /etc/hosts in a private mount namespace of a child run of
// this program, so the machine's own file is never touched.
constexpr const char* kInsideEnv = "ORKAN_CONN_HOSTS_NAMESPACE";
constexpr const char* kName = "multi.orkan.test";

TEST(ConnResolve, TriesEveryAddressOfANameInOrder) {
    const auto folder = std::filesystem::temp_directory_path() / ("orkan-conn-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto hosts = folder / "hosts", log = folder / "log";
    std::ofstream(hosts) << "::1 " << kName << "\n127.0.0.1 " << kName << "\n127.0.0.1 localhost\n";

    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string command =
        std::string(kInsideEnv) +
        "=1 unshare -m --propagation private sh -c 'mount --bind \"$0\" /etc/hosts || "
        "exit 77; \"$1\" \"--gtest_filter=ConnResolveInside.*\" && exit 0; exit 42' '" +
        hosts.string() + "' '" + self + "' > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::stringstream output;
    output << std::ifstream(log).rdbuf();
    std::filesystem::remove_all(folder);

    const int code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0 && code != 42)
        GTEST_SKIP() << "no private mount namespace here (exit " << code << "):\n" << output.str();
    EXPECT_EQ(code, 0) << output.str();
}

std::vector<std::string> AddressesOf(const char* name) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::vector<std::string> found;
    if (getaddrinfo(name, "23", &hints, &list) != 0) return found;
    for (addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(entry->ai_addr, entry->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) ==
            0) {
            found.emplace_back(text);
        }
    }
    freeaddrinfo(list);
    return found;
}

// Runs only in the child that ConnResolve starts, so it is registered only there.
void EachAddressInTurn() {
    const std::vector<std::string> addresses = AddressesOf(kName);
    ASSERT_EQ(addresses.size(), 2u);

    // Listening on the last address only, every earlier one refuses; listening on all, the first wins.
    for (const bool on_all : {false, true}) {
        SCOPED_TRACE(on_all ? "all listening" : "last listening");
        std::vector<std::unique_ptr<test::Listener>> listeners;
        const auto all_listening = [&] {
            return std::all_of(listeners.begin(), listeners.end(), [](const auto& l) { return l->ok(); });
        };
        for (int attempt = 0; attempt < 20 && (listeners.empty() || !all_listening()); ++attempt) {
            listeners.clear();
            listeners.push_back(std::make_unique<test::Listener>(addresses.back()));
            for (size_t i = 0; on_all && i + 1 < addresses.size(); ++i) {
                listeners.push_back(std::make_unique<test::Listener>(addresses[i], listeners[0]->port()));
            }
        }
        ASSERT_TRUE(all_listening());
        PollEventLoop loop;
        test::Recorder recorder;
        Connection connection(loop, recorder);
        ASSERT_TRUE(connection.Start({kName, listeners[0]->port(), 3, {}}).ok());
        ASSERT_TRUE(test::TurnUntil(loop, [&] { return !recorder.events.empty(); }));
        ASSERT_EQ(recorder.events[0].kind, ConnectionEventKind::Connected) << recorder.events[0].text;
        EXPECT_EQ(recorder.events[0].peer_name, on_all ? addresses.front() : addresses.back());
    }
}

struct InsideNamespace : testing::Test {
    void TestBody() override { EachAddressInTurn(); }
};
[[maybe_unused]] const bool kInsideRegistered =
    getenv(kInsideEnv) != nullptr &&
    testing::RegisterTest("ConnResolveInside", "EachAddressInTurn", nullptr, nullptr, __FILE__, __LINE__,
                          []() -> testing::Test* { return new InsideNamespace; }) != nullptr;

}  // namespace
}  // namespace orkan
