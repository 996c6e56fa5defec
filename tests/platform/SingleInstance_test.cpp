// The one running program: later starts hand over their activation token over the real socket, a dead
// program's socket is taken over, and a peer that is no start of the program changes nothing.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstring>

#include "gtest/gtest.h"
#include "platform/qt/LocalSingleInstance.h"

namespace {

class SingleInstance : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        qputenv("DISPLAY", ":7");
    }
    void TearDown() override { qunsetenv("XDG_ACTIVATION_TOKEN"); }
    // Handles events until the running one has been asked to come forward `count` times, at most 2 s.
    bool Forwarded(int count) {
        QElapsedTimer timer;
        timer.start();
        while (forwards < count && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        return forwards == count;
    }
    // Connects to the running one's socket and sends `bytes`, as something other than a start.
    void Send(const std::string& bytes) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = SocketPath().toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    // Where the one that runs on display :7 listens.
    QString SocketPath() const {
        return runtime.filePath(QCoreApplication::applicationName() + "-:7.socket");
    }
    QTemporaryDir runtime;
    int forwards = 0;
};

TEST_F(SingleInstance, LaterStartsHandOverTheirTokenToTheOneThatRuns) {
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    one.SetForwardHandler([this] { ++forwards; });
    // The same display with its screen named is the same session.
    qputenv("DISPLAY", ":7.0");
    qputenv("XDG_ACTIVATION_TOKEN", "launch-1");
    EXPECT_FALSE(platform::LocalSingleInstance().BecomeTheOne());
    qunsetenv("XDG_ACTIVATION_TOKEN");  // the one that runs is this same process
    ASSERT_TRUE(Forwarded(1));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), "launch-1");
    // A start without a token leaves none of the earlier launch's behind.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    EXPECT_FALSE(platform::LocalSingleInstance().BecomeTheOne());
    qputenv("XDG_ACTIVATION_TOKEN", "launch-1");
    ASSERT_TRUE(Forwarded(2));
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    // Another display is another session.
    qputenv("DISPLAY", ":8");
    EXPECT_TRUE(platform::LocalSingleInstance().BecomeTheOne());
}

TEST_F(SingleInstance, PeersThatAreNoStartAreDroppedAndTheOneGoesOn) {
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    one.SetForwardHandler([this] { ++forwards; });
    Send("no line at all");
    Send(std::string(100'000, 'x') + "\n");
    EXPECT_FALSE(Forwarded(1));
    Send("token\n");
    ASSERT_TRUE(Forwarded(1));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
}

TEST_F(SingleInstance, ADeadProgramsSocketIsTakenOver) {
    {
        platform::LocalSingleInstance dead;
        ASSERT_TRUE(dead.BecomeTheOne());
    }  // closed, but its socket file is left, as after a crash
    ASSERT_TRUE(QFile::exists(SocketPath()));
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    one.SetForwardHandler([this] { ++forwards; });
    EXPECT_FALSE(platform::LocalSingleInstance().BecomeTheOne());
    EXPECT_TRUE(Forwarded(1));
}

}  // namespace
