// The one running program: later starts hand over their activation token over the real socket, a dead
// program's socket is taken over, and a peer that is no start of the program, or of another user,
// changes nothing.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstring>
#include <thread>

#include "gtest/gtest.h"
#include "platform/qt/LocalSingleInstance.h"
#include "platform/qt/QtSettingsStore.h"

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
    // A socket of the test's own at the running one's path: connected, or bound (and listening when
    // `backlog` > 0); -1 when that failed.
    int Socket(bool bind, int backlog = 0, int flags = 0) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = SocketPath().toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
        const auto* a = reinterpret_cast<sockaddr*>(&address);
        const bool ok = bind
                            ? ::bind(fd, a, sizeof address) == 0 && (backlog == 0 || listen(fd, backlog) == 0)
                            : connect(fd, a, sizeof address) == 0;
        if (!ok) close(fd);
        return ok ? fd : -1;
    }
    // Connects to the running one's socket and sends `bytes`, as something other than a start.
    void Send(const std::string& bytes) {
        const int fd = Socket(false);
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    // Handles events until the running one closed the connection fd, at most `ms`.
    bool Closed(int fd, int ms) {
        QElapsedTimer timer;
        timer.start();
        char c;
        while (recv(fd, &c, 1, MSG_DONTWAIT) != 0 && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return recv(fd, &c, 1, MSG_DONTWAIT) == 0;
    }
    int Lock() {
        const int fd = open((SocketPath() + ".lock").toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
        return flock(fd, LOCK_EX) == 0 ? fd : -1;
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

TEST_F(SingleInstance, AStartThatFindsTheLockHeldWaitsForItsHolderAndNeverTakesTheSocket) {
    // Another start took the lock and has not listened yet; a dead one's socket is still there.
    const int lock = Lock();
    close(Socket(true));
    std::string received;
    std::thread holder([&] {
        usleep(300'000);
        unlink(SocketPath().toLocal8Bit().constData());
        const int listener = Socket(true, 4);
        const int peer = accept(listener, nullptr, nullptr);
        char line[64];
        received.assign(line, static_cast<size_t>(std::max<ssize_t>(0, read(peer, line, sizeof line))));
        close(peer);
        close(listener);
    });
    qputenv("XDG_ACTIVATION_TOKEN", "launch-2");
    EXPECT_FALSE(platform::LocalSingleInstance().BecomeTheOne());
    holder.join();
    EXPECT_EQ(received, "launch-2\n");
    close(lock);
}

TEST_F(SingleInstance, ALineIsWaitedForTwoSecondsAndAFloodLeavesDescriptorsToSaveWith) {
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    const int silent = Socket(false);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(Closed(silent, 3000));
    EXPECT_GE(timer.elapsed(), 1900);
    close(silent);
    // Far more connections than this process may have descriptors.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit low{256, limit.rlim_max};
    setrlimit(RLIMIT_NOFILE, &low);
    const pid_t flood = fork();
    if (flood == 0) {
        setrlimit(RLIMIT_NOFILE, &limit);
        for (int i = 0, connected = 0; i < 200'000 && connected < 1000; ++i, usleep(10))
            connected += Socket(false, 0, SOCK_NONBLOCK) >= 0;
        pause();
    }
    timer.restart();
    while (timer.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(QDir("/proc/self/fd").count(), 64u);
    platform::QtSettingsStore store;
    store.Write("TarnovelMon", "Settings", "site0", "saved.test");
    EXPECT_TRUE(store.Flush());
    kill(flood, SIGKILL);
    waitpid(flood, nullptr, 0);
    setrlimit(RLIMIT_NOFILE, &limit);
}

TEST_F(SingleInstance, AnotherUsersListenerOrPeerIsNeverTalkedTo) {
    if (geteuid() != 0) {
        if (qEnvironmentVariable("CI") == "true") FAIL() << "needs root to act as another user";
        GTEST_SKIP() << "needs root to listen and connect as another user";
    }
    // A listener that holds the lock but runs as another user: this start runs alone and sends nothing.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t stranger = fork();
    if (stranger == 0) {
        alarm(5);
        const int lock = Lock(), listener = Socket(true);
        char c = 0;
        if (lock < 0 || setresuid(65534, 65534, 65534) != 0 || listen(listener, 4) != 0) _exit(1);
        write(ready[1], &c, 1);
        _exit(read(accept(listener, nullptr, nullptr), &c, 1) == 0 ? 0 : 2);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    qputenv("XDG_ACTIVATION_TOKEN", "secret");
    EXPECT_TRUE(platform::LocalSingleInstance().BecomeTheOne());
    int status = -1;
    waitpid(stranger, &status, 0);
    EXPECT_EQ(status, 0);
    // A peer of another user that reaches the one that runs is dropped unheard.
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    one.SetForwardHandler([this] { ++forwards; });
    chmod(runtime.path().toLocal8Bit().constData(), 0711);
    chmod(SocketPath().toLocal8Bit().constData(), 0666);
    const pid_t peer = fork();
    if (peer == 0) {
        const int fd = setresuid(65534, 65534, 65534) == 0 ? Socket(false) : -1;
        _exit(fd >= 0 && write(fd, "evil\n", 5) == 5 ? 0 : 1);
    }
    waitpid(peer, &status, 0);
    EXPECT_EQ(status, 0);
    Send("token\n");
    ASSERT_TRUE(Forwarded(1));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
}

}  // namespace
