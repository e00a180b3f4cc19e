#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "config/temp_folder.h"

using Status = SingleInstance::Status;

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    TempFolder folder;
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("XDG_RUNTIME_DIR", folder.dir().c_str(), 1);  // the lock lives in the runtime folder
    SingleInstance::Result first = SingleInstance::acquire("appQuorvane");
    saved ? setenv("XDG_RUNTIME_DIR", previous.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(first.status, Status::Acquired) << first.error;
    EXPECT_EQ(first.guard->lockPath(), folder.path("appQuorvane.lock"));
    const std::string dir = folder.dir();
    EXPECT_EQ(SingleInstance::acquireIn(dir, "appQuorvane").status, Status::AlreadyRunning);
    EXPECT_EQ(SingleInstance::acquireIn(dir, "other").status, Status::Acquired);

    // A launched emulator must not inherit the lock and keep it after the launcher ends.
    const std::string command =
        "sh -c 'ls -l /proc/$$/fd | grep -q " + first.guard->lockPath() + "'";
    EXPECT_NE(std::system(command.c_str()), 0);

    first.guard.reset();
    EXPECT_EQ(SingleInstance::acquireIn(dir, "appQuorvane").status, Status::Acquired);

    SingleInstance::Result broken = SingleInstance::acquireIn(folder.path("missing"), "x");
    EXPECT_EQ(broken.status, Status::Error);
    EXPECT_EQ(broken.errorCode, ENOENT);
    EXPECT_NE(broken.error.find(folder.path("missing/x.lock")), std::string::npos);
}
