#include "editors/model_fields.hpp"

#include <gtest/gtest.h>

#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using Prop = NotchViewModel::Prop;

TEST(ModelFields, NumbersAndSwitchesAreReadAndWrittenByTheirChangeId) {
    test::ModelHarness harness;
    auto model = harness.make();
    std::vector<Prop> notified;
    model->onChange([&](Prop prop) { notified.push_back(prop); });

    EXPECT_EQ(readDouble(*model, Prop::angle), 135.0);
    writeDouble(*model, Prop::angle, 90);
    EXPECT_EQ(model->angle(), 90.0);
    EXPECT_EQ(readBool(*model, Prop::vignette), true);
    writeBool(*model, Prop::vignette, false);
    EXPECT_FALSE(model->vignette());
    EXPECT_EQ(notified, (std::vector<Prop>{Prop::angle, Prop::vignette}));

    // A property of another type is neither read nor written.
    EXPECT_FALSE(readDouble(*model, Prop::shape));
    EXPECT_FALSE(readBool(*model, Prop::paletteIndex));
    writeDouble(*model, Prop::paletteIndex, 3);
    writeBool(*model, Prop::angle, true);
    EXPECT_EQ(model->paletteIndex(), 26);
    EXPECT_EQ(model->angle(), 90.0);
    EXPECT_EQ(notified.size(), 2u);
    EXPECT_TRUE(isDoubleProperty(Prop::grainGradientScale));
    EXPECT_FALSE(isDoubleProperty(Prop::mirror));
    EXPECT_TRUE(isBoolProperty(Prop::mirror));
}

}  // namespace
}  // namespace glimora
