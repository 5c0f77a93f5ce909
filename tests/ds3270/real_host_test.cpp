// A record captured from a real host, checked against the screen an independent client shows.
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

TEST(RealHost, HerculesLogoGivesTheScreenS3270Shows) {
    test::Harness h(24, 80);
    const auto record =
        test::FromHex(test::ReadText(std::string(ORKAN_FIXTURES_DIR) + "/hercules-logo.rec.hex"));
    ProcessHostRecord(*h.session, record);
    EXPECT_EQ(DumpScreenText(*h.session),
              test::ReadText(std::string(ORKAN_FIXTURES_DIR) + "/hercules-logo.screen.txt"));
    EXPECT_EQ(h.TakeMessages(), "");
}

}  // namespace
}  // namespace orkan
