// The link doctor's findings from evidence: fake sysfs trees (as ferrule-sim
// and the serial back end's tests lay them out) whose ports are real
// pseudo-terminals, another program holding the port, a run as another user
// without permission, fake udev rules and units, a latency timer of 16, and
// attributes that are missing or cannot be read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "child_process.h"
#include "core/doctor/link_doctor.h"
#include "temp_dir.h"
#include "tty/fake_tree.h"
#include "tty/port_holder_process.h"
#include "tty/pty_sim_process.h"

namespace ferrule {

void PrintTo(const LinkFinding& finding, std::ostream* out) {
    *out << FormatFindings({finding});
}

}  // namespace ferrule

namespace {

using ferrule::DriverKind;
using ferrule::LinkFinding;
using Kind = ferrule::LinkFinding::Kind;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kKind = "Quillon Shutter Controller";

auto Found(Kind kind, const std::string& summary) {
    return Contains(
        AllOf(Field(&LinkFinding::kind, kind), Field(&LinkFinding::summary, HasSubstr(summary))));
}

class Doctor : public ::testing::Test {
protected:
    Doctor() {
        std::filesystem::create_directories(Rules());
        std::filesystem::create_directories(Units());
        WriteGroups("root:x:0:\ntty:x:5:\ndialout:x:20:\n");
        roots.sysfs = tree.Sys();
        roots.dev = tree.Dev();
        roots.groupFile = dir.File("group");
        roots.udevRuleFolders = {Rules()};
        roots.unitFolders = {Units()};
    }
    std::string Rules() const { return dir.File("rules.d"); }
    std::string Units() const { return dir.File("units"); }
    void WriteGroups(const std::string& text) { std::ofstream(dir.File("group")) << text; }

    // The controller behind a real pseudo-terminal, as ttyUSB0 of USB device 1-1.
    std::filesystem::path PlugController() {
        EXPECT_TRUE(sim.Ready());
        tree.AddUsbDevice("1-1", kKind, "QSC00001");
        return tree.AddPort("1-1", 0, "ttyUSB0", sim.SlavePath(), "ftdi_sio");
    }
    std::vector<LinkFinding> Diagnose(DriverKind driver = DriverKind::SerialPorts) {
        request.driver = driver;
        return ferrule::DiagnoseLink(roots, request);
    }
    // The doctor as another program, as the user nobody where the test runs
    // as root: its findings as text.
    std::string DiagnoseAsNobody() {
        ChildProcess probe(
            {DOCTOR_PROBE_EXECUTABLE, tree.Sys().string(), tree.Dev().string(), dir.File("group"),
             Rules(), Units(), "tty", std::to_string(request.choice.openBy), request.choice.text},
            geteuid() == 0);
        std::string text;
        for (int lines = 0; lines < 1000; ++lines) {
            const std::string line = probe.ReadLine();
            if (line == "END") {
                break;
            }
            text += line + "\n";
        }
        return text;
    }

    TempDir dir;
    FakeTree tree{dir};
    PtySimProcess sim;
    ferrule::DoctorRoots roots;
    ferrule::DoctorRequest request = ForController();

