// End to end: a session runtime sends files to testhost's transfer program and receives them back,
// on TSO, CMS and CICS, in DFT and screen-frame mode, as text and as binary. What comes back is
// what went up (text files are LF-only lines ending in LF, which travel as CR LF records).
//
// The 64 MB round trips run only with ORKAN_LONG_TESTS=1:
//     ORKAN_LONG_TESTS=1 nice -n 19 build/tests/test_transfer --gtest_filter='*Long*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "config/temp_folder.h"
#include "live_session.h"
#include "transfer/transfer_request.h"

namespace orkan {
namespace {

using namespace test;

struct Target {
    const char* system;  // testhost's --transfer
    HostSystem host_system;
    const char* host_name;  // of the n-th file
};
constexpr Target kTargets[] = {{"tso", HostSystem::Tso, "RT.FILE%d"},
                               {"cms", HostSystem::Cms, "RT%d DATA A"},
                               {"cics", HostSystem::Cics, "RTQ%d"}};
constexpr const char* kModes[] = {"dft", "frames"};

// Lines of printable characters and a few accented letters, in UTF-8 as Linux text files hold
// them, each ending in LF, `size` bytes in all; the last byte is always LF.
std::string TextOf(size_t size, uint32_t seed) {
    static const std::string ascii =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:-+*/()=<>'\"!?&%#@$_|";
    static const char* const accented[] = {"\xC3\xA9", "\xC3\xBC", "\xC3\x84"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        const size_t end = text.size() + std::min<size_t>(random() % 120, size - text.size() - 1);
        while (text.size() + 2 <= end) {
            const size_t pick = random() % (ascii.size() + 3);
            text += pick < ascii.size() ? std::string(1, ascii[pick]) : accented[pick - ascii.size()];
        }
        text.append(end - text.size(), '.');
        text += '\n';
    }
    return text;
}

std::string BinaryOf(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = char(random());
    return bytes;
}

struct RoundTrip {
    LiveSession live;
    TempFolder folder;
    const Target* target = nullptr;

    // Up and down again; "" when the file came back as it went, else what went wrong.
    std::string Run(const std::string& content, bool text, int n) {
        WriteText(folder / "up", content);
        TransferRequest up;
        up.direction = TransferDirection::Upload;
        up.host_system = target->host_system;
        char name[32];
        std::snprintf(name, sizeof name, target->host_name, n);
        up.host_file = name;
        up.pc_file = folder / "up";
        SetTextMode(up, text);
        const TransferOutcome sent = live.Run(up);
        if (!sent.success) return "upload: " + sent.message + "\n" + live.Screen();
        // The count is of what went: a UTF-8 character once, and each LF with the CR it gained.
        size_t went = content.size();
        if (text)
            went = size_t(
                std::count_if(content.begin(), content.end(), [](char c) { return (c & 0xC0) != 0x80; }) +
                std::count(content.begin(), content.end(), '\n'));
        if (sent.bytes != went)
            return "upload counted " + std::to_string(sent.bytes) + " bytes of " + std::to_string(went);
        TransferRequest down = up;
        down.direction = TransferDirection::Download;
        down.pc_file = folder / "down";
        const TransferOutcome received = live.Run(down);
        if (!received.success) return "download: " + received.message + "\n" + live.Screen();
        const std::string back = ReadText(folder / "down");
        if (back != content)
            return "content differs: " + std::to_string(content.size()) + " bytes up, " +
                   std::to_string(back.size()) + " down";
        if (live.session().status != SessionStatus::Unlocked) return "status not restored";
        return {};
    }
};

void RoundTrips(const std::vector<size_t>& sizes, uint32_t block_size) {
    for (const Target& target : kTargets) {
        for (const char* mode : kModes) {
            SCOPED_TRACE(std::string(target.system) + " " + mode);
            RoundTrip trip;
            trip.target = &target;
            std::string error;
            ASSERT_TRUE(trip.live.Start({"--transfer", target.system, "--transfer-mode", mode}, error))
                << error;
            trip.live.session().record.SetNumber(field::TransferBlockSize, block_size);
            int n = 0;
            for (bool text : {true, false}) {
                for (size_t size : sizes) {
                    const std::string content =
                        text ? TextOf(size, uint32_t(size)) : BinaryOf(size, uint32_t(size));
                    EXPECT_EQ(trip.Run(content, text, ++n), "")
                        << (text ? "text " : "binary ") << size << " bytes";
                }
            }
        }
    }
}

TEST(TransferRoundTrip, SmallAndManyBlocksEverywhere) {
    // Empty, one byte, exactly one block, and many blocks.
    RoundTrips({0, 1, 2500, 60000}, 2500);
}

TEST(TransferRoundTrip, Long64MegabytesEverywhere) {
    const char* on = std::getenv("ORKAN_LONG_TESTS");
    if (!on || std::string(on) != "1") GTEST_SKIP() << "set ORKAN_LONG_TESTS=1 for the 64 MB round trips";
    RoundTrips({64u << 20}, 25000);
}

}  // namespace
}  // namespace orkan
