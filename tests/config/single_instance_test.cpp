#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "config/temp_folder.h"

using Status = SingleInstance::Status;

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    TempFolder folder;
    const std::string dir = folder.dir();
    SingleInstance::Result first = [&] {
        const ScopedEnv runtime("XDG_RUNTIME_DIR", dir);  // the lock lives in the runtime folder
        return SingleInstance::acquire("appQuorvane");
    }();
    ASSERT_EQ(first.status, Status::Acquired) << first.error;
    EXPECT_EQ(first.guard->lockPath(), folder.path("appQuorvane.lock"));
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
