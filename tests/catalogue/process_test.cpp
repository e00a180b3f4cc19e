#include "platform/process.h"

#include <csignal>

#include <gtest/gtest.h>

#include "catalogue/emulator_runner.h"
#include "catalogue_test_util.h"

using catalogue_test::readAll;
using catalogue_test::ScopedEnv;
using catalogue_test::ScratchFolder;
using catalogue_test::standInEmulator;

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    using Words = std::vector<std::string>;
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"", {}},
        {"  mame \t  pong  ", {"mame", "pong"}},
        {"\"/opt/my games/mame\" pong", {"/opt/my games/mame", "pong"}},
        {"mame \"a b\"c d", {"mame", "a bc", "d"}},
        {"mame \"say \"\"hi\"\"\"", {"mame", "say \"hi\""}},
        {"c:\\mame\\mame.exe -help", {"c:\\mame\\mame.exe", "-help"}},
        {"a\\\\\"b c\"", {"a\\b c"}},  // 2 backslashes + quote: one backslash, quote opens
        {"a\\\"b c", {"a\"b", "c"}},   // 1 backslash + quote: a literal quote
        {"a\\\\\\\"b", {"a\\\"b"}},    // 3 backslashes + quote
        {"x;rm -rf $HOME", {"x;rm", "-rf", "$HOME"}},  // no shell: these are plain words
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitCommandLine(c.line), c.words) << c.line;
    }
}

TEST(RunProcess, PassesWordsAndFolderAndReportsExitStatus)
{
    ScratchFolder scratch;
    const std::string log = scratch.file("log");
    const ScopedEnv logEnv("STAND_IN_MAME_LOG", log);
    // The launcher's own ignored signals are not passed on to the child.
    const auto previous = std::signal(SIGTERM, SIG_IGN);
    const std::pair<const char*, int> cases[] = {{"", 3}, {"TERM", 128 + 15}, {"KILL", 128 + 9}};
    for (const auto& [signal, expected] : cases) {
        const ScopedEnv exitEnv("STAND_IN_MAME_EXIT", std::string("3"));
        const ScopedEnv signalEnv("STAND_IN_MAME_SIGNAL", std::string(signal));
        std::filesystem::remove(log);
        ProcessRequest request;
        request.commandLine = standInEmulator() + " pong \"two words\" -str 2";
        request.workingDirectory = scratch.path();
        const ProcessResult result = runProcess(request);
        ASSERT_EQ(result.failure, ProcessFailure::None) << result.error;
        EXPECT_EQ(result.exitCode, expected) << signal;
        EXPECT_EQ(readAll(log), "run\ncwd=" + scratch.path() +
                                    "\narg=pong\narg=two words\narg=-str\narg=2\nend\n");
    }
    std::signal(SIGTERM, previous);
}

TEST(RunProcess, KeepsCallingBackWhileALongChildRuns)
{
    // The launcher's music moves on during a long game through this call; a missing call would
    // leave the music silent until the game ends, a call after the end would race the exit code.
    int calls = 0;
    ProcessRequest request;
    request.commandLine = "/bin/sh -c \"sleep 0.45; exit 4\"";
    request.whileWaiting = [&calls] { ++calls; };
    const ProcessResult result = runProcess(request);
    ASSERT_EQ(result.failure, ProcessFailure::None) << result.error;
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_GE(calls, 3);
    EXPECT_LE(calls, 6);
}

TEST(RunProcess, CapturesBothOutputStreamsIntoTheFile)
{
    ScratchFolder scratch;
    const ScopedEnv err("STAND_IN_MAME_STDERR", std::string("to stderr"));
    const ScopedEnv version("STAND_IN_MAME_VERSION", std::string("v1"));
    const std::string out = scratch.write("out", "old contents that must disappear\n");
    RecordingMessageBoxes boxes;
    ASSERT_EQ(runProcessToFile(standInEmulator() + " -help", "", out, nullptr, boxes), 1);
    EXPECT_EQ(readAll(out), "v1\nCopyright MAMEdev and contributors\nto stderr\n");
    EXPECT_EQ(runProcessToFile(standInEmulator(), "", scratch.file("none/out"), nullptr, boxes), 0);
    EXPECT_EQ(boxes.shown.back().text, "Failed to create file [" + scratch.file("none/out") + "]!");
}

