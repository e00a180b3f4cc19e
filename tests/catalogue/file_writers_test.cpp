// Faults injected into the two files the launcher rewrites, the settings file and the game cache.
// Whatever happens the previous file stays intact, no temporary file outlives the next start,
// nothing else in the folder is touched, and the owner is told why.
#include <csignal>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "catalogue/game_cache.h"
#include "catalogue_test_util.h"
#include "config/settings.h"
#include "platform/files.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropRoot = 77;

// Runs `write` in a child process, so that an injected fault or a dropped privilege stays there,
// with its output in `log`; returns its wait status. With `killBeforeRename` the child stops when
// its temporary file is complete and hands over to this process, which kills it there: the crash
// comes at exactly that point on any machine.
int writeInChild(const std::function<bool()>& write, const std::function<void()>& inChild,
                 bool killBeforeRename, const std::string& log)
{
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (inChild) inChild();
        const auto handOver = [&] {
            [[maybe_unused]] auto n = ::write(ready[1], "r", 1);
            for (;;) ::pause();  // until the kill
        };
        if (killBeforeRename) injectWriteFault(WriteFault{{}, 0, handOver});
        const bool ok = write();
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 1);
    }
    ::close(ready[1]);
    char c = 0;
    if (killBeforeRename && ::read(ready[0], &c, 1) == 1) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(ready[0]);
    return status;
}

}  // namespace

TEST(FileWriters, KeepThePreviousFileThroughEveryFault)
{
    TempFolder root, logs;
    fs::permissions(root.dir(), fs::perms::owner_all | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const std::string cabinet = root.path("cabinet"), real = root.path("real");
    const std::string ini = cabinet + "/launcher.ini", cache = cabinet + "/gamecache.xml";
    const auto entries = [&] { return std::distance(fs::directory_iterator(cabinet), {}); };

    LauncherSettings settings;
    settings.MenuType = kMenuTypeImageBrowser;
    GameTable table;
    table.games.push_back(catalogue_test::makeGame("pong"));
    const struct {
        std::string path;
        std::function<bool()> write;
        const char* marker;  // in the new contents only
    } writers[] = {
        {ini, [&] { return saveSettings(settings, std::string("pong"), ini); }, "ImageBrowser"},
        {cache, [&] { return writeGameCache(table, cache); }, "romname=\"pong\""},
    };

    enum class Link { None, ToFile, Dangling };
    const struct {
        const char* fault;
        Link link;
        std::function<void(const std::string& file)> prepare;
        std::function<void()> inChild;
        bool kill;
        const char* told;  // nullptr: the write succeeds
    } cases[] = {
        // clang-format off
        {"full disk", Link::None, {}, [] { injectWriteFault(WriteFault{100, ENOSPC, {}}); }, false,
         "No space left on device"},
        // Root could write the file; its owner's read-only mark must still hold.
        {"read-only file", Link::None,
         [](const std::string& file) { fs::permissions(file, fs::perms::owner_read); }, {}, false,
         "the file is read-only"},
        // Root writes into any folder, so the writer runs as an ordinary user then.
        {"read-only folder", Link::None,
         [&](auto&) {
             if (::geteuid() == 0) {
                 for (const auto& entry : fs::directory_iterator(cabinet))
                     ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
                 ASSERT_EQ(::chown(cabinet.c_str(), kNobody, kNobody), 0);
             }
             fs::permissions(cabinet, fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
         },
         [] {
             if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                 ::_exit(kCannotDropRoot);
         },
         false, "Permission denied"},
        {"symbolic link", Link::ToFile, {}, {}, false, nullptr},
        {"dangling link", Link::Dangling, {}, {}, false, nullptr},
        {"killed before the rename", Link::None, {}, {}, true, ""},
        // clang-format on
    };

    for (const auto& writer : writers) {
        for (const auto& c : cases) {
            SCOPED_TRACE(writer.path + ", " + c.fault);
            fs::remove_all(cabinet);
            fs::remove_all(real);
            fs::create_directories(cabinet);
            fs::create_directories(real);
            writeFile(ini, "[Settings]\nGameCache=" + cache + "\nMenuType=ListView\n");
            writeFile(cache, "<?xml version=\"1.0\"?>\n<games><game romname=\"old\"/></games>\n");
            // Another writer's file, still being written, and files that are not ours at all.
            writeFile(cabinet + "/.launcher.ini." + std::to_string(::getppid()) + "-0.quorvane-tmp",
                      "busy");
            writeFile(cabinet + "/launcher.ini.bak", "mine");
            writeFile(cabinet + "/.gamecache.xml.swp", "mine");
            const std::string name = fs::path(writer.path).filename().string();
            const std::string file = c.link == Link::None ? writer.path : real + "/" + name;
            if (c.link == Link::ToFile) fs::rename(writer.path, file);
            if (c.link == Link::Dangling) fs::remove(writer.path);
            if (c.link != Link::None) fs::create_symlink("../real/" + name, writer.path);
            const std::string before = readFile(file);  // empty for a dangling link
            const auto entriesBefore = entries();
            if (c.prepare) c.prepare(file);

            const int status = writeInChild(writer.write, c.inChild, c.kill, logs.path("log"));
            const std::string told = readFile(logs.path("log"));
            fs::permissions(cabinet, fs::perms::owner_all);
            if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDropRoot) {
                std::printf("skipped: root cannot become an ordinary user here\n");
                continue;
            }
            const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            if (c.told == nullptr) {
                EXPECT_TRUE(succeeded) << told;
                EXPECT_TRUE(fs::is_symlink(writer.path)) << "the link is kept";
                EXPECT_THAT(readFile(file), HasSubstr(writer.marker));
            } else if (c.kill) {
                EXPECT_EQ(readFile(file), before);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << told;
                EXPECT_EQ(entries(), entriesBefore + 1);
                testing::internal::CaptureStderr();
                loadSettings(ini);  // the next start
                EXPECT_THAT(testing::internal::GetCapturedStderr(),
                            HasSubstr("interrupted write of " + writer.path));
            } else {
                EXPECT_EQ(readFile(file), before);
                EXPECT_FALSE(succeeded);
                EXPECT_THAT(told, HasSubstr(writer.path + ": " + c.told));
            }
            EXPECT_EQ(entries(), entriesBefore)
                << "a temporary file was left, or a file not ours removed";
        }
    }
}
