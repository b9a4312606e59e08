// The "Photos" button of the image tab. There is no photo library on this
// desktop: the button opens a picture dialog on the Pictures folder (several
// pictures at once) through the model, which keeps isPresentingPhotoPicker
// true while the dialog is up, so the expanded panel does not collapse when
// the dialog takes the focus, and hands the chosen files to its photo import.
#pragma once

#include "controls/notch_button.hpp"

namespace glimora {

class NotchViewModel;

class PhotosImportButton : public NotchButton {
    Q_OBJECT

public:
    explicit PhotosImportButton(NotchViewModel& model, QWidget* parent = nullptr);
};

}  // namespace glimora
