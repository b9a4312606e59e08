#include "render/srgb_transform.hpp"

#include <lcms2.h>


namespace glimora::image_decoding {

namespace {

// A transform with the Little CMS context it was made in; the context keeps
// the first error Little CMS reports, for the log.
struct Session {
    std::string error;
    cmsContext context = nullptr;
    cmsHTRANSFORM transform = nullptr;

    Session() {
        context = cmsCreateContext(nullptr, &error);
        if (context) cmsSetLogErrorHandlerTHR(context, [](cmsContext context, cmsUInt32Number, const char* text) {
            auto* error = static_cast<std::string*>(cmsGetContextUserData(context));
            if (error && error->empty() && text) *error = text;
        });
    }
    ~Session() {
        if (transform) cmsDeleteTransform(transform);
        if (context) cmsDeleteContext(context);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

struct Profile {
    cmsHPROFILE handle;
    ~Profile() {
        if (handle) cmsCloseProfile(handle);
    }
};

struct Curve {
    cmsToneCurve* handle;
    ~Curve() {
        if (handle) cmsFreeToneCurve(handle);
    }
};

// sRGB's own primaries and white, for a PNG that gives a gamma without cHRM.
constexpr Chromaticities srgbChromaticities{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};

bool plausible(const Chromaticities& c) {
    for (const double value : {c.whiteX, c.whiteY, c.redX, c.redY, c.greenX, c.greenY, c.blueX, c.blueY})
        if (!(value >= 0 && value <= 1)) return false;
    return c.whiteY > 0 && c.redY > 0 && c.greenY > 0 && c.blueY > 0;
}

// The profile of PNG's gamma and chromaticities; `problem` says why there is none.
cmsHPROFILE pngProfile(cmsContext context, const SourceColors& colors, std::string& problem) {
    const Chromaticities c = colors.chromaticities.value_or(srgbChromaticities);
    if (!plausible(c)) {
        problem = "its chromaticities (cHRM) cannot be right";
        return nullptr;
    }
    Curve curve{nullptr};
    if (colors.gamma) {
        const double gamma = *colors.gamma;
        if (!(gamma >= 0.05 && gamma <= 20)) {
            problem = "its gamma (gAMA) cannot be right";
            return nullptr;
        }
        curve.handle = cmsBuildGamma(context, 1 / gamma);
    } else {
        // cHRM alone: the primaries are the file's, the tone curve sRGB's.
        const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve.handle = cmsBuildParametricToneCurve(context, 4, srgb);
    }
    if (!curve.handle) {
        problem = "its gamma (gAMA) cannot be used";
        return nullptr;
    }
    const cmsCIExyY white{c.whiteX, c.whiteY, 1};
    const cmsCIExyYTRIPLE primaries{{c.redX, c.redY, 1}, {c.greenX, c.greenY, 1}, {c.blueX, c.blueY, 1}};
    cmsToneCurve* curves[3] = {curve.handle, curve.handle, curve.handle};
    cmsHPROFILE profile = cmsCreateRGBProfileTHR(context, &white, &primaries, curves);
    if (!profile) problem = "its chromaticities (cHRM) cannot be used";
    return profile;
}

// A field of an ICC header, read from the bytes: Little CMS hands the class
// and colour space back as enumerations, which a damaged profile can fill
// with values no enumerator has.
std::uint32_t headerWord(const std::vector<std::uint8_t>& profile, std::size_t at) {
    return std::uint32_t(profile[at]) << 24 | std::uint32_t(profile[at + 1]) << 16 |
           std::uint32_t(profile[at + 2]) << 8 | std::uint32_t(profile[at + 3]);
}

cmsHPROFILE iccProfile(cmsContext context, const std::vector<std::uint8_t>& bytes, std::string& problem) {
    if (bytes.size() > maxIccProfileBytes) {
        problem = "its colour profile is too large to be real";
        return nullptr;
    }
    // A header and a tag count, or no profile at all.
    cmsHPROFILE profile = bytes.size() < 132 ? nullptr
                                             : cmsOpenProfileFromMemTHR(context, bytes.data(), cmsUInt32Number(bytes.size()));
    if (!profile) {
        problem = "its colour profile cannot be read";
        return nullptr;
    }
    // Only the profile of a device or a colour space describes a picture's pixels.
    const std::uint32_t profileClass = headerWord(bytes, 12);
    for (const std::uint32_t usable : {std::uint32_t(cmsSigInputClass), std::uint32_t(cmsSigDisplayClass),
                                       std::uint32_t(cmsSigOutputClass), std::uint32_t(cmsSigColorSpaceClass)})
        if (profileClass == usable) return profile;
    cmsCloseProfile(profile);
    problem = "its colour profile describes no picture's colours";
    return nullptr;
}

constexpr cmsUInt32Number grayInRgba = COLORSPACE_SH(PT_GRAY) | EXTRA_SH(3) | CHANNELS_SH(1) | BYTES_SH(1);

// The Little CMS layout of the pixels for a profile of this colour space; 0
// when the profile does not fit them.
cmsUInt32Number inputFormat(SourcePixels pixels, std::uint32_t space) {
    switch (pixels) {
    case SourcePixels::rgba: return space == cmsSigRgbData ? TYPE_RGBA_8 : 0;
    case SourcePixels::grayRgba:
        return space == cmsSigRgbData ? TYPE_RGBA_8 : space == cmsSigGrayData ? grayInRgba : 0;
    case SourcePixels::cmyk: return space == cmsSigCmykData ? TYPE_CMYK_8 : 0;
    case SourcePixels::invertedCmyk: return space == cmsSigCmykData ? TYPE_CMYK_8_REV : 0;
    }
    return 0;
}

}  // namespace

std::optional<SrgbTransform> SrgbTransform::make(const SourceColors& colors, SourcePixels pixels,
                                                 std::string& problem) {
    problem.clear();
    const bool saysIcc = !colors.iccProfile.empty();
    if (colors.srgb || (!saysIcc && !colors.gamma && !colors.chromaticities)) return std::nullopt;
    auto session = std::make_shared<Session>();
    if (!session->context) {
        problem = "its colours could not be converted (no memory)";
        return std::nullopt;
    }
    const Profile source{saysIcc ? iccProfile(session->context, colors.iccProfile, problem)
                                 : pngProfile(session->context, colors, problem)};
    const auto withError = [&session, &problem] {
        if (!session->error.empty()) problem += " (" + session->error + ")";
    };
    if (!source.handle) {
        withError();
        return std::nullopt;
    }
    // What Little CMS opened is at least a header long.
    const cmsUInt32Number in =
        inputFormat(pixels, saysIcc ? headerWord(colors.iccProfile, 16) : std::uint32_t(cmsSigRgbData));
    if (in == 0) {
        problem = "its colour profile is for pixels of another kind";
        return std::nullopt;
    }
    const Profile srgb{cmsCreate_sRGBProfileTHR(session->context)};
    const bool cmyk = pixels == SourcePixels::cmyk || pixels == SourcePixels::invertedCmyk;
    if (srgb.handle)
        session->transform = cmsCreateTransformTHR(session->context, source.handle, in, srgb.handle,
                                                   cmyk ? TYPE_RGB_8 : TYPE_RGBA_8, INTENT_PERCEPTUAL, 0);
    if (!session->transform) {
        problem = "its colour profile cannot be used";
        withError();
        return std::nullopt;
    }
    return SrgbTransform(std::shared_ptr<void>(session, session->transform));
}

void SrgbTransform::apply(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const {
    // Pictures hold at most PixelImageBuffer::maxDeclaredPixels, well within
    // the 32 bits Little CMS counts pixels in.
    cmsDoTransform(transform_.get(), in, out, cmsUInt32Number(count));
}

}  // namespace glimora::image_decoding
