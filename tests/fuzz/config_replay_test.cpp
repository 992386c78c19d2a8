// Replays the configuration fuzzer's kept inputs, seeds and findings alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "config_input.h"

TEST(ConfigFuzzCorpus, EveryKeptFileReadsBackAsWritten) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CONFIG_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), {});
        EXPECT_TRUE(RunConfigInput(input.data(), input.size())) << entry.path();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
