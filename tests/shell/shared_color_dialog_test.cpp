#include "editors/shared_color_dialog.hpp"

#include <gtest/gtest.h>

#include <QColorDialog>

#include <memory>
#include <optional>
#include <vector>

#include "editors/color_well.hpp"
#include "tests/shell/editor_fixture.hpp"

namespace glimora {
namespace {

// A value a well edits, which the test can remove behind the dialog's back.
struct Slot {
    std::optional<Color> value = Color{0.2, 0.4, 0.6};
    std::vector<Color> written;

    ColorWell::Read read() {
        return [this] { return value; };
    }
    ColorWell::Write write() {
        return [this](const Color& color) {
            written.push_back(color);
            if (value) value = color;
        };
    }
};

class SharedColorDialogTest : public ::testing::Test {
protected:
    void TearDown() override { SharedColorDialog::instance().close(); }

    // What the user does in the dialog: a new colour moves its current colour.
    static void pick(const QColor& color) { SharedColorDialog::instance().dialog()->setCurrentColor(color); }
};

TEST_F(SharedColorDialogTest, OneNonModalDialogWithoutAlphaServesEveryWell) {
    Slot first, second;
    ColorWell a(QStringLiteral("Color 1"), first.read(), first.write());
    ColorWell b(QStringLiteral("Color 2"), second.read(), second.write());
    test::click(&a);
    auto& shared = SharedColorDialog::instance();
    QColorDialog* dialog = shared.dialog();
    EXPECT_TRUE(shared.isOpen());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_FALSE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Color 1"));
    EXPECT_EQ(dialog->currentColor().rgb(), QColor::fromRgbF(0.2f, 0.4f, 0.6f).rgb());
    EXPECT_TRUE(first.written.empty()) << "opening writes nothing";

    test::click(&b);
    EXPECT_EQ(shared.dialog(), dialog);
    EXPECT_TRUE(shared.isTargeting(&b));
    EXPECT_FALSE(shared.isTargeting(&a));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Color 2"));
}

TEST_F(SharedColorDialogTest, EveryColourTheUserMovesThroughIsWrittenLive) {
    Slot slot;
    ColorWell well(QStringLiteral("Color 1"), slot.read(), slot.write());
    well.openDialog();
    pick(QColor(255, 0, 0));
    pick(QColor(0, 128, 255));
    ASSERT_EQ(slot.written.size(), 2u);
    EXPECT_EQ(slot.written[0], (Color{1, 0, 0}));
    EXPECT_NEAR(slot.written[1].green, 128.0 / 255.0, 1e-6);
    EXPECT_EQ(slot.written[1].blue, 1.0);
}

TEST_F(SharedColorDialogTest, ATargetThatIsGoneTakesNoColourAndTheDialogCloses) {
    Slot slot;
    ColorWell well(QStringLiteral("Color 3"), slot.read(), slot.write());
    well.openDialog();
    slot.value.reset();  // the stop went away while the dialog was up
    pick(QColor(10, 20, 30));
    EXPECT_TRUE(slot.written.empty());
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
    pick(QColor(40, 50, 60));
    EXPECT_TRUE(slot.written.empty());
}

TEST_F(SharedColorDialogTest, RefreshFollowsAChangedValueWithoutWritingAndClosesOnAGoneOne) {
    Slot slot;
    ColorWell well(QStringLiteral("Color 1"), slot.read(), slot.write());
    well.openDialog();
    auto& shared = SharedColorDialog::instance();
    slot.value = Color{1, 1, 0};
    shared.refresh();
    EXPECT_EQ(shared.dialog()->currentColor().rgb(), QColor(255, 255, 0).rgb());
    EXPECT_TRUE(slot.written.empty()) << "following a change made elsewhere is no user edit";
    slot.value.reset();
    shared.refresh();
    EXPECT_FALSE(shared.isOpen());
}

TEST_F(SharedColorDialogTest, AWellDestroyedWhileTargetedClosesTheDialog) {
    Slot slot;
    auto well = std::make_unique<ColorWell>(QStringLiteral("Color 2"), slot.read(), slot.write());
    well->openDialog();
    well.reset();
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
    pick(QColor(1, 2, 3));
    EXPECT_TRUE(slot.written.empty());
}

TEST_F(SharedColorDialogTest, AWellWithoutAValueDoesNotOpenTheDialog) {
    Slot slot;
    slot.value.reset();
    ColorWell well(QStringLiteral("Color 1"), slot.read(), slot.write());
    well.openDialog();
    EXPECT_FALSE(SharedColorDialog::instance().isOpen());
}

TEST(SharedColorDialogConversion, ColoursBecomeClampedComponentsAndInvalidOnesBlack) {
    EXPECT_EQ(SharedColorDialog::toColor(QColor()), (Color{0, 0, 0}));
    const Color fromHsv = SharedColorDialog::toColor(QColor::fromHsv(120, 255, 255));
    EXPECT_EQ(fromHsv, (Color{0, 1, 0}));
    const QColor shown = SharedColorDialog::toQColor(Color{2, -1, std::nan("")});
    EXPECT_EQ(shown.rgb(), QColor(255, 0, 0).rgb());
}

}  // namespace
}  // namespace glimora