    static ferrule::DoctorRequest ForController() {
        ferrule::DoctorRequest request;
        request.choice = {ferrule::kOpenBySerialNumber, "QSC00001"};
        return request;
    }
};

TEST_F(Doctor, NoFtdiDeviceOrOneThatIsNotOurs) {
    tree.AddUsbDevice("1-4", "Keyboard", std::nullopt, "046d");
    auto findings = Diagnose();
    EXPECT_THAT(findings, Found(Kind::Problem, "No FTDI device is on USB."));
    EXPECT_THAT(findings.front().fix, HasSubstr("lsusb -d 0403:"));

    tree.AddUsbDevice("1-2", "USB Serial Cable", "FT0042");
    findings = Diagnose();
    EXPECT_THAT(findings, Found(Kind::Problem,
                                "An FTDI device is attached, but not the one "
                                "Ferrule is set to open (serial number "
                                "\"QSC00001\")"));
    EXPECT_THAT(findings.front().detail,
                HasSubstr("1-2: description \"USB Serial Cable\", serial number \"FT0042\""));
}

TEST_F(Doctor, APortHeldByAnotherProgramIsNamedWithItsPid) {
    PlugController();
    auto holder = StartPortHolder();
    ASSERT_EQ(ReadOpened(*holder).status, FT_OK);
    const auto findings = Diagnose();
    const std::string node = (tree.Dev() / "ttyUSB0").string();
    EXPECT_THAT(findings, Found(Kind::Problem, node + " is held by another program: "
                                                      "tty_port_holder (PID "));
    EXPECT_THAT(findings, Found(Kind::Fine, "The device is attached."));
    holder->Send("close");
    ASSERT_EQ(holder->ReadLine(), "closed");
    EXPECT_THAT(Diagnose(), Found(Kind::Fine, "No other program holds " + node));
}

TEST_F(Doctor, ANodeWithoutPermissionSaysWhoMayAndWhatToDo) {
    PlugController();
    std::filesystem::permissions(
        dir.File(""), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                          std::filesystem::perms::others_exec);
    // A serial port as udev leaves it without the package's rule.
    ASSERT_EQ(chmod(sim.SlavePath().c_str(), 0660), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(sim.SlavePath().c_str(), 0, 20), 0);
    } else {
        ASSERT_EQ(chmod(sim.SlavePath().c_str(), 0), 0);
    }
    const std::string user = geteuid() == 0 ? "nobody" : getpwuid(geteuid())->pw_name;
    std::string text = DiagnoseAsNobody();
    EXPECT_THAT(text, HasSubstr("Problem: The serial port " + (tree.Dev() / "ttyUSB0").string() +
                                " may not be opened by you (" + user + ")."));
    EXPECT_THAT(text, HasSubstr("Ferrule's udev rule (60-ferrule-ftdi.rules) is not installed"));
    EXPECT_THAT(text, HasSubstr("sudo udevadm control --reload && sudo udevadm trigger"));
    if (geteuid() != 0) {
        return;  // the rest needs a node in a group this user is not in
    }
    EXPECT_THAT(text, HasSubstr("owner root, group dialout, mode crw-rw----."));
    EXPECT_THAT(text, HasSubstr("You (nobody) are not in the group dialout."));
    EXPECT_THAT(text, HasSubstr("Fix: sudo adduser nobody dialout   (then log out and in again)"));

    // Added to the group since this login began; the rule installed.
    WriteGroups("dialout:x:20:someone,nobody\n");
    std::ofstream(Rules() + "/60-ferrule-ftdi.rules") << "# rule\n";
    text = DiagnoseAsNobody();
    EXPECT_THAT(text, HasSubstr("You were added to the group dialout, but this login started "
                                "before that: a new group takes effect only at the next login."));
    EXPECT_THAT(text, HasSubstr("Fix: Log out and in again"));
    EXPECT_THAT(text, HasSubstr("Ferrule's udev rule is installed (" + Rules() +
                                "/60-ferrule-ftdi.rules)"));
}

