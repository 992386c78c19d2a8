#include "core/common/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_dir.h"

using ferrule::ProfileFile;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(CoreProfileFile, MissingFileGivesDefaults) {
    TempDir dir;
    ProfileFile profile(dir.File("absent.INI"));
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 0), 0);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", "placeholder"), "placeholder");
}

TEST(CoreProfileFile, WrittenValuesReadBackAndOtherContentSurvives) {
    TempDir dir;
    std::string path = dir.File("ferrule.INI");
    std::ofstream(path)
        << "; kept comment\n[Other]\nDescString=elsewhere\n\n[MyFerruleAp]\nSerDesc=1\n";
    ProfileFile profile(path);

    EXPECT_TRUE(profile.WriteString("MyFerruleAp", "DescString", "Quillon Shutter"));
    EXPECT_TRUE(profile.WriteString("MyFerruleAp", "SerDesc", "2"));
    EXPECT_TRUE(profile.WriteString("MyFerruleAp", "DevNmbr", ""));

    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 0), 2);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", "x"), "Quillon Shutter");
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DevNmbr", "x"), "");
    EXPECT_EQ(profile.GetString("Other", "DescString", "x"), "elsewhere");
    EXPECT_NE(Slurp(path).find("; kept comment"), std::string::npos);
}

TEST(CoreProfileFile, NamesAreCaseInsensitiveAndValuesTrimmedAndUnquoted) {
    TempDir dir;
    std::string path = dir.File("ferrule.INI");
    std::ofstream(path) << "[myferruleap]\r\n  serdesc =  7 \r\nDescString=\"  quoted  \"\r\n";
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 0), 7);
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", ""), "  quoted  ");
}

TEST(CoreProfileFile, GarbageValuesReadByTheLeadingIntegerRule) {
    TempDir dir;
    std::string path = dir.File("ferrule.INI");
    std::ofstream(path) << "garbage line without equals\n[MyFerruleAp]\nSerDesc=abc\nDevNmbr=\n";
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 5), 0);
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "DevNmbr", 5), 0);
}

TEST(CoreProfileFile, ValueWithLineBreakStaysOnOneLine) {
    TempDir dir;
    ProfileFile profile(dir.File("ferrule.INI"));
    EXPECT_TRUE(profile.WriteString("MyFerruleAp", "DescString", "two\nlines"));
    EXPECT_TRUE(profile.WriteString("MyFerruleAp", "SerDesc", "1"));
    EXPECT_EQ(profile.GetString("MyFerruleAp", "DescString", ""), "two lines");
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 0), 1);
}

TEST(CoreProfileFile, UnwritableLocationReportsFailureAndKeepsNothingHalfWritten) {
    TempDir dir;
    ProfileFile profile(dir.File("no-such-folder/ferrule.INI"));
    EXPECT_FALSE(profile.WriteString("MyFerruleAp", "SerDesc", "1"));
    EXPECT_EQ(profile.GetInt("MyFerruleAp", "SerDesc", 9), 9);
}
