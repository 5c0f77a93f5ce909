// Close() comes back at once from every step of the connection's thread and leaves no thread.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/connection.h"
#include "support/loopback.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
using test::TurnUntil;

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
    void ExpectPromptClose() {
        TimedClose();
        ExpectSilence();
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
    ExpectPromptClose();
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
    ExpectPromptClose();
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

}  // namespace
}  // namespace orkan
