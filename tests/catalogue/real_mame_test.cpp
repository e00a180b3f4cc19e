// Runs against the installed emulator, when there is one: the contract the launcher relies on
// must hold for the real program and its full list, not only for the stand-in.
#include <gtest/gtest.h>

#include "catalogue/emulator_runner.h"
#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue_test_util.h"

TEST(RealMame, VersionProbeFullListImportAndCacheReadBack)
{
    const std::string mame = "/usr/games/mame";
    if (!fileExists(mame)) GTEST_SKIP() << mame << " is not installed";
    catalogue_test::ScratchFolder scratch;
    RecordingMessageBoxes boxes;
    const auto version = probeEmulatorVersion(mame, boxes);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->rfind("MAME v", 0), 0u) << *version;

    const std::string list = scratch.file("list.xml");
    ASSERT_EQ(runProcessToFile(mame + " -listxml", scratch.path(), list, nullptr, boxes), 1);
    EXPECT_TRUE(boxes.shown.empty());
    GameTable table;
    testing::internal::CaptureStdout();
    ASSERT_EQ(importListXml(list, table, scratch.file("cache.xml")), 1);
    testing::internal::GetCapturedStdout();
    // The count of playable machines is known for the release the cabinet runs.
    if (version->rfind("MAME v0.251 ", 0) == 0) {
        EXPECT_EQ(table.gameCount(), 20343);
    }
    const std::string pongName = "pong";
    const GameRecord* pong = table.index->lookup(&pongName);
    ASSERT_NE(pong, nullptr);
    EXPECT_EQ(catalogue_test::describe(*pong).rfind(
                  "pong|Pong (Rev E) [TTL]|1972|Atari|-|-|raster/2/", 0),
              0u)
        << catalogue_test::describe(*pong);

    GameTable cached;
    ASSERT_EQ(readGameCache(scratch.file("cache.xml"), cached), 1);
    EXPECT_EQ(catalogue_test::describeAll(cached.games), catalogue_test::describeAll(table.games));
}
