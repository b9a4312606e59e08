#include "editors/design_tab_editors.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "editors/adjust_editor.hpp"
#include "editors/animation_editor.hpp"
#include "editors/color_editor.hpp"
#include "editors/grain_gradient_editor.hpp"
#include "editors/shape_editor.hpp"
#include "editors/style_editor.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

TEST(DesignTabEditors, EachDesignTabGetsItsEditorWithItsInputsAndOtherTabsNone) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    const EditorInputs inputs{300, true, 2, 7};
    auto make = [&](NotchTab tab) { return std::unique_ptr<TabEditor>(makeDesignTabEditor(tab, bridge, inputs)); };
    EXPECT_NE(dynamic_cast<ShapeEditor*>(make(NotchTab::shape).get()), nullptr);
    EXPECT_NE(dynamic_cast<GrainGradientEditor*>(make(NotchTab::gradients).get()), nullptr);
    EXPECT_NE(dynamic_cast<ColorEditor*>(make(NotchTab::color).get()), nullptr);
    EXPECT_NE(dynamic_cast<AdjustEditor*>(make(NotchTab::adjust).get()), nullptr);
    EXPECT_NE(dynamic_cast<StyleEditor*>(make(NotchTab::style).get()), nullptr);
    EXPECT_NE(dynamic_cast<AnimationEditor*>(make(NotchTab::animation).get()), nullptr);
    EXPECT_EQ(make(NotchTab::adjust)->inputs(), inputs);
    for (const NotchTab tab : {NotchTab::image, NotchTab::shader, NotchTab::export_, NotchTab::history})
        EXPECT_EQ(make(tab), nullptr);
}

}  // namespace
}  // namespace glimora
