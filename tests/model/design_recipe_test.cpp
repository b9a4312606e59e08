#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/design_recipe.hpp"
#include "tests/model/recipe_samples.hpp"

namespace glimora {
namespace {

using test::fullRecipe;
using test::requiredOnlyRecipe;

TEST(DesignRecipeDisplayName, TrimsUnicodeWhiteSpaceAndNewlines) {
    DesignRecipe r = requiredOnlyRecipe();
    const auto shown = [&](const std::string& name) {
        r.name = name;
        return r.displayName();
    };
    EXPECT_EQ(shown("  Dusk study \n"), "Dusk study");
    EXPECT_EQ(r.name, "  Dusk study \n");
    EXPECT_EQ(shown("Two  words"), "Two  words");
    // No-break space, line separator, ideographic space, next line, tab, CR, VT, FF.
    EXPECT_EQ(shown("\u00A0\u2028Name\u3000\u0085\t\r\v\f"), "Name");
    EXPECT_EQ(shown("\u2003\u202F\u205F\u1680Ünïcode\u2029"), "Ünïcode");
    // A zero-width space is not white space.
    EXPECT_EQ(shown("\u200BName"), "\u200BName");
    // A stray byte that is no UTF-8 stays where it is.
    EXPECT_EQ(shown(" Name\xFF "), "Name\xFF");
}

TEST(DesignRecipeDisplayName, EmptyAfterTrimmingIsUntitled) {
    DesignRecipe r = requiredOnlyRecipe();
    for (const char* name : {"", " ", " \n\t ", "\u3000\u00A0\u2028"}) {
        r.name = name;
        EXPECT_EQ(r.displayName(), "Untitled design") << name;
    }
}

TEST(DesignRecipeSignature, FullRecipe) {
    EXPECT_EQ(fullRecipe().signature(),
              "image|48|1.0,0.5,0.25;0.0,0.1,1.0|sunsetStrip|18446744073709551615|"
              "0.25|1.05|1.0|0.1|135.0|-0.5|0.3|0.7|0.125|3.0|2.5|12.0|0.4|true|false|fourByFour|0.2|0.35|"
              "false|true|false|true|red|current|bayer4|dot|halftone|14.0|16.0|0.15|-0.1|1.2|0.9|"
              "mosaic|brick|4.5|0.3|0.6|beach|2.png|0.4|0.6|1.5|centerX,centerY,palette,shape|svg|fourK|"
              "true|ember|60.0|bloom|58.5|1e-05|62.0|true|1.5|12.0|75.0|phase|pingPong");
}

TEST(DesignRecipeSignature, AbsentPartsTakeTheirDefaults) {
    const std::string s = requiredOnlyRecipe().signature();
    EXPECT_EQ(s,
              "gradient|3|none|linear|42|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|0.0|false|false|off|"
              "0.0|0.0|false|false|false|false|rgb|source|none|square|softDither|0.0|0.0|0.0|0.0|0.0|0.0|"
              "pixel|none||png|hd|false|aurora|54.0|liquid|58.0|48.0|62.0|false|1.0|8.0|50.0|angle|sine");
    EXPECT_EQ(std::count(s.begin(), s.end(), '|'), 55);
}

TEST(DesignRecipeSignature, LeavesOutIdentityNameDateAndPhotoBytes) {
    const DesignRecipe a = fullRecipe();
    DesignRecipe b = a;
    b.id = *Uuid::parse("FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
    b.name = "Other";
    b.createdAt = 1;
    b.isFavorite = false;
    b.version = 4;
    b.formatIdentifier = "x";
    b.image->pngData = std::vector<std::uint8_t>{9};
    EXPECT_EQ(a.signature(), b.signature());
    b.image->pngData.reset();
    EXPECT_EQ(a.signature(), b.signature());
    EXPECT_NE(a, b);
}

TEST(DesignRecipeSignature, OptionalsEqualToTheirDefaultsMatchAbsentOnes) {
    const DesignRecipe bare = requiredOnlyRecipe();
    DesignRecipe r = bare;
    r.grainGradientActive = false;
    r.grainGradientPreset = "aurora";
    r.grainGradientScale = 54;
    r.grainGradientMode = "liquid";
    r.grainGradientWarp = 58;
    r.grainGradientFlow = 48;
    r.grainGradientGlow = 62;
    r.animationPlaying = false;
    r.animationSpeed = 1;
    r.animationLoopDuration = 8;
    r.animationAmount = 50;
    r.animationProperty = "angle";
    r.animationWaveform = "sine";
    EXPECT_EQ(r.signature(), bare.signature());
}

TEST(DesignRecipeSignature, TellsApartWhatDiffers) {
    const DesignRecipe bare = requiredOnlyRecipe();
    const auto differs = [&](auto change) {
        DesignRecipe r = bare;
        change(r);
        return r.signature() != bare.signature();
    };
    // An empty custom palette is not an absent one; a "pixel" mosaic is not an absent one.
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.customPalette = std::vector<CustomPaletteStop>{}; }));
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.imageMosaic = ImageMosaicRecipe{"pixel", "square", 0, 0, 0}; }));
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.hue = std::nextafter(0.0, 1.0); }));
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.hue = -0.0; }));
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.shape = "Linear"; }));
    EXPECT_TRUE(differs([](DesignRecipe& r) { r.image = RecipeImageAsset{"a.png", 0.5, 0.5, 1, {}}; }));

    DesignRecipe a = bare, b = bare;
    a.pinnedProperties = {"shape", "palette"};
    b.pinnedProperties = {"palette", "shape"};
    EXPECT_EQ(a.signature(), b.signature());
    EXPECT_EQ(a.pinnedProperties.front(), "shape");  // sorting works on a copy
    b.pinnedProperties = {"palette", "palette", "shape"};
    EXPECT_NE(a.signature(), b.signature());

    a.image = RecipeImageAsset{"a.png", 0.5, 0.5, 1, {}};
    b = a;
    b.image->cropZoom = 1.25;
    EXPECT_NE(a.signature(), b.signature());
    b = a;
    b.image->fileName = "b.png";
    EXPECT_NE(a.signature(), b.signature());
}

TEST(DesignRecipeSignature, NumberTextsAreDistinctAtTheExtremes) {
    const auto text = [](double v) {
        DesignRecipe r = requiredOnlyRecipe();
        r.hue = v;
        const std::string s = r.signature();
        // hue is the sixth component.
        std::size_t at = 0;
        for (int i = 0; i < 5; ++i) at = s.find('|', at) + 1;
        return s.substr(at, s.find('|', at) - at);
    };
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(text(1e16), "1e+16");
    EXPECT_EQ(text(1e15), "1000000000000000.0");
    EXPECT_EQ(text(0.0001), "0.0001");
    EXPECT_EQ(text(0.00001), "1e-05");
    EXPECT_EQ(text(-0.0), "-0.0");
    EXPECT_EQ(text(inf), "inf");
    EXPECT_EQ(text(-inf), "-inf");
    EXPECT_EQ(text(std::nan("")), "nan");
    EXPECT_EQ(text(5e-324), "5e-324");
    EXPECT_EQ(text(std::numeric_limits<double>::max()), "1.7976931348623157e+308");
    EXPECT_EQ(text(9007199254740991.0), "9007199254740991.0");
    EXPECT_EQ(text(9007199254740992.0), "9007199254740992.0");
    EXPECT_EQ(text(1e16), "1e+16");
    EXPECT_NE(text(0.1), text(std::nextafter(0.1, 1.0)));
}

}  // namespace
}  // namespace glimora
