#include "platform/process.h"

#include <csignal>

#include <gtest/gtest.h>

#include "catalogue/emulator_runner.h"
#include "catalogue_test_util.h"

using catalogue_test::standInEmulator;

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
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
    for (const auto& [line, words] : cases) EXPECT_EQ(splitCommandLine(line), words) << line;
}

TEST(RunProcess, PassesWordsAndFolderAndReportsExitStatus)
{
    TempFolder scratch;
    const std::string log = scratch.path("log");
    const ScopedEnv logEnv("STAND_IN_MAME_LOG", log);
    // The launcher's own ignored signals are not passed on to the child.
    const auto previous = std::signal(SIGTERM, SIG_IGN);
    for (const auto& [signal, expected] :
         {std::pair{"", 3}, {"TERM", 128 + 15}, {"KILL", 128 + 9}}) {
        const ScopedEnv exitEnv("STAND_IN_MAME_EXIT", std::string("3"));
        const ScopedEnv signalEnv("STAND_IN_MAME_SIGNAL", std::string(signal));
        std::filesystem::remove(log);
        ProcessRequest request;
        request.commandLine = standInEmulator() + " pong \"two words\" -str 2";
        request.workingDirectory = scratch.dir();
        const ProcessResult result = runProcess(request);
        ASSERT_EQ(result.failure, ProcessFailure::None) << result.error;
        EXPECT_EQ(result.exitCode, expected) << signal;
        EXPECT_EQ(readFile(log), "run\ncwd=" + scratch.dir() +
                                     "\narg=pong\narg=two words\narg=-str\narg=2\nend\n");
    }
    std::signal(SIGTERM, previous);
}

TEST(RunProcess, KeepsCallingBackWhileALongChildRuns)
{
    // The launcher's music moves on during a long game through this call; a missing call would
    // leave the music silent until the game ends. The child ends only after the third call, so
    // the test holds however slowly either side runs.
    TempFolder scratch;
    const std::string flag = scratch.path("third-call");
    int calls = 0;
    const std::string loop = "while [ ! -e '" + flag + "' ]; do sleep 0.01; done; exit 4";
    const ProcessResult result =
        runProcess({"/bin/sh -c \"" + loop + "\"", "", ProcessOutput::Inherit, "", [&] {
                        if (++calls == 3) writeFile(flag, "");
                    }});
    ASSERT_EQ(result.failure, ProcessFailure::None) << result.error;
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_GE(calls, 3);
}

TEST(RunProcess, FailuresAreReportedBeforeAnythingRuns)
{
    TempFolder scratch;
    // A relative program path means the launcher's folder, even with another working folder.
    // (An output file that cannot be made: see EmulatorRunner.)
    const std::string relative =
        std::filesystem::relative(standInEmulator(), std::filesystem::current_path()).string();
    const std::tuple<std::string, std::string, ProcessFailure> cases[] = {
        {"", "", ProcessFailure::EmptyCommand},
        {"no-such-program-anywhere-on-path", "", ProcessFailure::CannotStart},
        {scratch.write("not-executable", "#!/bin/sh\n"), "", ProcessFailure::CannotStart},
        {standInEmulator(), scratch.path("missing-folder"), ProcessFailure::CannotStart},
        {relative + " x", scratch.dir(), ProcessFailure::None},
    };
    for (const auto& [command, folder, expected] : cases) {
        const ProcessResult result = runProcess({command, folder, ProcessOutput::Inherit, "", {}});
        EXPECT_EQ(result.failure, expected) << command << ": " << result.error;
    }
}

TEST(EmulatorRunner, CapturesBothStreamsAndPassesTheExitCode)
{
    TempFolder scratch;
    const ScopedEnv err("STAND_IN_MAME_STDERR", std::string("to stderr"));
    const ScopedEnv version("STAND_IN_MAME_VERSION", std::string("v1"));
    const std::string out = scratch.write("out", "old contents that must disappear\n");
    RecordingMessageBoxes boxes;
    ASSERT_EQ(runProcessToFile(standInEmulator() + " -help", "", out, nullptr, boxes), 1);
    EXPECT_EQ(readFile(out), "v1\nCopyright MAMEdev and contributors\nto stderr\n");
    EXPECT_EQ(runProcessToFile(standInEmulator(), "", scratch.path("none/out"), nullptr, boxes), 0);
    EXPECT_EQ(boxes.shown.back().text, "Failed to create file [" + scratch.path("none/out") + "]!");

    // A program that could not start leaves the exit code alone.
    int exitCode = 12345;
    EXPECT_EQ(runProcessToFile("/nonexistent/mame pong", "", out, &exitCode, boxes), 0);
    EXPECT_EQ(boxes.shown.back().text, "Failed to execute [/nonexistent/mame pong]!");
    EXPECT_EQ(exitCode, 12345);
    const ScopedEnv exitEnv("STAND_IN_MAME_EXIT", std::string("2"));
    EXPECT_EQ(runProcessToFile(standInEmulator() + " pong", "", out, &exitCode, boxes), 1);
    EXPECT_EQ(exitCode, 2);
    // A child that ran but whose end could not be read still counts as run, with no exit code.
    const ProcessResult unknownEnd{ProcessFailure::CannotWait, 0, ""};
    EXPECT_EQ(reportProcessResult(ProcessRequest{}, unknownEnd, &exitCode, boxes), 1);
    EXPECT_EQ(exitCode, -1);
    EXPECT_EQ(boxes.shown.back().text, "GetExitCodeProcess failed!");
}

TEST(ProbeEmulatorVersion, ReturnsTheFirstLineAndLeavesNoTemporaryFile)
{
    TempFolder scratch, temp;
    const ScopedEnv tmpdir("TMPDIR", temp.dir());
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        // printf format of the emulator's -help output, and the version read from it
        {"MAME v0.251 (unknown)\\nCopyright\\n", "MAME v0.251 (unknown)"},
        {"v0.1", "v0.1"},    // no final line feed
        {"\\nv0.2\\n", ""},  // blank first line
        {"", std::nullopt},  // no output
        {std::string(300, 'x') + "\\n", std::string(254, 'x')},
    };
    for (const auto& [output, expected] : cases) {
        // Its arguments and folder are those of every emulator run; see BuildCatalogueTest.
        const std::string emulator = scratch.write("emu", "#!/bin/sh\nprintf '" + output + "'\n");
        std::filesystem::permissions(emulator, std::filesystem::perms::owner_all);
        RecordingMessageBoxes boxes;
        EXPECT_EQ(probeEmulatorVersion(emulator, boxes), expected) << output;
        EXPECT_TRUE(boxes.shown.empty()) << output;
        EXPECT_EQ(temp.entries(), 0) << output;
    }
}
