#include "controls/notch_slider.hpp"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>

#include <cmath>
#include <limits>
#include <vector>

#include "controls/small_views.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

// A value that records every write.
struct RecordedValue {
    double value = 0;
    std::vector<double> writes;

    Binding<double> binding() {
        return {[this] { return value; }, [this](double v) {
                    writes.push_back(v);
                    value = v;
                }};
    }
};

void mouse(QWidget& widget, QEvent::Type type, double x, double y = 4) {
    const QPointF local(x, y);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, widget.mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// A track 108 px wide: T 108, U 100, so x = 4 + 100 f.
struct TrackFixture {
    RecordedValue recorded;
    std::unique_ptr<NotchSliderTrack> track;

    explicit TrackFixture(double value, double lo = 0, double hi = 100, double step = 1) {
        recorded.value = value;
        track = std::make_unique<NotchSliderTrack>(recorded.binding(), lo, hi, step, "Reach");
        track->resize(108, 22);
    }
};

TEST(NotchSliderTrackTest, APressOffTheKnobWritesTheSnappedValueAtOnceAndTheReleaseNothing) {
    TrackFixture f(50);
    EXPECT_EQ(f.track->knobCenter(), 54);
    mouse(*f.track, QEvent::MouseButtonPress, 59);  // 5 px right of the centre: off the knob
    ASSERT_EQ(f.recorded.writes, std::vector<double>{55});
    EXPECT_EQ(f.track->grabOffset(), 0);
    EXPECT_TRUE(f.track->isDragging());
    mouse(*f.track, QEvent::MouseButtonRelease, 59);
    EXPECT_EQ(f.recorded.writes.size(), 1u);
    EXPECT_FALSE(f.track->isDragging());
}

TEST(NotchSliderTrackTest, APressOnTheKnobKeepsItsGrabOffsetForTheWholeDrag) {
    TrackFixture f(50);
    mouse(*f.track, QEvent::MouseButtonPress, 57);  // 3 px right of the centre
    EXPECT_EQ(f.track->grabOffset(), 3);
    EXPECT_EQ(f.recorded.writes, std::vector<double>{50});
    mouse(*f.track, QEvent::MouseMove, 80);
    EXPECT_EQ(f.recorded.writes.back(), 73);
    EXPECT_EQ(f.track->knobCenter(), 77);  // 3 px left of the pointer
    mouse(*f.track, QEvent::MouseButtonRelease, 80);
    EXPECT_EQ(f.recorded.writes, (std::vector<double>{50, 73}));
    EXPECT_EQ(f.track->grabOffset(), 0);
    // The next press off the knob starts afresh.
    mouse(*f.track, QEvent::MouseButtonPress, 24);
    EXPECT_EQ(f.recorded.writes.back(), 20);
}

TEST(NotchSliderTrackTest, TheFillEndsUnderTheKnobCentreAtBothEnds) {
    TrackFixture low(0);
    EXPECT_EQ(low.track->knobCenter(), 4);  // a 4-px fill at the lowest value
    TrackFixture high(100);
    EXPECT_EQ(high.track->knobCenter(), 104);
    // Drawn: the fill is bright up to the knob, the line dim beyond it.
    QImage image(108, 22, QImage::Format_ARGB32);
    TrackFixture middle(50);
    image.fill(Qt::transparent);
    middle.track->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_GT(qAlpha(image.pixel(30, 4)), 200);               // fill, white 86 %
    EXPECT_LT(qAlpha(image.pixel(80, 4)), 60);                // line, white 18 %
    EXPECT_EQ(qAlpha(image.pixel(80, 12)), 0);                // below the band: nothing
    EXPECT_GT(qRed(image.pixel(54, 4)), 200);                 // the knob's white face
}

TEST(NotchSliderTrackTest, ANarrowTrackIsAsWideAsTheKnobWithAUsableWidthOfOne) {
    TrackFixture f(100);
    f.track->resize(5, 22);
    EXPECT_EQ(f.track->trackWidth(), 8);
    EXPECT_EQ(f.track->usableWidth(), 1);
    EXPECT_EQ(f.track->knobCenter(), 5);
}

TEST(NotchSliderTrackTest, SnapsToMultiplesOfTheStepFromZeroAndClampsIntoTheRange) {
    TrackFixture f(0.25, 0.25, 2, 0.05);
    mouse(*f.track, QEvent::MouseButtonPress, 4 + 37);  // 37 % of the usable width
    EXPECT_NEAR(f.recorded.writes.back(), 0.9, 1e-12);

    TrackFixture thirds(1, 1, 10, 3);
    std::set<double> written;
    mouse(*thirds.track, QEvent::MouseButtonPress, 0);
    for (int x = 0; x <= 108; ++x) mouse(*thirds.track, QEvent::MouseMove, x);
    written.insert(thirds.recorded.writes.begin(), thirds.recorded.writes.end());
    EXPECT_EQ(written, (std::set<double>{1, 3, 6, 9}));  // 10 is never written
}

TEST(NotchSliderTrackTest, AStepThatIsNotPositiveAndFiniteClampsWithoutSnapping) {
    for (double step : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        TrackFixture f(50, 0, 100, step);
        mouse(*f.track, QEvent::MouseButtonPress, 4 + 33.5);
        ASSERT_EQ(f.recorded.writes.size(), 1u) << step;
        EXPECT_DOUBLE_EQ(f.recorded.writes.back(), 33.5) << step;
        mouse(*f.track, QEvent::MouseMove, 500);
        EXPECT_EQ(f.recorded.writes.back(), 100) << step;
        mouse(*f.track, QEvent::MouseMove, -50);
        EXPECT_EQ(f.recorded.writes.back(), 0) << step;
    }
}

TEST(NotchSliderTrackTest, ANonFiniteValueDrawsAtTheStartAndIsNeverWritten) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        TrackFixture f(bad);
        EXPECT_EQ(f.track->knobCenter(), 4) << bad;
        // A release without a press writes nothing, and neither does a sync.
        mouse(*f.track, QEvent::MouseButtonRelease, 50);
        f.track->sync();
        EXPECT_TRUE(f.recorded.writes.empty());
        // A press writes a finite value from the pointer.
        mouse(*f.track, QEvent::MouseButtonPress, 54);
        ASSERT_EQ(f.recorded.writes.size(), 1u);
        EXPECT_EQ(f.recorded.writes.back(), 50);
    }
    // A range with a bound that is not finite gives no finite value: nothing is written.
    TrackFixture open(5, 0, std::numeric_limits<double>::infinity(), 1);
    mouse(*open.track, QEvent::MouseButtonPress, 60);
    mouse(*open.track, QEvent::MouseMove, 70);
    for (double v : open.recorded.writes) EXPECT_TRUE(std::isfinite(v));
}

