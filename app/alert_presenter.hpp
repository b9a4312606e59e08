// Modal alerts: the one place the application interrupts the user.
#pragma once

#include <string>

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
};

}  // namespace glimora
