// Whole-file reads of real files, a real FIFO and real devices.
#include "core/common/bounded_file_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "temp_dir.h"

using ferrule::ReadRegularFile;

namespace {

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

// Nothing that is not a regular file of a sensible size is read, and nothing
// waits or grows while finding that out.
TEST(CoreBoundedFileRead, OnlyRegularFilesWithinTheLimitAreRead) {
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
