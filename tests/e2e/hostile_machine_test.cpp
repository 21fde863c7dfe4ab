// The machine is unkind and the presentation runs for days: directory levels
// that are never left cost next to nothing.
#include <gtest/gtest.h>

#include "support/kiosk.h"

namespace {

TEST(Levels, AHundredThousandLevelsCostNextToNoMemory) {
    const auto root = test::MakeTempDir("levels");
    test::WriteKiosk(root);
    const test::PlayerRun few = test::RunKiosk(root, 10'000);
    const test::PlayerRun many = test::RunKiosk(root, 100'000'000);
    ASSERT_EQ(few.exitCode, 3);
    ASSERT_EQ(many.exitCode, 3);
    // At 64 bytes a level, 6.4 MB; a path a level would be hundreds.
    EXPECT_LT(many.peakKb - few.peakKb, 6'400) << few.peakKb << " KB, then " << many.peakKb << " KB";
}

}  // namespace