TEST(RunProcess, FailuresAreReportedBeforeAnythingRuns)
{
    ScratchFolder scratch;
    // A relative program path means the launcher's folder, even with another working folder.
    const std::string relative =
        std::filesystem::relative(standInEmulator(), std::filesystem::current_path()).string();
    struct Case {
        std::string command;
        std::string folder;
        std::string output;
        ProcessFailure expected;
    } cases[] = {
        {"", "", "", ProcessFailure::EmptyCommand},
        {scratch.file("no-such-emulator") + " -help", "", "", ProcessFailure::CannotStart},
        {"no-such-program-anywhere-on-path", "", "", ProcessFailure::CannotStart},
        {scratch.write("not-executable", "#!/bin/sh\n"), "", "", ProcessFailure::CannotStart},
        {standInEmulator(), scratch.file("missing-folder"), "", ProcessFailure::CannotStart},
        {standInEmulator(), "", scratch.file("missing-folder/out"),
         ProcessFailure::CannotCreateOutput},
        {relative + " x", scratch.path(), "", ProcessFailure::None},
    };
    for (const auto& c : cases) {
        ProcessRequest request;
        request.commandLine = c.command;
        request.workingDirectory = c.folder;
        if (!c.output.empty()) {
            request.output = ProcessOutput::CaptureFile;
            request.outputPath = c.output;
        }
        const ProcessResult result = runProcess(request);
        EXPECT_EQ(result.failure, c.expected) << c.command << ": " << result.error;
        EXPECT_EQ(result.started(), c.expected == ProcessFailure::None);
    }
}

TEST(RunProcessHidden, ReportsAMissingProgramWithTheWholeCommandLine)
{
    RecordingMessageBoxes boxes;
    int exitCode = 12345;
    EXPECT_EQ(runProcessHidden("/nonexistent/mame pong", "", &exitCode, boxes), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to execute [/nonexistent/mame pong]!");
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(exitCode, 12345);

    const ScopedEnv exitEnv("STAND_IN_MAME_EXIT", std::string("2"));
    EXPECT_EQ(runProcessHidden(standInEmulator() + " pong", "", &exitCode, boxes), 1);
    EXPECT_EQ(exitCode, 2);
    EXPECT_EQ(runProcessHidden(standInEmulator() + " pong", "", nullptr, boxes), 1);
}

TEST(ProbeEmulatorVersion, ReturnsTheFirstLineAndLeavesNoTemporaryFile)
{
    ScratchFolder scratch;
    ScratchFolder temp;
    const ScopedEnv tmpdir("TMPDIR", temp.path());
    const std::string longLine(300, 'x');
    struct Case {
        const char* name;
        std::string output;  // printf format of the emulator's -help output
        std::optional<std::string> expected;
    } cases[] = {
        {"normal", "MAME v0.251 (unknown)\\nCopyright\\n", "MAME v0.251 (unknown)"},
        {"no final line feed", "v0.1", "v0.1"},
        {"blank first line", "\\nv0.2\\n", ""},
        {"empty", "", std::nullopt},
        {"long line", longLine + "\\n", std::string(254, 'x')},
    };
    for (const auto& c : cases) {
        const std::string emulator =
            scratch.write("emu", "#!/bin/sh\n[ \"$1\" = -help ] || exit 9\n[ \"$(pwd)\" = \"" +
                                     temp.path() + "\" ] || exit 8\nprintf '" + c.output + "'\n");
        std::filesystem::permissions(emulator, std::filesystem::perms::owner_all);
        RecordingMessageBoxes boxes;
        EXPECT_EQ(probeEmulatorVersion(emulator, boxes), c.expected) << c.name;
        EXPECT_TRUE(boxes.shown.empty()) << c.name;
        EXPECT_TRUE(temp.empty()) << c.name;
    }

    RecordingMessageBoxes boxes;
    EXPECT_EQ(probeEmulatorVersion(scratch.file("missing"), boxes), std::nullopt);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Failed to execute [" + scratch.file("missing") + " -help]!");
    EXPECT_TRUE(temp.empty());

    // A temporary folder that does not exist: the probe fails quietly.
    const ScopedEnv missingTmp("TMPDIR", temp.file("gone"));
    EXPECT_EQ(probeEmulatorVersion(standInEmulator(), boxes), std::nullopt);
    EXPECT_EQ(boxes.shown.size(), 1u);
}
