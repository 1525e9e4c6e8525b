// The offline renderer's own faults: pictures written onto a full disk.
#include "Screenshot.h"

#include <gtest/gtest.h>

TEST(Screenshot, APictureCutShortByAFullDiskIsAFailureNamingTheFile) {
    Screenshot shot;
    shot.width = shot.height = 2;
    shot.rgb.assign(12, 200);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(shot.savePng("/dev/full"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/dev/full"), std::string::npos) << err;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
}
