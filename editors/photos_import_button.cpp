#include "editors/photos_import_button.hpp"

#include "state/notch_view_model.hpp"

namespace glimora {

PhotosImportButton::PhotosImportButton(NotchViewModel& model, QWidget* parent)
    // The secondary look is this button's own: 10-px medium, white 90 % / 55 %,
    // at least 32 high on radius 8 at white 13 % / 8 %.
    : NotchButton(Look::secondary, [&model] { model.choosePhotos(); }, parent) {
    setText(QStringLiteral("Photos"));
    setSymbol(QStringLiteral("photo.on.rectangle"), 10, FontWeight::medium);
    setAccessibleName(QStringLiteral("Photos"));
    setToolTip(QStringLiteral("Choose photos from your library"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

}  // namespace glimora