TEST(NotchSliderTrackTest, AnEmptyOrReversedRangeDrawsAtTheLeftAndWritesTheBound) {
    TrackFixture equal(5, 5, 5, 1);
    EXPECT_EQ(equal.track->knobCenter(), 4);
    mouse(*equal.track, QEvent::MouseButtonPress, 90);
    EXPECT_EQ(equal.recorded.writes.back(), 5);
    TrackFixture reversed(5, 10, 0, 1);
    mouse(*reversed.track, QEvent::MouseButtonPress, 90);
    EXPECT_EQ(reversed.recorded.writes.back(), 0);  // clamped to lo (10), then to hi (0)
}

TEST(NotchSliderTrackTest, AValueOutsideTheRangeDrawsAtTheNearerEnd) {
    TrackFixture above(250);
    EXPECT_EQ(above.track->knobCenter(), 104);
    TrackFixture below(-3);
    EXPECT_EQ(below.track->knobCenter(), 4);
}

TEST(NotchSliderTrackTest, PressesOutsideTheBandAreIgnored) {
    TrackFixture f(50);
    mouse(*f.track, QEvent::MouseButtonPress, 30, 15);
    EXPECT_TRUE(f.recorded.writes.empty());
    EXPECT_FALSE(f.track->isDragging());
}

TEST(NotchSliderTrackTest, IsASliderWithItsLabelValueAndRangeForAssistiveTools) {
    // The value text follows the user's locale.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TrackFixture f(42.5, 0.25, 180, 0.5);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(f.track.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Slider);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Reach");
    EXPECT_EQ(accessible->text(QAccessible::Value), "42,5");
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue(), QVariant(42.5));
    EXPECT_EQ(value->minimumValue(), QVariant(0.25));
    EXPECT_EQ(value->maximumValue(), QVariant(180.0));
    EXPECT_EQ(value->minimumStepSize(), QVariant(0.5));
    // The value read after a change.
    f.recorded.value = 7;
    f.track->sync();
    EXPECT_EQ(value->currentValue(), QVariant(7.0));
    EXPECT_EQ(accessible->text(QAccessible::Value), "7");
    EXPECT_TRUE(f.recorded.writes.empty());
    // A value set from outside (increase and decrease come to that) is
    // snapped and clamped like a drag's.
    value->setCurrentValue(7.3);
    value->setCurrentValue(500.0);
    value->setCurrentValue(QStringLiteral("none"));
    EXPECT_EQ(f.recorded.writes, (std::vector<double>{7.5, 180}));
    QLocale::setDefault(before);
}

class NotchSliderModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model = harness.make();
        bridge = std::make_unique<NotchViewModelBridge>(*model);
    }

    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model;
    std::unique_ptr<NotchViewModelBridge> bridge;
};

