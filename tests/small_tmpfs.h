// A real, tiny file system for tests of a full disk: a 64 KiB tmpfs mounted
// on a fresh folder (as root; elsewhere Mounted() is false and the test
// skips), unmounted again with everything in it.
#pragma once

#include <sys/mount.h>

#include <fstream>
#include <string>

#include "temp_dir.h"

class SmallTmpfs {
public:
    SmallTmpfs() {
        m_mounted = mount("tmpfs", m_dir.File("").c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallTmpfs() {
        if (m_mounted) {
            umount2(m_dir.File("").c_str(), MNT_DETACH);
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }
    std::string File(const std::string& name) const { return m_dir.File(name); }
    // Takes up every free block with one file, so the next write fails.
    void Fill() const {
        std::ofstream filler(File("filler"), std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
            filler.flush();
        }
    }

private:
    TempDir m_dir;
    bool m_mounted = false;
};
