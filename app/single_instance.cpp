#include "app/single_instance.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

namespace glimora {

namespace {

constexpr std::string_view activateRequest = "activate\n";
constexpr std::string_view settingsRequest = "settings\n";
constexpr std::string_view requestAnswer = "ok\n";
constexpr std::size_t longestRequest = std::max(activateRequest.size(), settingsRequest.size());

std::string_view requestText(SingleInstance::Request request) {
    return request == SingleInstance::Request::openSettings ? settingsRequest : activateRequest;
}

std::string systemMessage(int error) { return std::generic_category().message(error); }

// The caller has checked that the path fits.
sockaddr_un socketAddress(const std::filesystem::path& socketFile) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketFile.c_str(), socketFile.native().size() + 1);
    return address;
}

// What the other end sends up to its first newline, or until `limit` bytes,
// the deadline or the end of the connection, whichever comes first.
std::string readLine(int fd, std::size_t limit, std::chrono::steady_clock::time_point deadline) {
    std::string line;
    char buffer[16];
    while (line.size() < limit && line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, int(left.count())) <= 0) break;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        line.append(buffer, std::size_t(got));
    }
    return line;
}

// One attempt: connect, send the request, wait for the answer.
bool sendRequest(const std::filesystem::path& socketFile, std::string_view request,
                 std::chrono::steady_clock::time_point deadline) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const sockaddr_un address = socketAddress(socketFile);
    const auto requestSize = ssize_t(request.size());
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                          ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == requestSize &&
                          readLine(fd, requestAnswer.size(), deadline) == requestAnswer;
    ::close(fd);
    return answered;
}

}  // namespace

SingleInstance::SingleInstance(std::filesystem::path runtimeFolder) : folder_(std::move(runtimeFolder)) {}

SingleInstance::~SingleInstance() {
    listenNotifier_.reset();
    if (listenDescriptor_ >= 0) {
        ::close(listenDescriptor_);
        ::unlink(socketFile().c_str());
    }
    if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
}

std::optional<std::filesystem::path> SingleInstance::defaultRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        std::error_code error;
        if (std::filesystem::is_directory(runtime, error)) return std::filesystem::path(runtime);
    }
    // A folder of our own in /tmp, refused unless it is ours and private, so
    // nobody else can plant the lock or the socket.
    const std::filesystem::path folder = "/tmp/glimora-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & 077) != 0)
        return std::nullopt;
    return folder;
}

SingleInstance::Role SingleInstance::claim() {
    const auto file = lockFile();
    lockDescriptor_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockDescriptor_ < 0) {
        failure_ = "could not open “" + file.string() + "”: " + systemMessage(errno);
        return Role::primary;
    }
    while (::flock(lockDescriptor_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) {
            ::close(lockDescriptor_);
            lockDescriptor_ = -1;
            return Role::secondary;
        }
        failure_ = "could not lock “" + file.string() + "”: " + systemMessage(errno);
        return Role::primary;
    }
    holdsLock_ = true;
    return Role::primary;
}

bool SingleInstance::askPrimary(Request request, int timeoutMilliseconds) {
    const auto socket = socketFile();
    if (socket.native().size() >= sizeof(sockaddr_un::sun_path)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (sendRequest(socket, requestText(request), deadline)) return true;
        // The running copy may not be listening yet.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool SingleInstance::listen(std::function<void(Request)> onRequest) {
    const auto socket = socketFile();
    // Without the lock the socket there may be another copy's: leave it alone.
    if (!holdsLock_) return false;
    if (socket.native().size() >= sizeof(sockaddr_un::sun_path)) {
        failure_ = "the socket path “" + socket.string() + "” is too long";
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failure_ = "could not make a socket: " + systemMessage(errno);
        return false;
    }
    // The lock is ours, so a socket file left there belongs to a copy that died.
    ::unlink(socket.c_str());
    const sockaddr_un address = socketAddress(socket);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        failure_ = "could not listen on “" + socket.string() + "”: " + systemMessage(errno);
        ::close(fd);
        return false;
    }
    ::chmod(socket.c_str(), 0600);
    listenDescriptor_ = fd;
    onRequest_ = std::move(onRequest);
    listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(listenNotifier_.get(), &QSocketNotifier::activated, listenNotifier_.get(),
                     [this] { acceptConnections(); });
    return true;
}

void SingleInstance::acceptConnections() {
    for (;;) {
        const int client = ::accept4(listenDescriptor_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR) continue;
            return;  // EAGAIN: no one else waiting
        }
        // The caller writes its request right after connecting; a caller that
        // says nothing within a moment is dropped rather than waited for.
        const std::string text =
            readLine(client, longestRequest, std::chrono::steady_clock::now() + std::chrono::milliseconds(500));
        std::optional<Request> request;
        if (text == activateRequest) request = Request::activate;
        if (text == settingsRequest) request = Request::openSettings;
        if (request) ::send(client, requestAnswer.data(), requestAnswer.size(), MSG_NOSIGNAL);
        ::close(client);
        if (request && onRequest_) onRequest_(*request);
    }
}

}  // namespace glimora
