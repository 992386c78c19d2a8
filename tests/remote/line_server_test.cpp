// The line server on real sockets with real client threads: one reply per
// line in order, one request at a time, and every kind of bad client
// answered or closed while the others are served.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/remote/json_writer.h"
#include "core/remote/line_server.h"
#include "socket_client.h"
#include "temp_dir.h"

using ferrule::remote::LineServer;
using ferrule::remote::LineServerOptions;
using ::testing::HasSubstr;
using ::testing::Optional;
using ::testing::StartsWith;

namespace {

// Answers each request on its own thread, as the engine's thread does: the
// line echoed in JSON, "watch" makes the client a watcher. It checks that
// never two requests are handed over at once.
class EchoEngine {
public:
    explicit EchoEngine(LineServerOptions options) : server(std::move(options)) {}
    ~EchoEngine() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        arrived.notify_all();
        if (worker.joinable()) {
            worker.join();
        }
        server.Stop();
    }
    bool Start() {
        std::string error;
        if (!server.Start(
                [this](const LineServer::Request& request) {
                    if (++inFlight > 1) {
                        overlapped = true;
                    }
                    std::lock_guard lock(mutex);
                    requests.push_back(request);
                    arrived.notify_one();
                },
                &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        worker = std::thread([this] { Work(); });
        return true;
    }
    void Work() {
        for (;;) {
            std::unique_lock lock(mutex);
            arrived.wait(lock, [this] { return stop || (!requests.empty() && !holding); });
            if (stop) {
                return;
            }
            LineServer::Request request = requests.front();
            requests.pop_front();
            lock.unlock();
            if (request.line == "watch") {
                server.Watch(request.client);
            }
            --inFlight;
            server.Reply(request.id,
                         ferrule::remote::JsonObject().Set("echo", request.line).Text());
        }
    }
    void Hold(bool on) {
        {
            std::lock_guard lock(mutex);
            holding = on;
        }
        arrived.notify_all();
    }

    LineServer server;
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<LineServer::Request> requests;
    std::thread worker;
    bool stop = false;
    bool holding = false;
    std::atomic<int> inFlight{0};
    std::atomic<bool> overlapped{false};
};

std::string Echo(const std::string& line) {
    return ferrule::remote::JsonObject().Set("echo", line).Text();
}

class LineServerTest : public ::testing::Test {
protected:
    LineServerOptions Options() {
        LineServerOptions options;
        options.unixPath = dir.File("ferrule.sock");
        return options;
    }
    TempDir dir;
};

TEST_F(LineServerTest, SeveralClientsEachGetOneReplyPerLineInOrder) {
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    constexpr int kClients = 6;
    constexpr int kLines = 40;
    std::vector<std::thread> threads;
    std::atomic<int> correct{0};
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&, c] {
            SocketClient client = SocketClient::Unix(engine.server.UnixPath());
            std::string all;
            for (int i = 0; i < kLines; ++i) {
                all += "client " + std::to_string(c) + " line " + std::to_string(i) + "\r\n";
            }
            client.Send(all);  // all at once: more than a client may have queued
            for (int i = 0; i < kLines; ++i) {
                if (client.ReadLine() ==
                    Echo("client " + std::to_string(c) + " line " + std::to_string(i))) {
                    ++correct;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(correct, kClients * kLines);
    EXPECT_FALSE(engine.overlapped);
}

TEST_F(LineServerTest, BadInputIsAnsweredOrClosedWhileOthersAreServed) {
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    SocketClient good = SocketClient::Unix(engine.server.UnixPath());

    SocketClient longLine = SocketClient::Unix(engine.server.UnixPath());
    longLine.Send(std::string(5000, 'a') + "\n");
    EXPECT_THAT(longLine.ReadLine(), Optional(HasSubstr("line longer than 4096 bytes")));
    EXPECT_TRUE(longLine.ClosedByServer());

    SocketClient endless = SocketClient::Unix(engine.server.UnixPath());
    endless.Send(std::string(9000, 'b'));  // and never a line end
    EXPECT_THAT(endless.ReadLine(), Optional(HasSubstr("line longer than 4096 bytes")));
    EXPECT_TRUE(endless.ClosedByServer());

    // Any bytes at all make a line whose reply is valid JSON.
    SocketClient garbage = SocketClient::Unix(engine.server.UnixPath());
    std::string binary;
    for (int b = 1; b < 256; ++b) {
        if (b != '\n') {
            binary += static_cast<char>(b);
        }
    }
    garbage.Send(binary + "\n\xc3\x28\xff\n\n");
    const std::optional<std::string> reply = garbage.ReadLine();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->find('\n'), std::string::npos);
    EXPECT_THAT(reply, Optional(HasSubstr("\\u0001")));
    EXPECT_THAT(garbage.ReadLine(), Optional(Echo("\xc3\x28\xff")));
    EXPECT_THAT(garbage.ReadLine(), Optional(Echo("")));
    EXPECT_EQ(Echo("\xc3\x28\xff"), "{\"echo\": \"\\ufffd(\\ufffd\"}");

    good.Send("still here\n");
    EXPECT_THAT(good.ReadLine(), Optional(Echo("still here")));
}

TEST_F(LineServerTest, AClientThatSendsNothingIsClosedButAWatcherStays) {
    LineServerOptions options = Options();
    options.firstLineLimitMs = 200;
    options.idleLimitMs = 400;
    EchoEngine engine(options);
    ASSERT_TRUE(engine.Start());
    SocketClient silent = SocketClient::Unix(engine.server.UnixPath());
    SocketClient idle = SocketClient::Unix(engine.server.UnixPath());
    SocketClient watcher = SocketClient::Unix(engine.server.UnixPath());
    idle.Send("one\n");
    watcher.Send("watch\n");
    EXPECT_THAT(idle.ReadLine(), Optional(Echo("one")));
    EXPECT_THAT(watcher.ReadLine(), Optional(Echo("watch")));
    EXPECT_THAT(silent.ReadLine(), Optional(HasSubstr("no command came within")));
    EXPECT_TRUE(silent.ClosedByServer());
    EXPECT_THAT(idle.ReadLine(), Optional(HasSubstr("idle for")));
    EXPECT_TRUE(idle.ClosedByServer());
    engine.server.Broadcast("{\"event\": \"shutter\"}");
    EXPECT_THAT(watcher.ReadLine(), Optional(std::string("{\"event\": \"shutter\"}")));
}

TEST_F(LineServerTest, AThousandConnectionsAtOnceAreRefusedBeyondTheLimitAndServingGoesOn) {
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    std::vector<SocketClient> crowd;
    for (int i = 0; i < 1000; ++i) {
        crowd.push_back(SocketClient::Unix(engine.server.UnixPath()));
        EXPECT_LE(engine.server.ClientCount(), 32u);
        if (crowd.size() == 200) {
            // The process has descriptors for only so many at a time.
            crowd.clear();
        }
    }
    EXPECT_LE(engine.server.ClientCount(), 32u);
    crowd.clear();
    // Once the server has seen them go, there is room again.
    for (int i = 0; i < 500 && engine.server.ClientCount() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    SocketClient after = SocketClient::Unix(engine.server.UnixPath());
    after.Send("after the crowd\n");
    EXPECT_THAT(after.ReadLine(), Optional(Echo("after the crowd")));
}

TEST_F(LineServerTest, ClientsBeyondTheLimitAreToldSo) {
    LineServerOptions options = Options();
    options.maxClients = 2;
    EchoEngine engine(options);
    ASSERT_TRUE(engine.Start());
    SocketClient a = SocketClient::Unix(engine.server.UnixPath());
    SocketClient b = SocketClient::Unix(engine.server.UnixPath());
    a.Send("a\n");
    b.Send("b\n");
    EXPECT_THAT(a.ReadLine(), Optional(Echo("a")));
    EXPECT_THAT(b.ReadLine(), Optional(Echo("b")));
    SocketClient c = SocketClient::Unix(engine.server.UnixPath());
    EXPECT_THAT(c.ReadLine(), Optional(HasSubstr("too many clients")));
    EXPECT_TRUE(c.ClosedByServer());
}

TEST_F(LineServerTest, AWatcherThatStopsReadingIsClosed) {
    LineServerOptions options = Options();
    options.outputLimit = 4096;
    EchoEngine engine(options);
    ASSERT_TRUE(engine.Start());
    SocketClient reader = SocketClient::Unix(engine.server.UnixPath());
    SocketClient stuck = SocketClient::Unix(engine.server.UnixPath());
    stuck.Send("watch\n");
    EXPECT_THAT(stuck.ReadLine(), Optional(Echo("watch")));
    const std::string event = "{\"event\": \"" + std::string(200, 'x') + "\"}";
    for (int i = 0; i < 20000 && engine.server.ClientCount() == 2; ++i) {
        engine.server.Broadcast(event);
        if (i % 100 == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    for (int i = 0; i < 500 && engine.server.ClientCount() == 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(engine.server.ClientCount(), 1u);
    reader.Send("fine\n");
    EXPECT_THAT(reader.ReadLine(), Optional(Echo("fine")));
}

TEST_F(LineServerTest, AClientGoneBeforeItsReplyIsSkipped) {
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    engine.Hold(true);
    {
        SocketClient leaving = SocketClient::Unix(engine.server.UnixPath());
        leaving.Send("first\nsecond\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    SocketClient staying = SocketClient::Unix(engine.server.UnixPath());
    staying.Send("third\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    engine.Hold(false);
    EXPECT_THAT(staying.ReadLine(), Optional(Echo("third")));

    // A client that has said everything still gets its replies.
    SocketClient done = SocketClient::Unix(engine.server.UnixPath());
    done.Send("last words\n");
    done.EndSending();
    EXPECT_THAT(done.ReadLine(), Optional(Echo("last words")));
    EXPECT_TRUE(done.ClosedByServer());
}

TEST_F(LineServerTest, TheUnixSocketIsItsUsersAloneAndOneServersOnly) {
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    struct stat info {};
    ASSERT_EQ(stat(engine.server.UnixPath().c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    LineServer second(Options());
    std::string error;
    EXPECT_FALSE(second.Start([](const LineServer::Request&) {}, &error));
    EXPECT_THAT(error, HasSubstr("another server is listening"));
    SocketClient client = SocketClient::Unix(engine.server.UnixPath());
    client.Send("first server\n");
    EXPECT_THAT(client.ReadLine(), Optional(Echo("first server")));

    engine.server.Stop();
    EXPECT_NE(stat(engine.server.UnixPath().c_str(), &info), 0);
}

TEST_F(LineServerTest, ASocketLeftByAServerThatDiedIsReplaced) {
    const std::string path = dir.File("ferrule.sock");
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);
    }
    EchoEngine engine(Options());
    ASSERT_TRUE(engine.Start());
    SocketClient client = SocketClient::Unix(path);
    client.Send("new\n");
    EXPECT_THAT(client.ReadLine(), Optional(Echo("new")));
}

TEST_F(LineServerTest, TcpOnLoopbackWithTheSystemsChoiceOfPort) {
    LineServerOptions options;
    std::string error;
    options.tcp = ferrule::remote::ParseTcpAddress("127.0.0.1:0", &error);
    EchoEngine engine(options);
    ASSERT_TRUE(engine.Start());
    ASSERT_NE(engine.server.TcpPort(), 0);
    SocketClient client = SocketClient::Tcp(engine.server.TcpPort());
    client.Send("*IDN?\n");
    EXPECT_THAT(client.ReadLine(), Optional(Echo("*IDN?")));
}

}  // namespace
