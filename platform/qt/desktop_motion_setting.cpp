#include "platform/qt/desktop_motion_setting.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace glimora {

namespace {

constexpr const char* gnomeSchema = "org.gnome.desktop.interface";
constexpr const char* gnomeKey = "enable-animations";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool desktopIsKde() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QLatin1String("KDE"), Qt::CaseInsensitive);
}

}  // namespace

// One run of gsettings, its output handed on line by line as it comes. A plain
// child process rather than a QProcess, whose destructor waits for its
// process to end: a run still going when it is dropped (at exit, say) is
// killed and reaped at once, so nothing waits for gsettings to finish.
class GsettingsRun {
public:
    // Nothing when gsettings cannot be started. Call on the main thread: the
    // child is bound to the life of the thread that starts it.
    static std::unique_ptr<GsettingsRun> start(const QString& program, std::vector<std::string> arguments,
                                               std::function<void(const QByteArray& line)> onLine) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
        // Only our end waits for nothing: gsettings writes to a plain pipe.
        ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
        arguments.insert(arguments.begin(), QFile::encodeName(program).toStdString());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        // A fork rather than posix_spawn, for the one call between fork and
        // exec: the child is killed when we end, however we end (the X
        // connection broken, a signal, a crash), and is never left running
        // on its own. Only async-signal-safe calls before the exec.
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);  // we ended before the call above
            // The pipe kept clear of the standard numbers, which it may hold
            // when they were closed here, and standard output made last.
            const int output = ends[1] > STDERR_FILENO ? ends[1] : ::fcntl(ends[1], F_DUPFD, STDERR_FILENO + 1);
            const auto nullOnto = [](int target, int mode) {
                const int opened = ::open("/dev/null", mode);
                if (opened < 0 || ::dup2(opened, target) < 0) ::_exit(127);
                if (opened != target) ::close(opened);
            };
            nullOnto(STDIN_FILENO, O_RDONLY);
            nullOnto(STDERR_FILENO, O_WRONLY);
            if (output < 0 || ::dup2(output, STDOUT_FILENO) < 0) ::_exit(127);
            ::execve(argv[0], argv.data(), environ);
            ::_exit(127);
        }
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            return nullptr;
        }
        return std::unique_ptr<GsettingsRun>(new GsettingsRun(pid, ends[0], std::move(onLine)));
    }

    ~GsettingsRun() {
        notifier_.reset();
        ::close(output_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            // A killed process ends within a moment; reaping it is ours, or it
            // stays a zombie while the program runs. A process that cannot die
            // (stuck in the kernel) is given up on after 100 ms.
            for (int tries = 0; tries < 100 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    GsettingsRun(pid_t pid, int output, std::function<void(const QByteArray&)> onLine)
        : pid_(pid), output_(output), notifier_(std::make_unique<QSocketNotifier>(output, QSocketNotifier::Read)),
          onLine_(std::move(onLine)) {
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { read(); });
    }

    void read() {
        char buffer[512];
        ssize_t got;
        while ((got = ::read(output_, buffer, sizeof buffer)) > 0) pending_.append(buffer, got);
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0; pending_.remove(0, end + 1))
            onLine_(pending_.left(end));
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
        // The output has ended: the program has, or is about to.
        notifier_->setEnabled(false);
        if (!pending_.isEmpty()) onLine_(std::exchange(pending_, {}));
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    }

    pid_t pid_;
    int output_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(const QByteArray&)> onLine_;
    QByteArray pending_;
};

DesktopMotionSetting& DesktopMotionSetting::shared() {
    static DesktopMotionSetting* instance = new DesktopMotionSetting(QCoreApplication::instance());
    return *instance;
}

DesktopMotionSetting::DesktopMotionSetting(QObject* parent) : QObject(parent) {
    if (desktopIsKde()) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        reduceMotion_ = reduceMotionFromKde(config + QLatin1String("/kdeglobals")).value_or(false);
        return;
    }
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty()) return;
    // Asked without waiting: the desktop window is made at start-up, and a
    // process answers in tens of milliseconds at best. Until it does, motion
    // is not reduced; the answer comes within the first few frames. A schema
    // this desktop lacks gives no answer, and then no setting is watched.
    query_ = GsettingsRun::start(
        gsettings, {"get", gnomeSchema, gnomeKey},
        [this, gsettings](const QByteArray& value) {
            const auto reduce = reduceMotionFromGnome(std::string_view(value.constData(), std::size_t(value.size())));
            if (!reduce || monitor_) return;
            update(*reduce);
            watchGnome(gsettings);
        });
    // A query that hangs is given up, as the desktop then has no setting to offer.
    if (query_) QTimer::singleShot(2000, this, [this] { query_.reset(); });
}

DesktopMotionSetting::~DesktopMotionSetting() = default;

void DesktopMotionSetting::watchGnome(const QString& gsettings) {
    monitor_ = GsettingsRun::start(gsettings, {"monitor", gnomeSchema, gnomeKey}, [this](const QByteArray& line) {
        // "enable-animations: false"
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) return;
        const QByteArray value = line.mid(colon + 1);
        if (const auto reduce = reduceMotionFromGnome(std::string_view(value.constData(), std::size_t(value.size()))))
            update(*reduce);
    });
}

void DesktopMotionSetting::update(bool reduceMotion) {
    if (reduceMotion == reduceMotion_) return;
    reduceMotion_ = reduceMotion;
    emit changed(reduceMotion);
}

std::optional<bool> DesktopMotionSetting::reduceMotionFromGnome(std::string_view gsettingsValue) {
    const std::string_view value = trimmed(gsettingsValue);
    if (value == "false") return true;
    if (value == "true") return false;
    return std::nullopt;
}

std::optional<bool> DesktopMotionSetting::reduceMotionFromKde(const QString& kdeglobalsPath) {
    if (!QFileInfo::exists(kdeglobalsPath)) return std::nullopt;
    const QSettings settings(kdeglobalsPath, QSettings::IniFormat);
    const QVariant factor = settings.value(QStringLiteral("KDE/AnimationDurationFactor"));
    if (!factor.isValid()) return std::nullopt;
    bool ok = false;
    const double value = factor.toDouble(&ok);
    if (!ok) return std::nullopt;
    return value == 0;
}

}  // namespace glimora
