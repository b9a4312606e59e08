#include "app/screen_saver_launcher.hpp"

#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <system_error>

namespace glimora {

namespace {

bool isRunnable(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::filesystem::path> OmbriqSaverLauncher::locate() const {
    if (!applicationFolder_.empty()) {
        const auto beside = applicationFolder_ / programName;
        if (isRunnable(beside)) return beside;
    }
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(programName));
    if (found.isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(found).toStdString());
}

bool OmbriqSaverLauncher::open(const std::filesystem::path& saver) {
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(saver.native())),
                                   {QStringLiteral("--configure")});
}

}  // namespace glimora
