// Which driver library the command line picks, where the bundled ones are
// found in a build tree and in an installed layout, and the load of the first
// candidate that loads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shutter_panel_app.h"
#include "core/link/d2xx_api.h"
#include "core/link/driver_choice.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// An installed layout: PREFIX/bin/ferrule and the private driver folder.
struct InstalledLayout {
    TempDir dir;
    fs::path bin = fs::path(dir.File("bin"));
    fs::path drivers = fs::path(dir.File("lib")) / "ferrule";
    std::vector<fs::path> folders;

    InstalledLayout() {
        fs::create_directories(bin);
        fs::create_directories(drivers);
        folders = ferrule::BundledDriverFolders(bin / "ferrule");
    }
    static void Touch(const fs::path& file) { std::ofstream(file) << ""; }
};

CommandLine Parse(const std::vector<std::string>& arguments, const std::vector<fs::path>& folders) {
    std::vector<std::string> words{"ferrule"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), folders, "p.INI");
}

}  // namespace

TEST(DriverChoice, BundledNamesAreFoundBesideTheProgramFirstThenInThePrivateFolder) {
    InstalledLayout layout;
    ASSERT_EQ(layout.folders.size(), 2u);
    EXPECT_EQ(layout.folders[1], layout.drivers);

    // Neither has it: the program's own folder is named, for the load message.
    EXPECT_EQ(ferrule::ResolveDriver("tty", layout.folders), (layout.bin / "libftty.so").string());
    InstalledLayout::Touch(layout.drivers / "libftty.so");
    InstalledLayout::Touch(layout.drivers / "libfsim.so");
    EXPECT_EQ(ferrule::ResolveDriver("tty", layout.folders),
              (layout.drivers / "libftty.so").string());
    InstalledLayout::Touch(layout.bin / "libftty.so");
    EXPECT_EQ(ferrule::ResolveDriver("tty", layout.folders), (layout.bin / "libftty.so").string());
    EXPECT_EQ(ferrule::ResolveDriver("sim", layout.folders),
              (layout.drivers / "libfsim.so").string());

    // Anything else is a path or a library name, used as given.
    for (const char* other : {"libftd2xx.so", "./sim", "/opt/x/libftty.so", "SIM", "tty "}) {
        EXPECT_EQ(ferrule::ResolveDriver(other, layout.folders), other);
    }
}

TEST(DriverChoice, CommandLinePicksTheDriverAndOnlyTheDefaultHasAFallback) {
    InstalledLayout layout;
    InstalledLayout::Touch(layout.drivers / "libfsim.so");
    std::string tty = (layout.bin / "libftty.so").string();

    CommandLine plain = Parse({}, layout.folders);
    EXPECT_EQ(plain.panel.driverLibrary, "libftd2xx.so");
    EXPECT_EQ(plain.panel.fallbackDrivers, std::vector<std::string>{tty});
    const std::pair<std::vector<std::string>, std::string> named[] = {
        {{"--simulate"}, (layout.drivers / "libfsim.so").string()},
        {{"--driver", "sim"}, (layout.drivers / "libfsim.so").string()},
        {{"--driver", "tty"}, tty},
        {{"--driver", "/x/libother.so"}, "/x/libother.so"}};
    for (const auto& [arguments, library] : named) {
        CommandLine line = Parse(arguments, layout.folders);
        EXPECT_EQ(line.panel.driverLibrary, library) << arguments.back();
        EXPECT_TRUE(line.panel.fallbackDrivers.empty()) << arguments.back();
    }
    // An empty name would load the program itself as its driver.
    EXPECT_EQ(Parse({"--driver", ""}, layout.folders).error, "--driver needs a value");
}

TEST(DriverChoice, LoadTakesTheFirstCandidateThatLoadsAndKnowsItsFile) {
    std::vector<std::string> messages;
    ferrule::D2xxApi api([&](const std::string& m) { messages.push_back(m); });
    // The C library loads but is no driver: only the missing entry is reported,
    // not the candidate before it that did not load.
    api.LoadD2xx(std::vector<std::string>{"/nonexistent/libftd2xx.so", "libc.so.6"});
    EXPECT_EQ(messages, std::vector<std::string>{"Error: Can't Find FT_Write"});
    ASSERT_TRUE(api.IsLoaded());
    fs::path file = api.LoadedPath();
    EXPECT_TRUE(file.is_absolute()) << file;
    EXPECT_EQ(file.filename(), "libc.so.6");
    api.FreeLibrary();
    EXPECT_EQ(api.LoadedPath(), "");
}
