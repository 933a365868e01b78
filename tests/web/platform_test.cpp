#include "web/platform.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sched.h>

#include <cstdlib>
#include <future>
#include <thread>
#endif

namespace kestrune {
namespace {

#ifndef _WIN32
// Runs in a child process (the death-test machinery forks), so the test program keeps its
// processors. A thread that already runs must be restricted too, not only the calling one.
void restrictAndCheckOtherThread() {
  std::promise<void> restricted;
  std::promise<int> count;
  std::thread other([&] {
    restricted.get_future().wait();
    cpu_set_t set;
    CPU_ZERO(&set);
    sched_getaffinity(0, sizeof set, &set);
    count.set_value(CPU_COUNT(&set));
  });
  bool ok = restrictToFirstProcessor();
  restricted.set_value();
  int processors = count.get_future().get();
  other.join();
  std::exit(ok && processors == 1 ? 0 : 1);
}

TEST(PlatformTest, RestrictsEveryThreadToOneProcessor) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(restrictAndCheckOtherThread(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace kestrune
