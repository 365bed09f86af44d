// A temporary name is fresh only when nothing at all has it: a link that
// points nowhere takes its name too, or the report's redirection would
// follow it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"

namespace {

// The number in "/vy<pid>-<n>.tmp".
unsigned long Counter(const std::string& name) {
    return std::stoul(name.substr(name.rfind('-') + 1));
}

TEST(FreshTempName, PassesOverNamesTakenByDanglingLinksAndFolders) {
    char folder[] = "/tmp/vy-fresh.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    std::string first;
    ASSERT_TRUE(platform::FreshTempName(&first));
    const std::string prefix = first.substr(1, first.rfind('-'));
    const unsigned long next = Counter(first) + 1;
    // The next three names: a link to nothing, a link to a file, a folder.
    const std::string dangling = prefix + std::to_string(next) + ".tmp";
    const std::string linked = prefix + std::to_string(next + 1) + ".tmp";
    const std::string made = prefix + std::to_string(next + 2) + ".tmp";
    ASSERT_EQ(symlink("nowhere", dangling.c_str()), 0);
    ASSERT_EQ(symlink(folder, linked.c_str()), 0);
    std::filesystem::create_directory(made);

    std::string name;
    ASSERT_TRUE(platform::FreshTempName(&name));
    EXPECT_EQ(name, "/" + prefix + std::to_string(next + 3) + ".tmp");

    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
}

}  // namespace
