#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <future>

#include "app/single_instance.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using Role = SingleInstance::Role;

// Asks from another thread: the running copy answers from this thread's event loop.
bool askWhileServing(SingleInstance& asker, int timeoutMilliseconds = 3000) {
    auto answer = std::async(std::launch::async, [&] { return asker.askPrimaryToActivate(timeoutMilliseconds); });
    test::processEventsUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                             timeoutMilliseconds + 2000);
    return answer.get();
}

TEST(SingleInstance, OneHoldsTheLockAndLaterStartsReachIt) {
    test::TempDir folder;
    auto first = std::make_unique<SingleInstance>(folder.path());
    ASSERT_EQ(first->claim(), Role::primary);
    EXPECT_FALSE(first->failure());
    int activations = 0;
    ASSERT_TRUE(first->listen([&] { ++activations; }));

    SingleInstance second(folder.path());
    EXPECT_EQ(second.claim(), Role::secondary);
    EXPECT_TRUE(askWhileServing(second));
    EXPECT_EQ(activations, 1);
    SingleInstance third(folder.path());
    EXPECT_EQ(third.claim(), Role::secondary);
    EXPECT_TRUE(askWhileServing(third));
    EXPECT_EQ(activations, 2);

    // Once the running copy is gone the lock is free again.
    first.reset();
    SingleInstance next(folder.path());
    EXPECT_EQ(next.claim(), Role::primary);
}

TEST(SingleInstance, ASocketLeftByACrashIsReplaced) {
    test::TempDir folder;
    {
        // A bound socket file with no one listening, as a killed copy leaves it.
        const auto path = folder.path() / "glimora.socket";
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    SingleInstance running(folder.path());
    ASSERT_EQ(running.claim(), Role::primary);
    int activations = 0;
    ASSERT_TRUE(running.listen([&] { ++activations; }));
    SingleInstance later(folder.path());
    ASSERT_EQ(later.claim(), Role::secondary);
    EXPECT_TRUE(askWhileServing(later));
    EXPECT_EQ(activations, 1);
}

TEST(SingleInstance, NoAnswerWhenNobodyListensAndStrangersAreIgnored) {
    test::TempDir folder;
    SingleInstance silent(folder.path());
    ASSERT_EQ(silent.claim(), Role::primary);  // holds the lock but never listens
    SingleInstance later(folder.path());
    ASSERT_EQ(later.claim(), Role::secondary);
    EXPECT_FALSE(askWhileServing(later, 300));
    EXPECT_FALSE(later.listen([] {}));  // no lock, no listening: the socket may be another's

    int activations = 0;
    ASSERT_TRUE(silent.listen([&] { ++activations; }));
    auto stranger = std::async(std::launch::async, [&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const auto path = silent.socketFile();
        std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
        const char hello[] = "hello\n";
        ::send(fd, hello, sizeof hello - 1, MSG_NOSIGNAL);
        char reply[8];
        const bool answered = ::recv(fd, reply, sizeof reply, 0) > 0;
        ::close(fd);
        return answered;
    });
    test::processEventsUntil([&] { return stranger.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    EXPECT_FALSE(stranger.get());
    EXPECT_EQ(activations, 0);
}

TEST(SingleInstance, ALaterStartCanAskForTheSettingsWindow) {
    test::TempDir folder;
    SingleInstance running(folder.path());
    ASSERT_EQ(running.claim(), Role::primary);
    std::vector<SingleInstance::Request> heard;
    ASSERT_TRUE(running.listen([&](SingleInstance::Request request) { heard.push_back(request); }));
    SingleInstance later(folder.path());
    ASSERT_EQ(later.claim(), Role::secondary);
    auto answer = std::async(std::launch::async,
                             [&] { return later.askPrimary(SingleInstance::Request::openSettings, 3000); });
    test::processEventsUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    EXPECT_TRUE(answer.get());
    EXPECT_TRUE(askWhileServing(later));
    EXPECT_EQ(heard, (std::vector{SingleInstance::Request::openSettings, SingleInstance::Request::activate}));
}

TEST(SingleInstance, RuntimeFolderIsTheUsersOwn) {
    // test_main points XDG_RUNTIME_DIR at the test's temporary home.
    const auto folder = SingleInstance::defaultRuntimeFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->string(), std::getenv("XDG_RUNTIME_DIR"));
}

}  // namespace
}  // namespace glimora
