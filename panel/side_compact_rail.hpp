// The collapsed panel at the left or right edge: the design's identity glyph
// at the top, Randomize and Expand at the bottom, clear of the outline's
// curved ends. It keeps no state; it reads the model and calls it.
#pragma once

#include <QWidget>

#include "platform/qt/notch_view_model_bridge.hpp"

namespace glimora {

class NotchButton;
class SideIdentityGlyph;

class SideCompactRail final : public QWidget {
public:
    // The bridge must outlive the view.
    SideCompactRail(NotchViewModelBridge& bridge, double curveSafeInset, QWidget* parent = nullptr);

    SideIdentityGlyph* glyph() const { return glyph_; }
    NotchButton* randomizeButton() const { return randomize_; }
    NotchButton* expandButton() const { return expand_; }

private:
    NotchViewModelBridge& bridge_;
    SideIdentityGlyph* glyph_;
    NotchButton* randomize_;
    NotchButton* expand_;
};

}  // namespace glimora
