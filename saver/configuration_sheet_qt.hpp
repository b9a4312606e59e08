// Ombriq's configuration dialog ("ombriq-saver --configure"): the change
// interval and the two switches, saved to the saver's settings with "Done"
// (Return), dropped with "Cancel" (Escape). Each opening starts from the
// stored settings.
#pragma once

#include <memory>

#include <QDialog>

#include "platform/preferences.hpp"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace glimora {

class OmbriqScreenSaverConfigurationController : public QDialog {
    Q_OBJECT

public:
    // The picker's items: text and seconds.
    struct IntervalItem {
        const char* text;
        double seconds;
    };
    static constexpr IntervalItem intervalItems[] = {
        {"Every 30 seconds", 30}, {"Every 90 seconds", 90}, {"Every 3 minutes", 180}, {"Every 10 minutes", 600}};

    explicit OmbriqScreenSaverConfigurationController(std::shared_ptr<Preferences> settings,
                                                      QWidget* parent = nullptr);

    // The form's state, as it would be saved now.
    double interval() const { return interval_; }
    bool favoritesOnly() const;
    bool animateArtwork() const;

    QComboBox* intervalPicker() const { return picker_; }
    QCheckBox* favoritesToggle() const { return favorites_; }
    QCheckBox* animateToggle() const { return animate_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* doneButton() const { return done_; }

    // Saves the form, then closes.
    void saveAndClose();
    // Closes without saving.
    void closeConfigurationSheet();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadFromSettings();

    std::shared_ptr<Preferences> settings_;
    double interval_ = 90;
    QComboBox* picker_;
    QCheckBox* favorites_;
    QCheckBox* animate_;
    QPushButton* cancel_;
    QPushButton* done_;
};

}  // namespace glimora
