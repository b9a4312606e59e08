// Modal alerts: the one place the application interrupts the user.
#pragma once

#include <memory>
#include <string>

class QMessageBox;
class QString;

namespace glimora {

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert with its single default button and returns when it is dismissed.
    virtual void runModal(const std::string& messageText, const std::string& informativeText) = 0;
};

class MessageBoxAlertPresenter final : public AlertPresenter {
public:
    void runModal(const std::string& messageText, const std::string& informativeText) override;

    // The box runModal shows, not yet shown.
    static std::unique_ptr<QMessageBox> makeAlert(const std::string& messageText, const std::string& informativeText);
};

// An alert's plain text as rich text in which a quoted command (a part in
// “” or "" with a hyphen in it) stands on a line of its own that is never
// broken, so that it reads as it is to be typed; its characters, the real
// hyphen among them, are kept.
QString alertTextHtml(const std::string& text);

}  // namespace glimora
