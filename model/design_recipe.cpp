#include "model/design_recipe.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/decimal_text.hpp"
#include "model/utf8.hpp"

namespace glimora {

namespace {

template <class Int> void appendInteger(std::string& out, Int value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

class Components {
public:
    std::string text;

    Components& separator() {
        if (count_++ > 0) text += '|';
        return *this;
    }
    Components& string(std::string_view value) {
        separator().text += value;
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

private:
    std::size_t count_ = 0;
};

}  // namespace

std::string DesignRecipe::displayName() const {
    const std::string_view trimmed = trimmingWhitespaceAndNewlines(name);
    return trimmed.empty() ? std::string("Untitled design") : std::string(trimmed);
}

std::string DesignRecipe::signature() const {
    Components c;
    c.text.reserve(512);
    c.string(wallpaperSource);
    appendInteger(c.separator().text, paletteIndex);
    if (customPalette) {
        c.separator();
        bool first = true;
        for (const auto& stop : *customPalette) {
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
    c.string(shape);
    appendInteger(c.separator().text, seed);
    c.number(hue).number(brightness).number(contrast).number(noise);
    c.number(angle).number(spread).number(centerX).number(centerY).number(phase);
    c.number(frequencyX).number(frequencyY).number(pixelScale).number(quantization);
    c.boolean(mirror).boolean(okLab).string(dither).number(chroma).number(warp);
    c.boolean(scanlines).boolean(vignette).boolean(invert).boolean(rgbSplit).string(channel);
    c.string(imagePaletteMode).string(imageDither).string(imagePixelShape).string(imageLook);
    c.number(imagePixelSize).number(imageColorCount).number(imageCellGap);
    c.number(imageBrightness).number(imageContrast).number(imageSaturation);
    // The mosaic and the photo are one component each whose parts happen to be
    // joined by the same bar.
    if (imageMosaic) {
        c.separator().text += imageMosaic->renderMode;
        c.text += '|';
        c.text += imageMosaic->tileShape;
        for (double v : {imageMosaic->cornerRadius, imageMosaic->bevel, imageMosaic->variation}) {
            c.text += '|';
            appendDecimalText(c.text, v);
        }
    } else {
        c.string("pixel");
    }
    if (image) {
        c.separator().text += image->fileName;
        for (double v : {image->cropCenterX, image->cropCenterY, image->cropZoom}) {
            c.text += '|';
            appendDecimalText(c.text, v);
        }
    } else {
        c.string("none");
    }
    std::vector<std::string> pinned = pinnedProperties;
    std::sort(pinned.begin(), pinned.end());
    c.separator();
    for (std::size_t i = 0; i < pinned.size(); ++i) {
        if (i > 0) c.text += ',';
        c.text += pinned[i];
    }
    c.string(exportFormat).string(exportResolution);

    c.boolean(grainGradientActive.value_or(false));
    c.string(grainGradientPreset.value_or("aurora"));
    c.number(grainGradientScale.value_or(54));
    c.string(grainGradientMode.value_or("liquid"));
    c.number(grainGradientWarp.value_or(58));
    c.number(grainGradientFlow.value_or(48));
    c.number(grainGradientGlow.value_or(62));

    c.boolean(animationPlaying.value_or(false));
    c.number(animationSpeed.value_or(1));
    c.number(animationLoopDuration.value_or(8));
    c.number(animationAmount.value_or(50));
    c.string(animationProperty.value_or("angle"));
    c.string(animationWaveform.value_or("sine"));
    return std::move(c.text);
}

}  // namespace glimora