TEST_F(Doctor, BrlttyModemManagerAndASlowLatencyTimerAreWarnedOf) {
    PlugController();  // its latency timer is the kernel's default, 16 ms
    std::ofstream(Rules() + "/85-brltty.rules")
        << "# FTDI-based braille displays\n"
        << "ENV{PRODUCT}==\"403/6001/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"at\", GOTO=\"brltty\"\n";
    std::ofstream(Units() + "/ModemManager.service") << "[Service]\n";
    auto findings = Diagnose();
    EXPECT_THAT(findings, Found(Kind::Warning,
                                "brltty, the braille display daemon, is installed "
                                "and can claim the adapter"));
    EXPECT_THAT(findings, Found(Kind::Warning,
                                "ModemManager is installed and probes new serial "
                                "ports"));
    EXPECT_THAT(findings, Found(Kind::Warning,
                                "The latency timer of ttyUSB0 is 16 ms: the "
                                "controller's replies arrive up to 16 ms late."));
    const auto latency = std::find_if(findings.begin(), findings.end(), [](const LinkFinding& f) {
        return f.summary.find("latency") != std::string::npos;
    });
    EXPECT_EQ(latency->fix, "echo 2 | sudo tee " + (std::filesystem::canonical(tree.UsbDir("1-1")) /
                                                    "1-1:1.0" / "ttyUSB0" / "latency_timer")
                                                       .string());

    // A rule that keeps ModemManager off FTDI adapters, and a brltty rule for others only.
    std::ofstream(Rules() + "/70-keep-off.rules")
        << "ATTRS{idVendor}==\"0403\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n";
    std::ofstream(Rules() + "/85-brltty.rules") << "ENV{PRODUCT}==\"1c71/c005/*\"\n";
    FakeTree::WriteFile(tree.Bus() / "ttyUSB0" / "latency_timer", "2");
    findings = Diagnose();
    EXPECT_THAT(findings, Found(Kind::Fine, "brltty is installed, but nothing makes it claim"));
    EXPECT_THAT(findings, Found(Kind::Fine, "a udev rule keeps it off FTDI adapters"));
    EXPECT_THAT(findings, Not(Contains(Field(&LinkFinding::kind, Kind::Warning))));
}

TEST_F(Doctor, WhatCouldNotBeReadIsSaidInsteadOfGuessed) {
    const auto port = PlugController();
    std::filesystem::remove(port / "latency_timer");
    std::filesystem::create_directory(port / "latency_timer");
    tree.AddUsbDevice("1-3", "Other", "O1");
    std::filesystem::remove(tree.UsbDir("1-3") / "idVendor");
    const auto findings = Diagnose();
    const auto unread = std::find_if(findings.begin(), findings.end(), [](const LinkFinding& f) {
        return f.kind == Kind::Unreadable;
    });
    ASSERT_NE(unread, findings.end());
    EXPECT_THAT(unread->detail,
                HasSubstr("could not read " + (tree.UsbBus() / "1-3" / "idVendor").string() +
                          ": it does not exist"));
    EXPECT_THAT(unread->detail, HasSubstr("latency_timer: Is a directory"));
    EXPECT_THAT(findings, Not(Found(Kind::Warning, "latency timer")));
    EXPECT_THAT(findings, Found(Kind::Fine, "not everything could be checked"));

    roots.sysfs = dir.File("no-such-sysfs");
    EXPECT_THAT(Diagnose(),
                Found(Kind::Unreadable, "Which USB devices are attached could not be read."));
}

TEST_F(Doctor, TheDriverThatHoldsTheDeviceAgainstTheLibraryInUse) {
    PlugController();
    auto findings = Diagnose(DriverKind::Vendor);
    EXPECT_THAT(findings, Found(Kind::Problem,
                                "The kernel's serial driver (ftdi_sio) holds the "
                                "device, so the vendor's D2XX library cannot"));
    EXPECT_THAT(findings,
                Contains(Field(&LinkFinding::fix,
                               AllOf(HasSubstr("ferrule --driver tty"),
                                     HasSubstr("echo 1-1:1.0 | sudo tee "
                                               "/sys/bus/usb/drivers/ftdi_sio/unbind")))));

    // The vendor's library has the device: no port for the tty driver.
    tree.AddUsbDevice("1-2", "Bench", "B2");
    std::filesystem::create_directories(tree.UsbDir("1-2") / "1-2:1.0");
    request.choice = {ferrule::kOpenBySerialNumber, "B2"};
    findings = Diagnose();
    EXPECT_THAT(findings, Found(Kind::Problem,
                                "The kernel's serial driver (ftdi_sio) does not "
                                "serve the device"));
    EXPECT_THAT(findings, Contains(Field(&LinkFinding::fix, HasSubstr("sudo modprobe ftdi_sio"))));

    findings = Diagnose(DriverKind::Simulator);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings.front().kind, Kind::Fine);
}

}  // namespace
