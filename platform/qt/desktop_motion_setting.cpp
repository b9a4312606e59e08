#include "platform/qt/desktop_motion_setting.hpp"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

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
    QProcess query;
    query.start(gsettings, {QStringLiteral("get"), QLatin1String(gnomeSchema), QLatin1String(gnomeKey)});
    if (!query.waitForFinished(2000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(500);
        return;  // no such schema here: the desktop has no setting
    }
    const QByteArray value = query.readAllStandardOutput();
    reduceMotion_ =
        reduceMotionFromGnome(std::string_view(value.constData(), std::size_t(value.size()))).value_or(false);
    watchGnome(gsettings);
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
