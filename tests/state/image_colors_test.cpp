// Imported pictures come in as sRGB, converted from what their files say
// about their colours: the values other viewers on the desktop show.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "render/image_pixelizer.hpp"
#include "state/notch_view_model.hpp"
#include "tests/render/image_fixtures.hpp"
#include "tests/state/model_harness.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using test::Bytes;

Bytes saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Adobe RGB (1998), with its tone curves as long tables (as some cameras
// write them), so that the profile needs more than one JPEG APP2 segment.
Bytes adobeRgbProfile() {
    const cmsCIExyY d65{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    std::vector<cmsUInt16Number> table(16384);
    for (std::size_t k = 0; k < table.size(); ++k)
        table[k] = cmsUInt16Number(std::lround(65535 * std::pow(double(k) / (table.size() - 1), 563.0 / 256)));
    // One table each: a table shared by the three channels is stored once.
    cmsToneCurve* curves[3];
    for (auto& curve : curves)
        curve = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
    const Bytes profile = saved(cmsCreateRGBProfile(&d65, &primaries, curves));
    for (auto* curve : curves) cmsFreeToneCurve(curve);
    return profile;
}

// Display P3: the P3 primaries with sRGB's white and tone curve.
Bytes displayP3Profile() {
    const cmsCIExyY d65{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Bytes profile = saved(cmsCreateRGBProfile(&d65, &primaries, curves));
    cmsFreeToneCurve(curve);
    return profile;
}

// What Little CMS makes of a colour of this profile, in sRGB: RGB, or CMYK
// as Adobe stores it (inverted).
RGB littleCmsSrgb(const Bytes& profileBytes, std::vector<std::uint8_t> in) {
    cmsHPROFILE profile = cmsOpenProfileFromMem(profileBytes.data(), cmsUInt32Number(profileBytes.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(profile, in.size() == 4 ? TYPE_CMYK_8_REV : TYPE_RGB_8, srgb,
                                                 TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::uint8_t out[3] = {};
    cmsDoTransform(transform, in.data(), out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(profile);
    return {out[0], out[1], out[2]};
}

RGB littleCmsSrgb(const Bytes& profile, RGB color) {
    return littleCmsSrgb(profile, std::vector<std::uint8_t>{color.red, color.green, color.blue});
}

void writeBytes(const std::filesystem::path& file, const Bytes& bytes) {
    test::writeFile(file, std::string(bytes.begin(), bytes.end()));
}

void expectNear(RGB actual, RGB expected, int tolerance, const std::string& what) {
    EXPECT_NEAR(actual.red, expected.red, tolerance) << what;
    EXPECT_NEAR(actual.green, expected.green, tolerance) << what;
    EXPECT_NEAR(actual.blue, expected.blue, tolerance) << what;
}

RGB sample(const NotchViewModel& model, std::size_t asset, double x, double y) {
    return model.imageAssets().at(asset).buffer.sampleColor(x, y);
}

// The same PNG with a byte of its iCCP chunk's compressed profile changed
// (its CRC made right again): libpng reads it, zlib does not.
Bytes withDamagedIccp(Bytes png) {
    const std::uint8_t type[] = {'i', 'C', 'C', 'P'};
    const auto at = std::search(png.begin(), png.end(), std::begin(type), std::end(type));
    const std::size_t start = std::size_t(at - png.begin());
    const std::size_t length = std::size_t(png[start - 4]) << 24 | std::size_t(png[start - 3]) << 16 |
                               std::size_t(png[start - 2]) << 8 | png[start - 1];
    png[start + 4 + length / 2] ^= 0x5A;
    const auto crc = std::uint32_t(crc32(0, png.data() + start, uInt(length + 4)));
    for (int k = 0; k < 4; ++k) png[start + 4 + length + std::size_t(k)] = std::uint8_t(crc >> (24 - 8 * k));
    return png;
}

// The PNG with an sRGB chunk right after its header, which libpng would not
// write beside a gamma other than sRGB's.
Bytes withSrgbChunk(Bytes png) {
    Bytes chunk = {0, 0, 0, 1, 's', 'R', 'G', 'B', 0};
    const auto crc = std::uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4)));
    for (int shift : {24, 16, 8, 0}) chunk.push_back(std::uint8_t(crc >> shift));
    const std::size_t afterHeader = 8 + 8 + 13 + 4;  // signature, IHDR length and type, data, CRC
    png.insert(png.begin() + std::ptrdiff_t(afterHeader), chunk.begin(), chunk.end());
    return png;
}

struct ColorHarness : test::ModelHarness {
    ColorHarness() {
        decoder = [](std::span<const std::uint8_t> data, int maxPixelSize,
                     DecodeNotes* notes) -> std::optional<PixelImageBuffer> {
            try {
                return PixelImageBuffer::load(data, maxPixelSize, notes);
            } catch (ImagePixelizer::PixelizerError) {
                return std::nullopt;
            }
        };
    }
};

constexpr RGB adobeGreen{40, 180, 60};
const std::vector<RGB> p3Colors = {{200, 60, 30}, {30, 200, 90}, {128, 128, 128}, {20, 40, 220}};

TEST(ImageColors, ProfilesAndPngGammaBecomeSrgbAsLittleCmsConvertsThem) {
    test::TempDir dir;
    const Bytes adobe = adobeRgbProfile();
    ASSERT_GT(adobe.size(), 65519u) << "the profile must span more than one APP2 segment";
    const auto flat = [](RGB color) { return [color](int, int) { return color; }; };
    writeBytes(dir.path() / "adobe.jpg", test::encodeJpeg(64, 48, flat(adobeGreen), {.quality = 100, .iccProfile = adobe}));
    writeBytes(dir.path() / "untagged.jpg", test::encodeJpeg(64, 48, flat(adobeGreen), {.quality = 100}));
    // CMYK as Photoshop writes it, with a press profile (Ghostscript's).
    const Bytes press = test::readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    ASSERT_FALSE(press.empty()) << "install libgs-common";
    const RGB ink{30, 150, 220};  // stored inverted: 255 - ink; no black
    writeBytes(dir.path() / "press.jpg",
               test::encodeJpeg(64, 48, flat(ink), {.quality = 100, .cmyk = true, .iccProfile = press}));
    const Bytes p3 = displayP3Profile();
    const auto bands = [](int x, int) {
        const RGB c = p3Colors[std::size_t(x / 8)];
        return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
    };
    writeBytes(dir.path() / "p3.png", test::encodeRgbaPng(32, 8, bands, {.iccProfile = p3}));
    const auto grey = [](int, int) { return std::array<std::uint8_t, 4>{128, 128, 128, 255}; };
    writeBytes(dir.path() / "linear.png", test::encodeRgbaPng(8, 8, grey, {.gamma = 1.0}));
    writeBytes(dir.path() / "srgb.png", withSrgbChunk(test::encodeRgbaPng(8, 8, grey, {.gamma = 1.0})));

    ColorHarness harness;
    const auto model = harness.make();
    model->importImageFiles({dir.path() / "adobe.jpg", dir.path() / "untagged.jpg", dir.path() / "p3.png",
                             dir.path() / "linear.png", dir.path() / "srgb.png", dir.path() / "press.jpg"});
    ASSERT_EQ(model->imageAssets().size(), 6u);
    EXPECT_TRUE(harness.logger->lines.empty());

    // The JPEG as stored (the same pixels without their profile), converted.
    const RGB stored = sample(*model, 1, 0.5, 0.5);
    expectNear(stored, adobeGreen, 1, "the untagged JPEG keeps its values");
    const RGB adobeInSrgb = sample(*model, 0, 0.5, 0.5);
    expectNear(adobeInSrgb, littleCmsSrgb(adobe, stored), 2, "Adobe RGB JPEG");
    expectNear(adobeInSrgb, RGB{0, 180, 42}, 2, "Adobe RGB (40, 180, 60) in sRGB");
    for (std::size_t band = 0; band < p3Colors.size(); ++band) {
        const double x = (double(band) * 8 + 4) / 31;
        expectNear(sample(*model, 2, x, 0.5), littleCmsSrgb(p3, p3Colors[band]), 2,
                   "Display P3 PNG, band " + std::to_string(band));
    }
    expectNear(sample(*model, 5, 0.5, 0.5), littleCmsSrgb(press, std::vector<std::uint8_t>{ink.red, ink.green, ink.blue, 255}), 2,
               "CMYK JPEG with a CMYK profile");
    // Linear grey 128 is half the light, which sRGB writes as 188; an sRGB
    // chunk says sRGB whatever the gamma beside it says.
    expectNear(sample(*model, 3, 0.5, 0.5), RGB{188, 188, 188}, 1, "gAMA 1.0");
    EXPECT_EQ(sample(*model, 4, 0.5, 0.5), (RGB{128, 128, 128}));

    // A recipe keeps the pixels the editor shows, and brings them back so.
    model->setCurrentImageIndex(0);
    const DesignRecipe recipe = model->makeRecipe("Adobe", true);
    ASSERT_TRUE(recipe.image && recipe.image->pngData);
    const auto restored = PixelImageBuffer::load(recipe.image->pngData->vector(), 2048);
    EXPECT_TRUE(std::ranges::equal(restored.bytes(), model->imageAssets()[0].buffer.bytes()));
}

TEST(ImageColors, ADamagedProfileLeavesTheStoredColoursAndSaysSoOnce) {
    test::TempDir dir;
    Bytes broken = displayP3Profile();
    broken.resize(160);  // the header and the start of the tag table
    const auto flat = [](int, int) { return adobeGreen; };
    const auto damagedJpeg = dir.path() / "damaged.jpg";
    writeBytes(damagedJpeg, test::encodeJpeg(64, 48, flat, {.quality = 100, .iccProfile = broken}));
    writeBytes(dir.path() / "untagged.jpg", test::encodeJpeg(64, 48, flat, {.quality = 100}));
    const auto bands = [](int x, int) {
        const RGB c = p3Colors[std::size_t(x / 8)];
        return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
    };
    const auto damagedPng = dir.path() / "damaged.png";
    writeBytes(damagedPng,
               withDamagedIccp(test::encodeRgbaPng(32, 8, bands, {.iccProfile = displayP3Profile(), .gamma = 1.0})));

    ColorHarness harness;
    const auto model = harness.make();
    model->importImageFiles({damagedJpeg, dir.path() / "untagged.jpg", damagedPng});
    EXPECT_EQ(model->imageStatus(), "Added 3 images \u00B7 3 total");
    ASSERT_EQ(model->imageAssets().size(), 3u);
    EXPECT_TRUE(std::ranges::equal(model->imageAssets()[0].buffer.bytes(), model->imageAssets()[1].buffer.bytes()));
    // Neither the profile nor the gamma it overrides: the values as stored.
    for (std::size_t band = 0; band < p3Colors.size(); ++band)
        EXPECT_EQ(sample(*model, 2, (double(band) * 8 + 4) / 31, 0.5), p3Colors[band]) << band;
    ASSERT_EQ(harness.logger->lines.size(), 2u);
    // Little CMS's own words on the damage follow in brackets.
    EXPECT_TRUE(harness.logger->lines[0].starts_with("Ombriq image import kept the stored colours of " +
                                                     damagedJpeg.string() + ": its colour profile cannot be read ("))
        << harness.logger->lines[0];
    EXPECT_EQ(harness.logger->lines[1], "Ombriq image import kept the stored colours of " + damagedPng.string() +
                                            ": its colour profile cannot be read (its iCCP chunk is damaged)");
}

}  // namespace
}  // namespace glimora
