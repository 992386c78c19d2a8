// Finding the FTDI ports in sysfs: counts, texts, channel letters, order, and
// trees that are incomplete or hold other things.
#include <cstring>
#include <string>

#include "core/link/device_listing.h"
#include "tty_fixture.h"

namespace {

class TtyListing : public TtyTest {
protected:
    DWORD Count() {
        DWORD count = 99;
        EXPECT_EQ(lib.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        return count;
    }
    std::string ByIndex(int index, DWORD by) {
        char text[ferrule::DeviceListing::kBufferSize];
        std::memset(text, '#', sizeof text);
        void* arg = reinterpret_cast<void*>(static_cast<uintptr_t>(index));
        EXPECT_EQ(lib.FT_ListDevices(arg, text, FT_LIST_BY_INDEX | by), FT_OK);
        return std::string(text, strnlen(text, sizeof text));
    }
    std::vector<std::string> All(DWORD by) {
        ferrule::DeviceListing listing(Count());
        DWORD count = 0;
        EXPECT_EQ(lib.FT_ListDevices(listing.Table(), &count, FT_LIST_ALL | by), FT_OK);
        std::vector<std::string> texts;
        for (int i = 0; i < listing.Size(); ++i) {
            texts.push_back(listing.Text(i));
        }
        EXPECT_EQ(count, texts.size());
        return texts;
    }
    using Texts = std::vector<std::string>;
};

TEST_F(TtyListing, NoSysfsTreeIsAnEmptyBus) {
    setenv("FERRULE_TTY_SYSFS", dir.File("nowhere").c_str(), 1);
    EXPECT_EQ(Count(), 0u);
    char text[64];
    EXPECT_EQ(lib.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_DEVICE_NOT_FOUND);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(lib.FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);
    char description[] = "Quillon Shutter Controller";
    EXPECT_EQ(lib.FT_OpenEx(description, FT_OPEN_BY_DESCRIPTION, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(TtyListing, ListsProductStringsAndSerialNumbersByIndexAndAll) {
    tree.AddUsbDevice("1-1", "Quillon Shutter Controller", "QSC00001");
    tree.AddPort("1-1", 0, "ttyUSB0", "");
    tree.AddUsbDevice("1-2", "Bench Controller", "QSC00002");
    tree.AddPort("1-2", 0, "ttyUSB1", "");

    EXPECT_EQ(Count(), 2u);
    EXPECT_EQ(ByIndex(0, FT_OPEN_BY_DESCRIPTION), "Quillon Shutter Controller");
    EXPECT_EQ(ByIndex(1, FT_OPEN_BY_SERIAL_NUMBER), "QSC00002");
    EXPECT_EQ(All(FT_OPEN_BY_DESCRIPTION),
              (Texts{"Quillon Shutter Controller", "Bench Controller"}));
    EXPECT_EQ(All(FT_OPEN_BY_SERIAL_NUMBER), (Texts{"QSC00001", "QSC00002"}));

    char text[64];
    void* two = reinterpret_cast<void*>(uintptr_t{2});
    EXPECT_EQ(lib.FT_ListDevices(two, text, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              FT_DEVICE_NOT_FOUND);
}

TEST_F(TtyListing, AllFillsNoBufferPastTheTablesEnd) {
    for (int i = 0; i < 3; ++i) {
        const std::string usb = "1-" + std::to_string(i + 1);
        tree.AddUsbDevice(usb, "Controller " + std::to_string(i), "S" + std::to_string(i));
        tree.AddPort(usb, 0, "ttyUSB" + std::to_string(i), "");
    }
    // A table of one buffer: the count says three, one text is written.
    ferrule::DeviceListing listing(1);
    DWORD count = 0;
    ASSERT_EQ(lib.FT_ListDevices(listing.Table(), &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER),
              FT_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(listing.Text(0), "S0");
}

TEST_F(TtyListing, RefusesFlagsAndArgumentsItDoesNotKnow) {
    tree.AddUsbDevice("1-1", "Quillon Shutter Controller", "QSC00001");
    tree.AddPort("1-1", 0, "ttyUSB0", "");
    char text[64];
    DWORD count = 0;
    constexpr FT_STATUS kInvalidParameter = 6;
    EXPECT_EQ(lib.FT_ListDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), kInvalidParameter);
    EXPECT_EQ(lib.FT_ListDevices(nullptr, text, FT_LIST_BY_INDEX | 4), kInvalidParameter);
    EXPECT_EQ(lib.FT_ListDevices(nullptr, nullptr, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
              kInvalidParameter);
    EXPECT_EQ(lib.FT_ListDevices(nullptr, &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION),
              kInvalidParameter);
    EXPECT_EQ(lib.FT_ListDevices(&count, nullptr, 0), kInvalidParameter);
    FT_HANDLE handle = nullptr;
    char location[] = "1-1";
    EXPECT_EQ(lib.FT_OpenEx(location, 4, &handle), kInvalidParameter);
    EXPECT_EQ(lib.FT_Open(0, nullptr), kInvalidParameter);
}

TEST_F(TtyListing, PortsAreOrderedByTheirNumber) {
    tree.AddUsbDevice("1-1", "Tenth", "S10");
    tree.AddPort("1-1", 0, "ttyUSB10", "");
    tree.AddUsbDevice("1-2", "Second", "S2");
    tree.AddPort("1-2", 0, "ttyUSB2", "");
    EXPECT_EQ(All(FT_OPEN_BY_DESCRIPTION), (Texts{"Second", "Tenth"}));
}

TEST_F(TtyListing, ChannelsOfMultiChannelChipsCarryTheirLetter) {
    // Two ports of one chip.
    tree.AddUsbDevice("1-1", "Dual RS232-HS", "FT12AB");
    tree.AddPort("1-1", 0, "ttyUSB0", "");
    tree.AddPort("1-1", 1, "ttyUSB1", "");
    // The second channel of a chip whose first channel is not a serial port.
    tree.AddUsbDevice("1-2", "Dual RS232-HS", "FT34CD");
    tree.AddPort("1-2", 1, "ttyUSB2", "");
    // A single-channel chip keeps its texts as they are.
    tree.AddUsbDevice("1-3", "Quillon Shutter Controller", "QSC00001");
    tree.AddPort("1-3", 0, "ttyUSB3", "");

    EXPECT_EQ(All(FT_OPEN_BY_DESCRIPTION),
              (Texts{"Dual RS232-HS A", "Dual RS232-HS B", "Dual RS232-HS B",
                     "Quillon Shutter Controller"}));
    EXPECT_EQ(All(FT_OPEN_BY_SERIAL_NUMBER), (Texts{"FT12ABA", "FT12ABB", "FT34CDB", "QSC00001"}));
}

TEST_F(TtyListing, MissingOrOddAttributesListAsEmptyTexts) {
    // No product, no serial number, no interface number.
    tree.AddUsbDevice("1-1", std::nullopt, std::nullopt);
    tree.AddPort("1-1", -1, "ttyUSB0", "");
    // A product "file" that is a folder, and an empty serial number.
    tree.AddUsbDevice("1-2", std::nullopt, "");
    std::filesystem::create_directories(tree.UsbDir("1-2") / "product");
    tree.AddPort("1-2", 0, "ttyUSB1", "");
    // A port folder straight under the bus, with no USB device above it.
    std::filesystem::create_directories(tree.Bus() / "ttyUSB2");
    // Entries that are no ports: a dangling link, other names.
    std::filesystem::create_symlink(dir.File("gone"), tree.Bus() / "ttyUSB3");
    std::filesystem::create_directories(tree.Bus() / "ttyUSBx");
    std::filesystem::create_directories(tree.Bus() / "ttyACM0");
    std::filesystem::create_directories(tree.Bus() / "ttyUSB");

    EXPECT_EQ(All(FT_OPEN_BY_DESCRIPTION), (Texts{"", "", ""}));
    EXPECT_EQ(All(FT_OPEN_BY_SERIAL_NUMBER), (Texts{"", "", ""}));
    // Listed, but without a device node it does not open.
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(lib.FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);
}

TEST_F(TtyListing, PortsOfOtherUsbSerialDriversAreNotListed) {
    tree.AddUsbDevice("1-1", "USB-Serial Controller", "P1");
    tree.AddPort("1-1", 0, "ttyUSB0", "", "pl2303");
    tree.AddUsbDevice("1-2", "Quillon Shutter Controller", "QSC00001");
    tree.AddPort("1-2", 0, "ttyUSB1", "", "ftdi_sio");
    EXPECT_EQ(All(FT_OPEN_BY_DESCRIPTION), (Texts{"Quillon Shutter Controller"}));
}

TEST_F(TtyListing, TextsLongerThanAListingHoldAreCutAndStillOpen) {
    const std::string longName(80, 'D');
    PtySimProcess& sim = AddController("ttyUSB0", "1-1", longName, "QSC00001");
    ASSERT_TRUE(sim.Ready());
    EXPECT_EQ(ByIndex(0, FT_OPEN_BY_DESCRIPTION), longName.substr(0, 63));
    FT_HANDLE byListed = OpenEx(longName.substr(0, 63), FT_OPEN_BY_DESCRIPTION);
    ASSERT_NE(byListed, nullptr);
    Close(byListed);
    EXPECT_NE(OpenEx(longName, FT_OPEN_BY_DESCRIPTION), nullptr);
}

}  // namespace
