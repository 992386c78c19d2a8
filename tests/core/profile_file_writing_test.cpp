// Writing the profile on real files and file systems: its mode, owner and
// symlinks kept, a read-only profile left alone, a folder that takes no new
// file, and a full file system.
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/common/profile_file.h"
#include "temp_dir.h"

using ferrule::ProfileFile;
using ferrule::RewriteOutcome;
using ::testing::ElementsAre;

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "MyFerruleAp";
constexpr const char* kOldProfile = "; mine\n[MyFerruleAp]\nSerDesc=1\nSerialString=OLD\n";
constexpr uid_t kNobody = 65534;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& content, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << content;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// File operations as an unprivileged user, so that a folder's permissions
// hold even for a test run by root; nothing changes for anyone else.
class AsUnprivileged {
public:
    AsUnprivileged() : m_root(::geteuid() == 0) {
        if (m_root) {
            ::setfsgid(kNobody);
            ::setfsuid(kNobody);
        }
    }
    ~AsUnprivileged() {
        if (m_root) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }

private:
    bool m_root;
};

// A folder in which only root may create a file, holding a file the
// unprivileged user may write; the folders above it open to that user.
void MakeFolderRefuseNewFiles(const TempDir& dir, const std::string& folder,
                              const std::string& file) {
    if (::geteuid() == 0) {
        const fs::path top = fs::path(dir.File("")).parent_path();
        for (fs::path above = fs::path(folder).parent_path();; above = above.parent_path()) {
            ASSERT_EQ(::chmod(above.c_str(), 0755), 0) << above;
            if (above == top || above == above.root_path()) {
                break;
            }
        }
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
}

}  // namespace

// Run by root, the test gives the profile to another user, whose it stays.
TEST(CoreProfileWriting, ModeAndOwnerAreKeptAndAReadOnlyProfileIsLeftByteForByte) {
    TempDir dir;
    const uid_t owner = ::geteuid() == 0 ? kNobody : ::geteuid();
    for (mode_t mode : {0600, 0640, 0644}) {
        std::string path = dir.File("ferrule.INI");
        Put(path, kOldProfile, mode);
        ASSERT_EQ(::chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
        EXPECT_TRUE(ProfileFile(path).WriteString(kSection, "SerialString", "NEW"));
        EXPECT_EQ(StatOf(path).st_mode & 07777, mode);
        EXPECT_EQ(StatOf(path).st_uid, owner);
        EXPECT_EQ(ProfileFile(path).GetString(kSection, "SerialString", ""), "NEW");
    }

    // Root could write it, and still does not.
    std::string path = dir.File("read-only.INI");
    Put(path, kOldProfile, 0444);
    ferrule::RewriteResult result = ProfileFile(path).WriteString(kSection, "SerialString", "NEW");
    EXPECT_EQ(result.outcome, RewriteOutcome::ReadOnly);
    EXPECT_EQ(result.Reason(), "is read-only");
    EXPECT_EQ(Slurp(path), kOldProfile);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);
    EXPECT_THAT(Names(dir.File("")), ElementsAre("ferrule.INI", "read-only.INI"));
}

// Absolute, relative, chained and dangling links all stay links, and the
// file at the end of them holds the new value.
TEST(CoreProfileWriting, SymlinksStayLinksAndTheirTargetIsWritten) {
    TempDir dir;
    fs::create_directories(dir.File("dotfiles/ferrule"));
    fs::create_directories(dir.File("config"));
    std::string target = dir.File("dotfiles/ferrule/ferrule.INI");
    Put(target, kOldProfile, 0600);

    struct Link {
        std::string path, pointsTo;
    };
    const std::vector<Link> links = {
        {dir.File("config/absolute.INI"), target},
        {dir.File("config/relative.INI"), "../dotfiles/ferrule/ferrule.INI"},
        {dir.File("config/chain.INI"), "relative.INI"},
        {dir.File("config/dangling.INI"), "../dotfiles/ferrule/later.INI"},
    };
    for (const Link& link : links) {
        fs::create_symlink(link.pointsTo, link.path);
    }
    for (const Link& link : links) {
        SCOPED_TRACE(link.path);
        EXPECT_TRUE(ProfileFile(link.path).WriteString(kSection, "DescString", link.path));
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link.path)));
        EXPECT_EQ(fs::read_symlink(link.path).string(), link.pointsTo);
        EXPECT_EQ(ProfileFile(link.path).GetString(kSection, "DescString", ""), link.path);
    }
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0600u);
    EXPECT_THAT(Slurp(target), ::testing::StartsWith("; mine\n[MyFerruleAp]\n"));
    EXPECT_THAT(Names(dir.File("dotfiles/ferrule")), ElementsAre("ferrule.INI", "later.INI"));

    fs::create_symlink("loop.INI", dir.File("config/loop.INI"));
    ferrule::RewriteResult loop =
        ProfileFile(dir.File("config/loop.INI")).WriteString(kSection, "SerDesc", "0");
    EXPECT_EQ(loop.outcome, RewriteOutcome::Failed);
    EXPECT_EQ(loop.error, ELOOP);
}

