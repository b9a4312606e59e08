// The desktop's "reduce motion" wish: GNOME's enable-animations (watched for
// changes) or KDE's animation speed of zero; off where the desktop has no
// such setting.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>

namespace glimora {

class GsettingsRun;

class DesktopMotionSetting : public QObject {
    Q_OBJECT

public:
    // The process's one reader, made on first use and owned by the
    // application object. Call on the main thread once the application exists.
    static DesktopMotionSetting& shared();

    explicit DesktopMotionSetting(QObject* parent = nullptr);
    ~DesktopMotionSetting() override;

    bool reduceMotion() const { return reduceMotion_; }

    // "false" (animations off) means reduced motion; nothing for other output.
    static std::optional<bool> reduceMotionFromGnome(std::string_view gsettingsValue);
    // A kdeglobals file whose AnimationDurationFactor is 0 asks for reduced
    // motion; nothing when the file or the key is missing.
    static std::optional<bool> reduceMotionFromKde(const QString& kdeglobalsPath);

signals:
    void changed(bool reduceMotion);

private:
    void watchGnome(const QString& gsettings);
    void update(bool reduceMotion);

    bool reduceMotion_ = false;
    std::unique_ptr<GsettingsRun> query_;
    std::unique_ptr<GsettingsRun> monitor_;
};

}  // namespace glimora
