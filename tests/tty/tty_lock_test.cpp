// The port is ours alone while open and free after: another program is
// refused as busy (as root too, whom the exclusive flag does not stop), and
// the port opens again however its holder ends. The other programs are
// tty_port_holder processes; as root, the exclusive flag is checked by one
// running as the user nobody.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "port_holder_process.h"
#include "tty_fixture.h"

namespace {

class TtyLock : public TtyTest {
protected:
    static bool Root() { return geteuid() == 0; }
    std::string Node(const char* name) const { return (tree.Dev() / name).string(); }

    // A controller on ttyUSB0 that the user nobody can reach too.
    void AddSharedController() {
        PtySimProcess& sim = AddController();
        chmod(dir.File("").c_str(), 0755);
        chmod(sim.SlavePath().c_str(), 0666);
    }
    // Device 0 opened and closed again by this process.
    HolderOpened OpenHere() {
        FT_HANDLE handle = nullptr;
        HolderOpened opened;
        opened.status = lib.FT_Open(0, &handle);
        opened.category = LastOpenError(&opened.reason);
        if (opened.status == FT_OK) {
            lib.FT_Close(handle);
        }
        return opened;
    }
    void ExpectBusy(const HolderOpened& opened) {
        EXPECT_EQ(opened.status, FT_DEVICE_NOT_OPENED);
        EXPECT_EQ(opened.category, FTTY_OPEN_ERROR_BUSY);
        EXPECT_EQ(opened.reason, Node("ttyUSB0") + " is in use by another program");
    }
    // Free of the exclusive flag for a user who is not root, and of the lock
    // for anyone. In this order: closing a port clears the flag.
    void ExpectFree(bool flagToo = true) {
        if (Root() && flagToo) {
            EXPECT_EQ(OpenInAnotherProgram(true).status, FT_OK);
        }
        EXPECT_EQ(OpenHere().status, FT_OK);
    }
};

TEST_F(TtyLock, AnotherProgramIsRefusedAsBusyWhileThePortIsOpen) {
    AddSharedController();
    auto holder = StartPortHolder();
    ASSERT_EQ(ReadOpened(*holder).status, FT_OK);
    ExpectBusy(OpenHere());
    ExpectBusy(OpenInAnotherProgram());
    if (Root()) {
        ExpectBusy(OpenInAnotherProgram(true));
    }
}

TEST_F(TtyLock, ThePortIsFreeAgainHoweverItsHolderEnds) {
    AddSharedController();
    struct Ending {
        std::string command;  // or none: SIGKILL
        std::string reply;    // the holder's answer while it runs on, or none: it ends
    };
    // SIGKILL last: nothing runs then, and the exclusive flag stays on a
    // terminal that another process (here the simulator) keeps open.
    const Ending endings[] = {{"close", "closed"}, {"release", "released"}, {"exit", ""},
                              {"segv", ""},        {"abort", ""},           {"", ""}};
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.command.empty() ? "SIGKILL" : ending.command);
        auto holder = StartPortHolder();
        ASSERT_EQ(ReadOpened(*holder).status, FT_OK);
        if (ending.command.empty()) {
            holder->Signal(SIGKILL);
        } else {
            holder->Send(ending.command);
        }
        if (!ending.reply.empty()) {
            EXPECT_EQ(holder->ReadLine(), ending.reply);
        } else {
            const auto status = holder->Wait();
            ASSERT_TRUE(status.has_value());
            if (ending.command == "exit") {
                EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
            } else if (ending.command == "abort") {
                EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGABRT);
            } else {
                // A sanitizer's handler may end the process its own way.
                EXPECT_FALSE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
            }
        }
        ExpectFree(!ending.command.empty());
    }
}

// A crash reaches the handler the program had installed before (here one that
// lets the default action end the process), and still ends the process.
TEST_F(TtyLock, ACrashIsPassedOnToTheHandlerInstalledBefore) {
    AddSharedController();
    for (auto [command, signal] : {std::pair{"segv", SIGSEGV}, std::pair{"abort", SIGABRT}}) {
        SCOPED_TRACE(command);
        auto holder = StartPortHolder(false, "--previous-handler");
        ASSERT_EQ(ReadOpened(*holder).status, FT_OK);
        holder->Send(command);
        EXPECT_EQ(holder->ReadLine(), "previous " + std::to_string(signal));
        const auto status = holder->Wait();
        ASSERT_TRUE(status.has_value());
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == signal) << *status;
        ExpectFree();
    }
}

// Unloading the library with a port open shuts the port, and takes the
// library's crash handlers away again: none may be left pointing into it.
TEST(TtyLibraryRelease, UnloadingPutsBackTheSignalHandlersItFound) {
    TempDir dir;
    FakeTree tree(dir);
    PtySimProcess sim;
    ASSERT_TRUE(sim.Ready());
    tree.AddUsbDevice("1-1", "Quillon Shutter Controller", "QSC00001");
    tree.AddPort("1-1", 0, "ttyUSB0", sim.SlavePath());
    auto handler = [](int signal) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        return reinterpret_cast<void*>(action.sa_sigaction);
    };
    void* before = handler(SIGSEGV);
    {
        SimLibrary lib(FTTY_LIBRARY_PATH);
        FT_HANDLE handle = nullptr;
        ASSERT_EQ(lib.FT_Open(0, &handle), FT_OK);
        EXPECT_NE(handler(SIGSEGV), before);
    }
    EXPECT_EQ(handler(SIGSEGV), before);
    SimLibrary again(FTTY_LIBRARY_PATH);
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(again.FT_Open(0, &handle), FT_OK);
    again.FT_Close(handle);
}

}  // namespace
