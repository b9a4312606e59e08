#include "model/design_recipe.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/decimal_text.hpp"
#include "model/unicode_normalization.hpp"
#include "model/utf8.hpp"

namespace glimora {

namespace {

template <class Int> void appendInteger(std::string& out, Int value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

// Texts go in as they are, or in Normalization Form C for comparing designs.
class Components {
public:
    explicit Components(bool canonical) : canonical_(canonical) {}

    std::string text;

    Components& separator() {
        if (count_++ > 0) text += '|';
        return *this;
    }
    // Appends a text field's value to the component being made.
    void append(std::string_view value) {
        if (canonical_)
            appendNormalizedToNFC(text, value);
        else
            text += value;
    }
    Components& string(std::string_view value) {
        separator().append(value);
        return *this;
    }
    Components& number(double value) {
        appendDecimalText(separator().text, value);
        return *this;
    }
    Components& boolean(bool value) {
        appendBool(separator().text, value);
        return *this;
    }
    std::string form(std::string_view value) const {
        return canonical_ ? normalizedToNFC(value) : std::string(value);
    }

private:
    bool canonical_;
    std::size_t count_ = 0;
};

std::string signatureText(const DesignRecipe& r, bool canonical) {
    Components c(canonical);
    c.text.reserve(512);
    c.string(r.wallpaperSource);
    appendInteger(c.separator().text, r.paletteIndex);
    if (r.customPalette) {
        c.separator();
        bool first = true;
        for (const auto& stop : *r.customPalette) {
            if (!first) c.text += ';';
            first = false;
            appendDecimalText(c.text, stop.red);
            c.text += ',';
            appendDecimalText(c.text, stop.green);
            c.text += ',';
            appendDecimalText(c.text, stop.blue);
        }
    } else {
        c.string("none");
    }
    c.string(r.shape);
    appendInteger(c.separator().text, r.seed);
    c.number(r.hue).number(r.brightness).number(r.contrast).number(r.noise);
    c.number(r.angle).number(r.spread).number(r.centerX).number(r.centerY).number(r.phase);
    c.number(r.frequencyX).number(r.frequencyY).number(r.pixelScale).number(r.quantization);
    c.boolean(r.mirror).boolean(r.okLab).string(r.dither).number(r.chroma).number(r.warp);
    c.boolean(r.scanlines).boolean(r.vignette).boolean(r.invert).boolean(r.rgbSplit).string(r.channel);
    c.string(r.imagePaletteMode).string(r.imageDither).string(r.imagePixelShape).string(r.imageLook);
    c.number(r.imagePixelSize).number(r.imageColorCount).number(r.imageCellGap);
    c.number(r.imageBrightness).number(r.imageContrast).number(r.imageSaturation);
    // The mosaic and the photo are one component each whose parts happen to be
    // joined by the same bar.
    if (r.imageMosaic) {
        c.separator().append(r.imageMosaic->renderMode);
        c.text += '|';
        c.append(r.imageMosaic->tileShape);
        for (double v : {r.imageMosaic->cornerRadius, r.imageMosaic->bevel, r.imageMosaic->variation}) {
            c.text += '|';
            appendDecimalText(c.text, v);
        }
    } else {
        c.string("pixel");
    }
    if (r.image) {
        c.separator().append(r.image->fileName);
        for (double v : {r.image->cropCenterX, r.image->cropCenterY, r.image->cropZoom}) {
            c.text += '|';
            appendDecimalText(c.text, v);
        }
    } else {
        c.string("none");
    }
    // Normalised before sorting, so that equivalent lists sort alike.
    std::vector<std::string> pinned;
    pinned.reserve(r.pinnedProperties.size());
    for (const std::string& property : r.pinnedProperties) pinned.push_back(c.form(property));
    std::sort(pinned.begin(), pinned.end());
    c.separator();
    for (std::size_t i = 0; i < pinned.size(); ++i) {
        if (i > 0) c.text += ',';
        c.text += pinned[i];
    }
    c.string(r.exportFormat).string(r.exportResolution);

    c.boolean(r.grainGradientActive.value_or(false));
    c.string(r.grainGradientPreset.value_or("aurora"));
    c.number(r.grainGradientScale.value_or(54));
    c.string(r.grainGradientMode.value_or("liquid"));
    c.number(r.grainGradientWarp.value_or(58));
    c.number(r.grainGradientFlow.value_or(48));
    c.number(r.grainGradientGlow.value_or(62));

    c.boolean(r.animationPlaying.value_or(false));
    c.number(r.animationSpeed.value_or(1));
    c.number(r.animationLoopDuration.value_or(8));
    c.number(r.animationAmount.value_or(50));
    c.string(r.animationProperty.value_or("angle"));
    c.string(r.animationWaveform.value_or("sine"));
    return std::move(c.text);
}

}  // namespace

std::string DesignRecipe::displayName() const {
    const std::string_view trimmed = trimmingWhitespaceAndNewlines(name);
    return trimmed.empty() ? std::string("Untitled design") : std::string(trimmed);
}

std::string DesignRecipe::signature() const { return signatureText(*this, false); }

std::string DesignRecipe::canonicalSignature() const { return signatureText(*this, true); }

bool DesignRecipe::hasSameDesign(const DesignRecipe& other) const {
    return canonicalSignature() == other.canonicalSignature();
}

}  // namespace glimora
