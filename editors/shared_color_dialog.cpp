#include "editors/shared_color_dialog.hpp"

#include <QColor>
#include <QColorDialog>
#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace glimora {

namespace {

SharedColorDialog* sharedInstance = nullptr;

// Widgets must go before the application does; children of the application
// object are deleted too late for that.
void destroySharedInstance() {
    delete sharedInstance;
    sharedInstance = nullptr;
}

double clampComponent(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

}  // namespace

SharedColorDialog& SharedColorDialog::instance() {
    if (!sharedInstance) {
        sharedInstance = new SharedColorDialog;
        qAddPostRoutine(destroySharedInstance);
    }
    return *sharedInstance;
}

SharedColorDialog::~SharedColorDialog() { delete dialog_; }

SharedColorDialog* SharedColorDialog::existingInstance() { return sharedInstance; }

QColorDialog* SharedColorDialog::dialog() {
    if (!dialog_) {
        dialog_ = new QColorDialog;
        dialog_->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
        dialog_->setModal(false);
        dialog_->setWindowModality(Qt::NonModal);
        dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(dialog_, &QColorDialog::currentColorChanged, this, &SharedColorDialog::picked);
    }
    return dialog_;
}

Color SharedColorDialog::toColor(const QColor& color) {
    if (!color.isValid()) return {0, 0, 0};
    const QColor rgb = color.toRgb();
    if (!rgb.isValid()) return {0, 0, 0};
    return {clampComponent(rgb.redF()), clampComponent(rgb.greenF()), clampComponent(rgb.blueF())};
}

QColor SharedColorDialog::toQColor(const Color& color) {
    return QColor::fromRgbF(float(clampComponent(color.red)), float(clampComponent(color.green)),
                            float(clampComponent(color.blue)));
}

void SharedColorDialog::open(Target target) {
    if (!target.read || !target.write) return;
    const auto color = target.read();
    if (!color) return;
    target_ = std::move(target);
    owner_ = target_.owner;
    hasTarget_ = true;
    QColorDialog* panel = dialog();
    panel->setWindowTitle(target_.title);
    show(*color);
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void SharedColorDialog::refresh() {
    if (!hasTarget_) return;
    const auto color = (target_.owner && !owner_) ? std::nullopt : target_.read();
    if (!color) {
        close();
        return;
    }
    show(*color);
}

void SharedColorDialog::close() {
    hasTarget_ = false;
    target_ = {};
    owner_.clear();
    if (dialog_) dialog_->hide();
}

bool SharedColorDialog::isOpen() const { return hasTarget_ && dialog_ && dialog_->isVisible(); }

bool SharedColorDialog::isTargeting(const QObject* owner) const {
    return hasTarget_ && owner && owner_ == owner;
}

void SharedColorDialog::show(const Color& color) {
    const QColor wanted = toQColor(color);
    // Compared at the dialog's own precision, so that following a colour the
    // dialog itself just wrote does not move it again.
    if (dialog()->currentColor().rgb() == wanted.rgb()) return;
    showing_ = true;
    dialog()->setCurrentColor(wanted);
    showing_ = false;
}

void SharedColorDialog::picked(const QColor& color) {
    if (showing_ || !hasTarget_) return;
    // A target whose owner or value is gone takes no colour, and the dialog
    // stops pretending to edit it.
    if ((target_.owner && !owner_) || !target_.read()) {
        close();
        return;
    }
    // Copied: the write may make an owner close or retarget the dialog.
    const auto write = target_.write;
    write(toColor(color));
}

}  // namespace glimora
