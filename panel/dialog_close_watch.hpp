// Tells of every dialog window of the application that closes: hidden by the
// program or the user, not minimised (which leaves it open).
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace glimora {

class DialogCloseWatch final : public QObject {
public:
    // Watches the whole application from now on, until `parent` goes.
    DialogCloseWatch(QObject* parent, std::function<void(QWidget* dialog)> onClose);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget*)> onClose_;
};

}  // namespace glimora
