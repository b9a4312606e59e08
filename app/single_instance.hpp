// One running copy per user. The first start takes a lock file in the user's
// runtime folder and listens on a local socket beside it; a later start finds
// the lock taken, asks the running copy over the socket to come to the front,
// and ends, so there is only ever one writer of the library and the settings.
// The kernel drops the lock with its holder, so a crash leaves nothing stale.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;

namespace glimora {

class SingleInstance {
public:
    enum class Role { primary, secondary };
    // What a later start asks of the running copy.
    enum class Request { activate, openSettings };

    explicit SingleInstance(std::filesystem::path runtimeFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock; secondary when another process holds it. A lock that
    // cannot be taken for any other reason counts as primary (failure() says
    // why): better a second copy than none at all.
    Role claim();
    // Secondary: asks the running copy to come to the front, waiting up to the
    // timeout for it to answer (it may still be starting); whether it did.
    bool askPrimaryToActivate(int timeoutMilliseconds) { return askPrimary(Request::activate, timeoutMilliseconds); }
    bool askPrimary(Request request, int timeoutMilliseconds);
    // Primary holding the lock, once a QCoreApplication exists: answers later
    // starts; each request runs `onRequest` on the main thread. Whether it listens.
    bool listen(std::function<void(Request)> onRequest);
    bool listen(std::function<void()> onActivate) {
        return listen([onActivate = std::move(onActivate)](Request) { onActivate(); });
    }

    const std::optional<std::string>& failure() const { return failure_; }
    std::filesystem::path lockFile() const { return folder_ / "glimora.lock"; }
    std::filesystem::path socketFile() const { return folder_ / "glimora.socket"; }

    // $XDG_RUNTIME_DIR, else a private /tmp/glimora-<uid> made for it;
    // nothing when neither is usable.
    static std::optional<std::filesystem::path> defaultRuntimeFolder();

private:
    void acceptConnections();

    std::filesystem::path folder_;
    int lockDescriptor_ = -1;
    bool holdsLock_ = false;
    std::optional<std::string> failure_;
    int listenDescriptor_ = -1;
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    std::function<void(Request)> onRequest_;
};

}  // namespace glimora