TEST_F(NotchSliderModelTest, PinButtonNamesFollowTheModelsTitlesAndPinState) {
    PinButton pin(PinTarget::forModel(*model, ShuffleProperty::spread));
    EXPECT_EQ(pin.size(), QSize(12, 12));
    EXPECT_EQ(pin.toolTip(), "Pin Reach");
    EXPECT_EQ(pin.accessibleName(), "Pin Reach");
    EXPECT_EQ(pin.symbol(), "pin");
    EXPECT_EQ(pin.labelColor(), whitePercent(30));

    pin.click();  // calls the action once; the look follows on sync
    EXPECT_TRUE(model->isPinned(ShuffleProperty::spread));
    EXPECT_EQ(pin.toolTip(), "Pin Reach");
    pin.sync();
    EXPECT_EQ(pin.toolTip(), "Unpin Reach");
    EXPECT_EQ(pin.accessibleName(), "Unpin Reach");
    EXPECT_EQ(pin.symbol(), "pin.fill");
    EXPECT_EQ(pin.labelColor(), QColor(255, 204, 0));

    EXPECT_EQ(pinButtonText(ShuffleProperty::angle, false), "Pin Twist");
    EXPECT_EQ(pinButtonText(ShuffleProperty::angle, true), "Unpin Twist");
}

TEST_F(NotchSliderModelTest, ASliderShowsThePinOnlyWithBothPropertyAndAction) {
    const auto spread = bind(*model, &NotchViewModel::spread, &NotchViewModel::setSpread);
    NotchSlider pinned("Reach", spread, 0, 400, 1, PinTarget::forModel(*model, ShuffleProperty::spread));
    ASSERT_NE(pinned.pinButton(), nullptr);
    EXPECT_EQ(pinned.placeholderDot(), nullptr);

    NotchSlider noAction("Reach", spread, 0, 400, 1, PinTarget{ShuffleProperty::spread, [] { return false; }, {}});
    EXPECT_EQ(noAction.pinButton(), nullptr);
    ASSERT_NE(noAction.placeholderDot(), nullptr);
    EXPECT_EQ(noAction.placeholderDot()->size(), QSize(5, 5));
    EXPECT_EQ(noAction.placeholderDot()->color(), whitePercent(28));

    NotchSlider noProperty("Reach", spread, 0, 400, 1, PinTarget{std::nullopt, {}, [] {}});
    EXPECT_EQ(noProperty.pinButton(), nullptr);
    EXPECT_NE(noProperty.placeholderDot(), nullptr);

    EXPECT_EQ(pinned.caption()->text(), "Reach");
    EXPECT_EQ(pinned.caption()->color(), whitePercent(72));
    EXPECT_GE(pinned.minimumHeight(), 40);
    EXPECT_EQ(pinned.track()->height(), 22);
}

TEST_F(NotchSliderModelTest, ADragOfFiftyMovesKeepsTheSameWidgetsAndLeavesTheLastValue) {
    QWidget window;
    auto* slider = new NotchSlider("Reach", bind(*model, &NotchViewModel::spread, &NotchViewModel::setSpread), 0,
                                   100, 1, PinTarget::forModel(*model, ShuffleProperty::spread), &window);
    QObject::connect(bridge.get(), &NotchViewModelBridge::changed, slider, [slider] { slider->sync(); });
    slider->setGeometry(0, 0, 108, 40);
    window.resize(108, 40);
    window.show();
    QPointer<NotchSliderTrack> track = slider->track();
    QPointer<PinButton> pin = slider->pinButton();
    ASSERT_EQ(track->width(), 108);

    model->setSpread(50);
    ASSERT_TRUE(test::processEventsUntil([&] { return track->value() == 50; }));
    mouse(*track, QEvent::MouseButtonPress, 54);
    double x = 54;
    for (int i = 0; i < 50; ++i) {
        x = 54 + (i % 2 ? -1 : 1) * i * 0.9;
        mouse(*track, QEvent::MouseMove, x);
        QCoreApplication::processEvents();  // the bridge's change reaches sync() mid-drag
        ASSERT_TRUE(track);
        EXPECT_TRUE(track->isDragging());
    }
    mouse(*track, QEvent::MouseButtonRelease, x);
    const double last = std::round(x - 4);  // grab offset 0: the knob centre went to the press
    EXPECT_EQ(model->spread(), last);
    test::processEventsFor(20);
    EXPECT_EQ(track.data(), slider->track());
    EXPECT_EQ(pin.data(), slider->pinButton());
    EXPECT_EQ(track->value(), last);
}

TEST_F(NotchSliderModelTest, SyncUpdatesTheSliderInPlaceWithoutWriting) {
    int writes = 0;
    NotchSlider slider("Reach",
                       Binding<double>{[&] { return model->spread(); }, [&](double v) {
                                           ++writes;
                                           model->setSpread(v);
                                       }},
                       0, 400, 1, PinTarget::forModel(*model, ShuffleProperty::spread));
    slider.resize(208, 40);
    model->setSpread(200);
    model->togglePin(ShuffleProperty::spread);
    slider.sync();
    EXPECT_EQ(slider.track()->value(), 200);
    EXPECT_EQ(slider.pinButton()->toolTip(), "Unpin Reach");
    EXPECT_EQ(writes, 0);
}

}  // namespace
}  // namespace glimora
