// A whole new file written piece by piece: complete, or not there at all.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/common/file_rewrite.h"
#include "csv_rows.h"
#include "small_tmpfs.h"
#include "temp_dir.h"

using ferrule::ContentSink;
using ferrule::ReplaceFileContent;
using ferrule::RewriteOutcome;

namespace {

size_t EntriesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

// Written in pieces through a symlink, keeping the old file's mode; given up
// half-way, the old file stays and nothing else is left behind.
TEST(ReplaceFileContent, WholeOrNotAtAll) {
    TempDir dir;
    const std::string file = dir.File("log.txt");
    std::ofstream(file) << "old";
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    std::filesystem::create_symlink(file, dir.File("link.txt"));
    auto pieces = [](int count, bool giveUp) {
        return [count, giveUp](const ContentSink& sink) {
            for (int i = 0; i < count; ++i) {
                if (!sink("line " + std::to_string(i) + "\n")) {
                    return false;
                }
            }
            return !giveUp;
        };
    };
    ASSERT_TRUE(ReplaceFileContent(dir.File("link.txt"), pieces(3, false)));
    EXPECT_EQ(ReadWhole(file), "line 0\nline 1\nline 2\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const ferrule::RewriteResult cancelled = ReplaceFileContent(file, pieces(1000, true));
    EXPECT_EQ(cancelled.outcome, RewriteOutcome::Cancelled);
    EXPECT_EQ(ReadWhole(file), "line 0\nline 1\nline 2\n");
    EXPECT_EQ(EntriesIn(dir.File("")), 2u);

    EXPECT_EQ(ReplaceFileContent(dir.File(""), pieces(1, false)).outcome, RewriteOutcome::NotAFile);
    EXPECT_EQ(ReplaceFileContent(dir.File("none/x.txt"), pieces(1, false)).outcome,
              RewriteOutcome::Failed);
}

TEST(ReplaceFileContent, AFullDiskFailsAndKeepsTheOldFile) {
    SmallTmpfs disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    const std::string file = disk.File("log.txt");
    std::ofstream(file) << "old";
    const ferrule::RewriteResult full = ReplaceFileContent(file, [](const ContentSink& sink) {
        const std::string block(4096, 'x');
        for (int i = 0; i < 100; ++i) {
            if (!sink(block)) {
                return false;
            }
        }
        return true;
    });
    EXPECT_EQ(full.outcome, RewriteOutcome::Failed);
    EXPECT_EQ(full.Reason(), "could not be written (No space left on device)");
    EXPECT_EQ(ReadWhole(file), "old");
    EXPECT_EQ(EntriesIn(disk.File("")), 1u);
}
