#include "platform/qt/desktop_motion_setting.hpp"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <cctype>

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
    // is not reduced; the answer comes within the first few frames.
    auto* query = new QProcess(this);
    connect(query, &QProcess::finished, this, [this, query, gsettings](int exitCode, QProcess::ExitStatus status) {
        query->deleteLater();
        if (status != QProcess::NormalExit || exitCode != 0) return;  // no such schema here: no setting
        const QByteArray value = query->readAllStandardOutput();
        if (const auto reduce = reduceMotionFromGnome(std::string_view(value.constData(), std::size_t(value.size()))))
            update(*reduce);
        watchGnome(gsettings);
    });
    connect(query, &QProcess::errorOccurred, query, [query](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) query->deleteLater();
    });
    // A query that hangs is given up, as the desktop then has no setting to offer.
    QTimer::singleShot(2000, query, [query] { query->kill(); });
    query->start(gsettings, {QStringLiteral("get"), QLatin1String(gnomeSchema), QLatin1String(gnomeKey)});
}

DesktopMotionSetting::~DesktopMotionSetting() {
    if (monitor_ && monitor_->state() != QProcess::NotRunning) {
        monitor_->kill();
        monitor_->waitForFinished(1000);
    }
}

void DesktopMotionSetting::watchGnome(const QString& gsettings) {
    monitor_ = new QProcess(this);
    connect(monitor_, &QProcess::readyReadStandardOutput, this, [this] {
        while (monitor_->canReadLine()) {
            const QByteArray line = monitor_->readLine();
            // "enable-animations: false"
            const qsizetype colon = line.indexOf(':');
            if (colon < 0) continue;
            const QByteArray value = line.mid(colon + 1);
            if (const auto reduce =
                    reduceMotionFromGnome(std::string_view(value.constData(), std::size_t(value.size())))) {
                update(*reduce);
            }
        }
    });
    monitor_->start(gsettings,
                    {QStringLiteral("monitor"), QLatin1String(gnomeSchema), QLatin1String(gnomeKey)});
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
