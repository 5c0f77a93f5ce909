// Several sessions live side by side in one process without sharing state.
#include <gtest/gtest.h>

#include "app/session.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

TEST(SessionContext, TwoSessionsShareNothing) {
    test::RecordingUi ui;
    auto a = std::make_unique<Session>(ui);
    auto b = std::make_unique<Session>(ui);
    a->ps.planes.display[5] = 'A';
    a->status = SessionStatus::Unlocked;
    EXPECT_EQ(b->ps.planes.display[5], 0);
    EXPECT_EQ(b->status, SessionStatus::NotConnected);
}

}  // namespace
}  // namespace orkan