TEST(CoreProfileWriting, FolderThatTakesNoNewFileGetsTheProfileRewrittenInPlace) {
    TempDir dir;
    std::string folder = dir.File("config");
    std::string path = folder + "/ferrule.INI";
    fs::create_directories(folder);
    Put(path, kOldProfile, 0664);
    MakeFolderRefuseNewFiles(dir, folder, path);
    const ino_t inode = StatOf(path).st_ino;
    {
        AsUnprivileged user;
        ProfileFile profile(path);
        EXPECT_TRUE(profile.WriteString(kSection, "SerialString", std::string(300, 'L')));
        // Shorter than before: nothing of the longer content may remain.
        EXPECT_TRUE(profile.WriteString(kSection, "SerialString", "S"));
    }
    EXPECT_EQ(Slurp(path), "; mine\n[MyFerruleAp]\nSerDesc=1\nSerialString=S\n");
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0664u);
    EXPECT_THAT(Names(folder), ElementsAre("ferrule.INI"));
}

TEST(CoreProfileWriting, WhatIsNotARegularFileIsNotReplaced) {
    TempDir dir;
    std::string fifo = dir.File("ferrule.INI");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ferrule::RewriteResult result = ProfileFile(fifo).WriteString(kSection, "SerDesc", "0");
    EXPECT_EQ(result.outcome, RewriteOutcome::NotAFile);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(ProfileFile(dir.File("")).WriteString(kSection, "SerDesc", "0").outcome,
              RewriteOutcome::NotAFile);
}

namespace {

// A 64 KiB file system of its own, filled by the test; skipped where the
// test may not mount one.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::string folder) : m_folder(std::move(folder)) {
        fs::create_directories(m_folder);
        m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, "size=64k,mode=0755") == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }

    // Writes a file until the file system has no block left.
    void Fill() {
        std::string filler = m_folder + "/filler";
        FILE* out = std::fopen(filler.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::setvbuf(out, nullptr, _IONBF, 0);
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), out) == block.size()) {
        }
        std::fclose(out);
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

}  // namespace

// Whether the profile is replaced or rewritten in place, content that needs
// one more block than the full file system has fails and changes nothing.
TEST(CoreProfileWriting, FullFileSystemLeavesTheOldProfileByteForByte) {
    TempDir dir;
    SmallFileSystem small(dir.File("small"));
    if (!small.Mounted()) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    std::string folder = dir.File("small/config");
    std::string path = folder + "/ferrule.INI";
    fs::create_directories(folder);
    // Just under one block, so that the new value needs a second one.
    std::string old = "; " + std::string(4000, 'p') + "\n" + kOldProfile;
    Put(path, old, 0644);
    small.Fill();
    const std::string longer(200, 'N');

    ferrule::RewriteResult replaced = ProfileFile(path).WriteString(kSection, "DescString", longer);
    EXPECT_EQ(replaced.outcome, RewriteOutcome::Failed);
    EXPECT_EQ(replaced.error, ENOSPC);
    EXPECT_EQ(replaced.Reason(), "could not be written (No space left on device)");
    EXPECT_EQ(Slurp(path), old);
    EXPECT_THAT(Names(folder), ElementsAre("ferrule.INI"));

    MakeFolderRefuseNewFiles(dir, folder, path);
    {
        AsUnprivileged user;
        ferrule::RewriteResult inPlace =
            ProfileFile(path).WriteString(kSection, "DescString", longer);
        EXPECT_EQ(inPlace.outcome, RewriteOutcome::Failed);
        EXPECT_EQ(inPlace.error, ENOSPC);
    }
    EXPECT_EQ(Slurp(path), old);
}
