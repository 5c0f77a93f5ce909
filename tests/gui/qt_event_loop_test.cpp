// The desktop program's event loop on Qt keeps the loops' shared contract.
#include <gtest/gtest.h>

#include "gui/qt_event_loop.h"
#include "support/event_loop_contract.h"

namespace orkan::test {

// Timers of 20 ms and more are coarse: Qt may fire them up to 5 % early.
template <>
inline constexpr int kTimerSlackPercent<QtEventLoop> = 5;

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, EventLoopContract, QtEventLoop);

}  // namespace orkan::test
