// A host name with several addresses is tried address by address, in the resolver's order. The
// name lives in a hosts file bound over /etc/hosts in a private mount namespace of a child run of
// this program, so the machine's own file is never touched.
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "net/connection.h"
#include "support/loopback.h"

namespace orkan {
namespace {

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
