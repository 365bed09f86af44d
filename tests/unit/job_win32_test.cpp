// The job object of a child's run (Windows): the caller puts itself into a
// job of its own, which every child it starts then belongs to.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/process.h"

TEST(ChildJob, TheCallerIsInAJobOnceAChildHasRun) {
    // Wine reads a job's limits back as zero, so what the job does is shown
    // by the stop-*-terminate and stop-shell-leaves-a-process cases.
    EXPECT_EQ(platform::RunCommandInterpreter("exit 3"), 3);
    BOOL inJob = FALSE;
    ASSERT_TRUE(IsProcessInJob(GetCurrentProcess(), nullptr, &inJob));
    EXPECT_TRUE(inJob);
}
