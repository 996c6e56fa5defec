// The one running program: later starts hand over their activation token over the real socket, the
// holder of the lock alone takes a dead program's socket over, and a peer that is no start of the
// program, a flood of them, or another user's listener changes nothing.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
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
    // A socket of the test's own at the running one's path, connected or bound; -1 when that failed.
    int Socket(bool bind, int flags = 0) {
        sockaddr_un address{AF_UNIX, {}};
        const QByteArray path = SocketPath().toLocal8Bit();
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
        const auto* a = reinterpret_cast<sockaddr*>(&address);
        if ((bind ? ::bind(fd, a, sizeof address) : connect(fd, a, sizeof address)) == 0) return fd;
        close(fd);
        return -1;
    }
    // Connects to the running one's socket and sends `bytes`, as something other than a start.
    void Send(const std::string& bytes) {
        const int fd = Socket(false);
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    }
    int Lock() {
        const int fd = open((SocketPath() + ".lock").toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
        return flock(fd, LOCK_EX) == 0 ? fd : -1;
    }
    // Where the one that runs on display :7 listens.
    QString SocketPath() const { return runtime.filePath(qAppName() + "-:7.socket"); }
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

TEST_F(SingleInstance, PeersThatAreNoStartAreDroppedAndAFloodLeavesDescriptorsFree) {
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    one.SetForwardHandler([this] { ++forwards; });
    Send("no line at all");
    Send(std::string(100'000, 'x') + "\n");
    EXPECT_FALSE(Forwarded(1));
    Send("token\n");
    ASSERT_TRUE(Forwarded(1));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), "token");
    // One that sends nothing is closed after two seconds.
    const int silent = Socket(false);
    QElapsedTimer timer;
    timer.start();
    char c;
    while (recv(silent, &c, 1, MSG_DONTWAIT) != 0 && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(recv(silent, &c, 1, MSG_DONTWAIT), 0);
    close(silent);
    // Far more connections, from another process, than this one may have descriptors.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit low{256, limit.rlim_max};
    const pid_t flood = fork();
    if (flood == 0) {
        for (int i = 0, connected = 0; i < 200'000 && connected < 1000; ++i, usleep(10))
            connected += Socket(false, SOCK_NONBLOCK) >= 0;
        pause();
    }
    setrlimit(RLIMIT_NOFILE, &low);
    timer.restart();
    while (timer.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    setrlimit(RLIMIT_NOFILE, &limit);  // out of descriptors, the folder could not even be listed
    const auto held = QDir("/proc/self/fd").count();
    EXPECT_TRUE(held > 3 && held < 64) << held;
    kill(flood, SIGKILL);
    waitpid(flood, nullptr, 0);
    // The flood gone, a later start is answered.
    int later = -1;  // the listener's queue may still be full: the running one must drain it
    for (timer.restart(); later < 0 && timer.elapsed() < 5000; later = Socket(false, SOCK_NONBLOCK))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(write(later, "after\n", 6), 6);
    EXPECT_TRUE(Forwarded(2));
    close(later);
}

TEST_F(SingleInstance, OnlyTheHolderOfTheLockTakesADeadOnesSocketOver) {
    // Another start holds the lock and has not listened yet; a dead one's socket is still there. This
    // start waits for it, then ends: it neither removes the socket nor listens.
    const int lock = Lock();
    close(Socket(true));
    struct stat dead = {}, after = {};
    stat(SocketPath().toLocal8Bit().constData(), &dead);
    EXPECT_FALSE(platform::LocalSingleInstance().BecomeTheOne());
    EXPECT_EQ(stat(SocketPath().toLocal8Bit().constData(), &after), 0);
    EXPECT_EQ(after.st_ino, dead.st_ino);
    // Its holder gone, the next start takes the lock and the socket left, 0600 whatever the umask.
    close(lock);
    const mode_t mask = umask(0);
    platform::LocalSingleInstance one;
    ASSERT_TRUE(one.BecomeTheOne());
    umask(mask);
    EXPECT_EQ(QFileInfo(SocketPath()).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

TEST_F(SingleInstance, WithoutARuntimeFolderOnlyAFolderOfTheUsersOwnIsUsed) {
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", runtime.path().toLocal8Bit());
    const QString own = runtime.filePath(qAppName() + "-" + QString::number(getuid()));
    const QString socket = own + "/" + qAppName() + "-:7.socket";
    EXPECT_TRUE(platform::LocalSingleInstance().BecomeTheOne());
    EXPECT_TRUE(QFile::remove(socket));
    // A folder that others may enter is refused: the start runs alone, and listens nowhere.
    chmod(own.toLocal8Bit().constData(), 0755);
    EXPECT_TRUE(platform::LocalSingleInstance().BecomeTheOne());
    EXPECT_FALSE(QFile::exists(socket));
    qunsetenv("TMPDIR");
}

TEST_F(SingleInstance, AnotherUsersListenerIsNeverTalkedTo) {
    if (geteuid() != 0 && qEnvironmentVariable("CI") == "true") FAIL() << "needs root to act as another user";
    if (geteuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
    // It holds the lock but runs as another user: this start runs alone, and sends nothing.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t stranger = fork();
    if (stranger == 0) {
        alarm(5);
        const int lock = Lock(), listener = Socket(true);
        char c = 0;
        if (lock < 0 || setresuid(65534, 65534, 65534) != 0 || listen(listener, 4) != 0) _exit(1);
        _exit(write(ready[1], &c, 1) == 1 && read(accept(listener, nullptr, nullptr), &c, 1) == 0 ? 0 : 2);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    qputenv("XDG_ACTIVATION_TOKEN", "secret");
    EXPECT_TRUE(platform::LocalSingleInstance().BecomeTheOne());
    int status = -1;
    waitpid(stranger, &status, 0);
    EXPECT_EQ(status, 0);
}

}  // namespace
