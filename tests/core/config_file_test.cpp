// The configuration file's records: the example file byte for byte, the three
// length forms and the 16-bit form, and damaged files refused whole.
#include <gtest/gtest.h>

#include "core/timing/config_file.h"

using ferrule::ConfigRecords;
using ferrule::DecodeConfigFile;
using ferrule::EncodeConfigFile;

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

const ConfigRecords kExample = {"1",   "0", "0", "0", "1",  "0",   "1", "2",  "3",
                                "456", "7", "",  "",  "30", "250", "5", "-1", "10"};
const std::string kExampleFile =
    Bytes({0x01, 0x31, 0x01, 0x30, 0x01, 0x30, 0x01, 0x30, 0x01, 0x31, 0x01, 0x30, 0x01, 0x31,
           0x01, 0x32, 0x01, 0x33, 0x03, 0x34, 0x35, 0x36, 0x01, 0x37, 0x00, 0x00, 0x02, 0x33,
           0x30, 0x03, 0x32, 0x35, 0x30, 0x01, 0x35, 0x02, 0x2D, 0x31, 0x02, 0x31, 0x30});

}  // namespace

TEST(ConfigFile, TheExampleByteForByte) {
    EXPECT_EQ(EncodeConfigFile(kExample), kExampleFile);
    EXPECT_EQ(DecodeConfigFile(kExampleFile), kExample);
    // Bytes after the eighteenth record are ignored.
    EXPECT_EQ(DecodeConfigFile(kExampleFile + "extra"), kExample);
}

TEST(ConfigFile, LengthFormsAtTheirBoundaries) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        std::string record;
        ferrule::AppendConfigRecord(record, std::string(c.length, 'x'));
        EXPECT_EQ(record.substr(0, c.prefix.size()), c.prefix) << c.length;
        ConfigRecords records = kExample;
        records[17] = std::string(c.length, 'x');
        EXPECT_EQ(DecodeConfigFile(EncodeConfigFile(records)), records) << c.length;
    }
}

// 0xFF 0xFFFE, then a length of the usual forms, then two bytes a character.
TEST(ConfigFile, SixteenBitRecordsAreReadAsText) {
    std::string file = kExampleFile.substr(0, 38);  // the first seventeen records
    file += Bytes({0xFF, 0xFE, 0xFF, 0x05, '4', 0, 0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE});
    const auto records = DecodeConfigFile(file);
    ASSERT_TRUE(records);
    EXPECT_EQ((*records)[17], "4\u00E9\u20AC\U0001F600");
    // A surrogate without its partner is replaced, not passed on.
    file = kExampleFile.substr(0, 38) + Bytes({0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xD8});
    EXPECT_EQ((*DecodeConfigFile(file))[17], "\uFFFD");
}

TEST(ConfigFile, AFileThatEndsEarlyIsRefusedWhole) {
    const std::string damaged[] = {
        "",
        Bytes({0x01, 0x31, 0x01, 0x30, 0x02}),
        kExampleFile.substr(0, 40),
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),  // a 4 GiB record in 7 bytes
        kExampleFile.substr(0, 38) + Bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'}),
        kExampleFile.substr(0, 38) + Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF}),
        kExampleFile.substr(0, 38) + Bytes({0xFF, 0x10}),
    };
    for (const std::string& file : damaged) {
        EXPECT_FALSE(DecodeConfigFile(file)) << file.size() << " bytes";
    }
}
