// Replays the decoder fuzzer's kept inputs (crashes found once, and seeds)
// through the same harness, so that none comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "decoder_input.h"

TEST(DecoderFuzzCorpus, EveryKeptInputDecodesWithoutFault) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), {});
        SCOPED_TRACE(entry.path().string());
        RunDecoderInput(input.data(), input.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
