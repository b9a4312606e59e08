// What the custom-painted controls give Qt's accessibility (and so AT-SPI):
// role, name, state and actions follow the model, and an action does what a
// click does, once.
#include <gtest/gtest.h>

#include <QAccessible>

#include "controls/toggles.hpp"
#include "editors/option_chip.hpp"
#include "editors/style_editor.hpp"
#include "panel/expanded_editor.hpp"
#include "panel/side_expanded_editor.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

using StyleAccessibility = test::EditorFixture<StyleEditor>;

QAccessibleInterface* accessible(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); }

// The visible widget under `root` whose accessible interface has this role and name.
QAccessibleInterface* findAccessible(QWidget* root, QAccessible::Role role, const QString& name) {
    for (QWidget* child : root->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(root)) continue;
        QAccessibleInterface* candidate = accessible(child);
        if (candidate && candidate->role() == role && candidate->text(QAccessible::Name) == name) return candidate;
    }
    return nullptr;
}

TEST_F(StyleAccessibility, ChipsAreRadioButtonsTogglesCheckBoxesAndTheirActionsWriteOnce) {
    auto& editor = show();
    model->setDither(DitherMode::fourByFour);
    model->setInvert(false);
    test::settle();

    QAccessibleInterface* chosen = findAccessible(&editor, QAccessible::RadioButton, QString::fromUtf8("4×4"));
    QAccessibleInterface* other = findAccessible(&editor, QAccessible::RadioButton, QStringLiteral("Noise"));
    ASSERT_NE(chosen, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(chosen->state().checkable);
    EXPECT_TRUE(chosen->state().checked);
    EXPECT_FALSE(other->state().checked);
    ASSERT_EQ(other->actionInterface()->actionNames().value(0), QAccessibleActionInterface::pressAction());
    other->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    test::settle();
    EXPECT_EQ(model->dither(), DitherMode::noise);
    EXPECT_TRUE(other->state().checked);
    EXPECT_FALSE(chosen->state().checked);

    QAccessibleInterface* negative = findAccessible(&editor, QAccessible::CheckBox, QStringLiteral("Negative"));
    ASSERT_NE(negative, nullptr);
    EXPECT_FALSE(negative->state().checked);
    writes.reset();
    negative->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    test::settle();
    EXPECT_TRUE(model->invert());
    EXPECT_EQ(writes.of(NotchViewModel::Prop::invert), 1);
    EXPECT_TRUE(negative->state().checked);

    // The pins are push buttons named as their tooltips; captions are texts.
    EXPECT_NE(findAccessible(&editor, QAccessible::Button, QStringLiteral("Pin Texture")), nullptr);
    EXPECT_NE(findAccessible(&editor, QAccessible::StaticText, QStringLiteral("Color Offset")), nullptr);
    EXPECT_NE(findAccessible(&editor, QAccessible::Slider, QStringLiteral("Color Offset")), nullptr);
}

TEST_F(StyleAccessibility, TabButtonsArePageTabsSelectedWithTheModelsTabAndTheGripSaysWhatItDoes) {
    ExpandedEditor header(*bridge, 0, 5);
    header.resize(760, 300);
    model->setSelectedTab(NotchTab::style);
    test::settle();
    const auto qTitle = [](NotchTab tab) {
        const std::string_view text = title(tab);
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    };
    const QString finish = qTitle(NotchTab::style);
    const QString image = qTitle(NotchTab::image);
    QAccessibleInterface* style = findAccessible(&header, QAccessible::PageTab, finish);
    QAccessibleInterface* first = findAccessible(&header, QAccessible::PageTab, image);
    ASSERT_NE(style, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(style->state().selected);
    EXPECT_TRUE(style->state().selectable);
    EXPECT_FALSE(first->state().selected);
    first->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    test::settle();
    EXPECT_EQ(model->selectedTab(), NotchTab::image);
    EXPECT_TRUE(first->state().selected);
    EXPECT_FALSE(style->state().selected);
    EXPECT_NE(findAccessible(&header, QAccessible::Button, QStringLiteral("Randomize")), nullptr);

    SideWidthResizeHandle grip(NotchPlacement::right, {}, {});
    QAccessibleInterface* handle = accessible(&grip);
    EXPECT_EQ(handle->role(), QAccessible::Separator);
    EXPECT_EQ(handle->text(QAccessible::Name), "Resize notch width");
    EXPECT_EQ(handle->text(QAccessible::Description), "Drag horizontally to change the side notch width");
}

}  // namespace
}  // namespace glimora
