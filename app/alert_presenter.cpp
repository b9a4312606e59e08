#include "app/alert_presenter.hpp"

#include <QMessageBox>

namespace glimora {

void MessageBoxAlertPresenter::runModal(const std::string& messageText, const std::string& informativeText) {
    QMessageBox alert;
    alert.setIcon(QMessageBox::Warning);
    alert.setWindowTitle(QStringLiteral("Glimora"));
    alert.setText(QString::fromStdString(messageText));
    alert.setInformativeText(QString::fromStdString(informativeText));
    alert.setStandardButtons(QMessageBox::Ok);
    alert.setDefaultButton(QMessageBox::Ok);
    alert.exec();
}

}  // namespace glimora
