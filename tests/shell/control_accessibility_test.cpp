// The custom-painted controls' accessible state follows the model, and an
// action of an assistive tool does what a click does, once. (What AT-SPI
// reads of the whole panel: panel_accessibility_x11_test.)
#include <gtest/gtest.h>

#include <QAccessible>

#include "editors/style_editor.hpp"
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

}

}  // namespace
}  // namespace glimora
