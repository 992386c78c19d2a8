// Replays the socket parser's kept inputs, seeds and findings alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "remote_input.h"

TEST(RemoteFuzzCorpus, EveryKeptStreamIsAnsweredInCleanLines) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(REMOTE_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), {});
        EXPECT_TRUE(RunRemoteInput(input.data(), input.size())) << entry.path();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
