#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "config/temp_folder.h"

using Status = SingleInstance::Status;

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    TempFolder folder;
    SingleInstance::Result first = SingleInstance::acquireIn(folder.root().string(), "appQuorvane");
    ASSERT_EQ(first.status, Status::Acquired) << first.error;
    ASSERT_NE(first.guard, nullptr);
    EXPECT_EQ(first.guard->lockPath(), folder.path("appQuorvane.lock"));

    // A second open of the lock file, as another launcher would make, finds it taken.
    SingleInstance::Result second =
        SingleInstance::acquireIn(folder.root().string(), "appQuorvane");
    EXPECT_EQ(second.status, Status::AlreadyRunning);
    EXPECT_EQ(second.guard, nullptr);
    EXPECT_EQ(SingleInstance::acquireIn(folder.root().string(), "other").status, Status::Acquired);

    first.guard.reset();
    EXPECT_EQ(SingleInstance::acquireIn(folder.root().string(), "appQuorvane").status,
              Status::Acquired);
}

TEST(SingleInstance, ChildProcessesDoNotInheritTheLock)
{
    TempFolder folder;
    SingleInstance::Result held = SingleInstance::acquireIn(folder.root().string(), "appQuorvane");
    ASSERT_EQ(held.status, Status::Acquired) << held.error;
    // The shell lists its own open files: the lock file must not be among them.
    const std::string command =
        "ls -l /proc/$$/fd | grep -q " + folder.root().filename().string() + "/appQuorvane.lock";
    EXPECT_NE(std::system(("sh -c '" + command + "'").c_str()), 0);
}

TEST(SingleInstance, ReportsErrorsAndUsesTheRuntimeFolder)
{
    TempFolder folder;
    SingleInstance::Result broken =
        SingleInstance::acquireIn(folder.path("missing"), "appQuorvane");
    EXPECT_EQ(broken.status, Status::Error);
    EXPECT_EQ(broken.errorCode, ENOENT);
    EXPECT_NE(broken.error.find(folder.path("missing/appQuorvane.lock")), std::string::npos);

    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("XDG_RUNTIME_DIR", folder.root().c_str(), 1);
    SingleInstance::Result held = SingleInstance::acquire("appQuorvane");
    if (saved != nullptr) {
        setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
    ASSERT_EQ(held.status, Status::Acquired) << held.error;
    EXPECT_EQ(held.guard->lockPath(), folder.path("appQuorvane.lock"));
}
