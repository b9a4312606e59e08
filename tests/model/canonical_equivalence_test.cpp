#include <gtest/gtest.h>

#include <string>

#include "model/design_recipe.hpp"
#include "model/unicode_normalization.hpp"
#include "tests/model/recipe_samples.hpp"

namespace glimora {
namespace {

using test::fullRecipe;
using test::requiredOnlyRecipe;

// "Café.png" with a precomposed é (C3 A9) and with e and a combining acute (65 CC 81).
const std::string cafeComposed = "Caf\xC3\xA9.png";
const std::string cafeDecomposed = "Cafe\xCC\x81.png";
// "한글": the two syllables, and the same as leading, vowel and trailing jamo.
const std::string hangulComposed = "\uD55C\uAE00.png";
const std::string hangulDecomposed = "\u1112\u1161\u11AB\u1100\u1173\u11AF.png";
// "Việt" and "tiếng": ệ and ế, each a letter with two marks.
const std::string vietComposed = "Vi\u1EC7t ti\u1EBFng.jpg";
const std::string vietDecomposed = "Vie\u0323\u0302t tie\u0302\u0301ng.jpg";
// The marks of ệ in the other order: the dot below still sorts first.
const std::string vietMarksSwapped = "Vie\u0302\u0323t tie\u0302\u0301ng.jpg";

TEST(NormalizedToNFC, ComposesCanonicallyEquivalentSpellings) {
    EXPECT_EQ(normalizedToNFC(cafeDecomposed), cafeComposed);
    EXPECT_EQ(normalizedToNFC(cafeComposed), cafeComposed);
    EXPECT_EQ(normalizedToNFC(hangulDecomposed), hangulComposed);
    EXPECT_EQ(normalizedToNFC(vietDecomposed), vietComposed);
    EXPECT_EQ(normalizedToNFC(vietMarksSwapped), vietComposed);
    // A singleton: the angstrom sign is canonically the letter Å.
    EXPECT_EQ(normalizedToNFC("5 \u212B"), "5 \u00C5");
    // A mark with no precomposed letter stays after its base, in canonical order.
    EXPECT_EQ(normalizedToNFC("q\u0301\u0323"), "q\u0323\u0301");
}

TEST(NormalizedToNFC, LeavesWhatIsNotCanonicallyEquivalentApart) {
    EXPECT_EQ(normalizedToNFC("plain-ascii_name 01.png"), "plain-ascii_name 01.png");
    EXPECT_EQ(normalizedToNFC(""), "");
    // Compatibility forms are other characters under canonical equivalence.
    EXPECT_EQ(normalizedToNFC("\uFB01le \u2460"), "\uFB01le \u2460");
    // Two marks of the same class keep their order: these are different texts.
    EXPECT_NE(normalizedToNFC("e\u0301\u0300"), normalizedToNFC("e\u0300\u0301"));
    // A NUL is a character like any other, not the end of the text.
    EXPECT_EQ(normalizedToNFC(std::string("a\0e\u0301", 5)), std::string("a\0\u00E9", 4));
}

TEST(NormalizedToNFC, KeepsBytesThatAreNoUtf8AndNormalisesAroundThem) {
    EXPECT_EQ(normalizedToNFC("e\u0301\xFF" "e\u0301"), "\u00E9\xFF\u00E9");
    EXPECT_EQ(normalizedToNFC("\xC3"), "\xC3");
    EXPECT_EQ(normalizedToNFC("e\u0301\xED\xA0\x80"), "\u00E9\xED\xA0\x80");  // an encoded surrogate
    // A mark after a stray byte has nothing to compose with.
    EXPECT_EQ(normalizedToNFC("e\xFF\xCC\x81"), "e\xFF\xCC\x81");
}

DesignRecipe withPhotoNamed(const std::string& fileName) {
    DesignRecipe r = fullRecipe();
    r.image->fileName = fileName;
    return r;
}

TEST(DesignRecipeSameDesign, PhotoNamesSpeltEitherWayAreOneDesign) {
    for (const auto& [composed, other] : {std::pair{cafeComposed, cafeDecomposed},
                                          std::pair{hangulComposed, hangulDecomposed},
                                          std::pair{vietComposed, vietDecomposed},
                                          std::pair{vietComposed, vietMarksSwapped},
                                          std::pair{vietDecomposed, vietMarksSwapped}}) {
        const DesignRecipe a = withPhotoNamed(composed);
        const DesignRecipe b = withPhotoNamed(other);
        EXPECT_TRUE(a.hasSameDesign(b)) << other;
        EXPECT_TRUE(b.hasSameDesign(a)) << other;
        EXPECT_EQ(a.canonicalSignature(), b.canonicalSignature());
        // The signature itself keeps each recipe's own bytes.
        EXPECT_NE(a.signature(), b.signature());
        EXPECT_NE(b.signature().find(other), std::string::npos);
    }
}

TEST(DesignRecipeSameDesign, ByteEqualTextsMatchAndDifferentLettersDiffer) {
    EXPECT_TRUE(withPhotoNamed(cafeDecomposed).hasSameDesign(withPhotoNamed(cafeDecomposed)));
    EXPECT_TRUE(fullRecipe().hasSameDesign(fullRecipe()));
    EXPECT_TRUE(requiredOnlyRecipe().hasSameDesign(requiredOnlyRecipe()));
    // ASCII recipes: the canonical signature is the signature.
    EXPECT_EQ(fullRecipe().canonicalSignature(), fullRecipe().signature());
    EXPECT_EQ(requiredOnlyRecipe().canonicalSignature(), requiredOnlyRecipe().signature());

    for (const std::string& other : {std::string("Cafe.png"), std::string("Caf\u00E8.png"),
                                     std::string("Cafe\u0300.png"), std::string("CAF\u00C9.png"),
                                     std::string("Caf\u00E9 .png"), std::string("\uD55C\uAE00.png")})
        EXPECT_FALSE(withPhotoNamed(cafeComposed).hasSameDesign(withPhotoNamed(other))) << other;
    EXPECT_FALSE(withPhotoNamed("e\u0301\u0300.png").hasSameDesign(withPhotoNamed("e\u0300\u0301.png")));
    EXPECT_FALSE(withPhotoNamed("\uFB01.png").hasSameDesign(withPhotoNamed("fi.png")));

    // Everything else the signature tells apart still counts.
    DesignRecipe a = withPhotoNamed(cafeComposed);
    DesignRecipe b = withPhotoNamed(cafeDecomposed);
    b.image->cropZoom = 2;
    EXPECT_FALSE(a.hasSameDesign(b));
    b = withPhotoNamed(cafeDecomposed);
    b.hue += 1;
    EXPECT_FALSE(a.hasSameDesign(b));
    // Identity, name and photo bytes still take no part.
    b = withPhotoNamed(cafeDecomposed);
    b.name = "Other";
    b.id = Uuid{};
    b.image->pngData.reset();
    EXPECT_TRUE(a.hasSameDesign(b));
}

TEST(DesignRecipeSameDesign, EveryTextFieldComparesUnderCanonicalEquivalence) {
    const std::string composed = "\u00E9";
    const std::string decomposed = "e\u0301";
    using Field = void (*)(DesignRecipe&, const std::string&);
    const Field fields[] = {
        [](DesignRecipe& r, const std::string& t) { r.wallpaperSource = t; },
        [](DesignRecipe& r, const std::string& t) { r.shape = t; },
        [](DesignRecipe& r, const std::string& t) { r.dither = t; },
        [](DesignRecipe& r, const std::string& t) { r.channel = t; },
        [](DesignRecipe& r, const std::string& t) { r.imagePaletteMode = t; },
        [](DesignRecipe& r, const std::string& t) { r.imageDither = t; },
        [](DesignRecipe& r, const std::string& t) { r.imagePixelShape = t; },
        [](DesignRecipe& r, const std::string& t) { r.imageLook = t; },
        [](DesignRecipe& r, const std::string& t) { r.imageMosaic->renderMode = t; },
        [](DesignRecipe& r, const std::string& t) { r.imageMosaic->tileShape = t; },
        [](DesignRecipe& r, const std::string& t) { r.exportFormat = t; },
        [](DesignRecipe& r, const std::string& t) { r.exportResolution = t; },
        [](DesignRecipe& r, const std::string& t) { r.grainGradientPreset = t; },
        [](DesignRecipe& r, const std::string& t) { r.grainGradientMode = t; },
        [](DesignRecipe& r, const std::string& t) { r.animationProperty = t; },
        [](DesignRecipe& r, const std::string& t) { r.animationWaveform = t; },
        [](DesignRecipe& r, const std::string& t) { r.pinnedProperties.push_back(t); },
    };
    int index = 0;
    for (const Field set : fields) {
        DesignRecipe a = fullRecipe(), b = fullRecipe(), c = fullRecipe();
        set(a, "x" + composed);
        set(b, "x" + decomposed);
        set(c, "x" + std::string("e"));
        EXPECT_TRUE(a.hasSameDesign(b)) << "field " << index;
        EXPECT_FALSE(a.hasSameDesign(c)) << "field " << index;
        ++index;
    }
}

TEST(DesignRecipeSameDesign, PinnedTextsSortAfterNormalising) {
    // Raw, "e" + accent sorts before "f"; the precomposed é after it. Both
    // lists hold the same texts, so they are the same design.
    DesignRecipe a = requiredOnlyRecipe(), b = requiredOnlyRecipe();
    a.pinnedProperties = {"e\u0301", "f"};
    b.pinnedProperties = {"f", "\u00E9"};
    EXPECT_TRUE(a.hasSameDesign(b));
    EXPECT_EQ(a.pinnedProperties.front(), "e\u0301");  // the recipe's own list keeps its order
    b.pinnedProperties = {"f", "\u00E9", "\u00E9"};
    EXPECT_FALSE(a.hasSameDesign(b));
}

}  // namespace
}  // namespace glimora
