// Whole-file reads and writes on real files, a real FIFO, real devices and a
// real full file system.
#include "common/file_contents.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "small_tmpfs.h"
#include "temp_dir.h"

using ferrule::ReadRegularFile;
using ferrule::ReplaceFileContents;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

mode_t Mode(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

size_t FilesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

// Nothing that is not a regular file of a sensible size is read, and nothing
// waits or grows while finding that out.
TEST(CoreFileContents, OnlyRegularFilesWithinTheLimitAreRead) {
    TempDir dir;
    std::string error;
    Put(dir.File("small"), "abc");
    EXPECT_EQ(ReadRegularFile(dir.File("small"), 3, &error), "abc");
    Put(dir.File("big"), "abcd");
    EXPECT_FALSE(ReadRegularFile(dir.File("big"), 3, &error));
    EXPECT_NE(error.find("larger than 3 bytes"), std::string::npos) << error;

    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(ReadRegularFile(dir.File("fifo"), 1 << 20, &error));  // returns, no writer
    EXPECT_EQ(error, "It is not a regular file.");
    EXPECT_FALSE(ReadRegularFile("/dev/zero", 1 << 20, &error));
    EXPECT_EQ(error, "It is not a regular file.");

    EXPECT_FALSE(ReadRegularFile(dir.File(""), 1 << 20, &error));
    EXPECT_EQ(error, "Is a directory");
    std::filesystem::create_symlink("loop", dir.File("loop"));
    EXPECT_FALSE(ReadRegularFile(dir.File("loop"), 1 << 20, &error));
    EXPECT_EQ(error, "Too many levels of symbolic links");
    EXPECT_FALSE(ReadRegularFile(dir.File("absent"), 1 << 20, &error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST(CoreFileContents, ReplacingKeepsTheModeAndWritesThroughSymlinks) {
    TempDir dir;
    std::string error;
    const std::string target = dir.File("target.cfg");
    Put(target, "old");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("target.cfg", dir.File("link.cfg"));
    ASSERT_TRUE(ReplaceFileContents(dir.File("link.cfg"), "new", &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.cfg")));
    EXPECT_EQ(Slurp(target), "new");
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(FilesIn(dir.File("")), 2u);  // no temporary file left

    ASSERT_TRUE(ReplaceFileContents(dir.File("fresh.cfg"), "", &error)) << error;
    EXPECT_EQ(Slurp(dir.File("fresh.cfg")), "");
}

// A full disk: the old file stays byte for byte, no temporary file is left,
// and the reason is the system's.
TEST(CoreFileContents, AFailedReplaceLeavesTheOldFile) {
    SmallTmpfs disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    const std::string path = disk.File("bench.cfg");
    Put(path, "the old configuration");
    disk.Fill();
    std::string error;
    EXPECT_FALSE(ReplaceFileContents(path, std::string(8192, 'n'), &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(Slurp(path), "the old configuration");
    EXPECT_EQ(FilesIn(disk.File("")), 2u);

    EXPECT_FALSE(ReplaceFileContents(disk.File("no/such/folder.cfg"), "x", &error));
    EXPECT_EQ(error, "No such file or directory");
}
