// Runs against the installed emulator, when there is one: the contract the launcher relies on
// must hold for the real program, not only for the stand-in.
#include <gtest/gtest.h>

#include "catalogue/emulator_runner.h"
#include "catalogue/listxml_import.h"
#include "catalogue_test_util.h"

using catalogue_test::ScratchFolder;

namespace {

const char* kRealMame = "/usr/games/mame";

}  // namespace

TEST(RealMame, VersionProbeAndAListOfTwoMachines)
{
    if (!fileExists(kRealMame)) GTEST_SKIP() << kRealMame << " is not installed";
    ScratchFolder scratch;
    RecordingMessageBoxes boxes;

    const auto version = probeEmulatorVersion(kRealMame, boxes);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->rfind("MAME v", 0), 0u) << *version;
    EXPECT_TRUE(boxes.shown.empty());

    const std::string list = scratch.file("list.xml");
    ASSERT_EQ(runProcessToFile(std::string(kRealMame) + " -listxml pong breakout", scratch.path(),
                               list, nullptr, boxes),
              1);
    ListImportCounts counts;
    std::string error;
    auto games = readListXml(list, &counts, &error);
    ASSERT_TRUE(games) << error;
    const GameRecord* pong = nullptr;
    for (const auto& game : *games) {
        if (game->romname == "pong") pong = game.get();
    }
    ASSERT_NE(pong, nullptr);
    EXPECT_EQ(pong->description.rfind("Pong", 0), 0u) << pong->description;
    ASSERT_NE(pong->video, nullptr);
    EXPECT_EQ(pong->video->screen, "raster");
    EXPECT_EQ(pong->video->orientation, 2);
    EXPECT_GT(pong->video->width, 0);
    EXPECT_EQ(counts.kept, 2);
}
