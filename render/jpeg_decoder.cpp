// JPEG through libjpeg(-turbo). libjpeg reports errors by longjmp: every call
// into it happens inside a small function that owns the setjmp and holds only
// plain data, so no C++ object is ever skipped by a jump. The C++ side
// (buffers, resampler, the cleanup guard) lives in the caller.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/image_decoding.hpp"
#include "render/image_pixelizer.hpp"

namespace glimora::image_decoding {

namespace {

struct JpegSession {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool created;
};

[[noreturn]] void failJpeg(j_common_ptr info) {
    auto* session = reinterpret_cast<JpegSession*>(info->client_data);
    std::longjmp(session->jump, 1);
}

// Damage that libjpeg merely warns about still leaves grey or garbled rows;
// such a photo is refused rather than imported half broken.
void jpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL: failJpeg(info);
    default: break;
    }
}

void jpegProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > maxJpegScans) failJpeg(info);
}

bool jpegReadHeader(JpegSession* s, const std::uint8_t* data, unsigned long size) {
    if (setjmp(s->jump)) return false;
    s->created = true;
    jpeg_create_decompress(&s->info);
    s->info.progress = &s->progress;
    // Coefficient buffers of progressive files are the only large allocation
    // libjpeg makes; past this it fails instead of exhausting memory.
    s->info.mem->max_memory_to_use = 1L << 30;
    jpeg_mem_src(&s->info, data, size);
    jpeg_save_markers(&s->info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s->info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&s->info, TRUE);
    return true;
}

// libjpeg-turbo joins the profile's APP2 chunks in their numbered order;
// false when they are not all there, or are numbered wrongly.
bool jpegReadProfile(JpegSession* s, JOCTET** profile, unsigned* length) {
    if (setjmp(s->jump)) return false;
    return jpeg_read_icc_profile(&s->info, profile, length);
}

bool jpegStart(JpegSession* s) {
    if (setjmp(s->jump)) return false;
    jpeg_start_decompress(&s->info);
    return true;
}

bool jpegReadRows(JpegSession* s, JSAMPARRAY rows, JDIMENSION capacity, JDIMENSION* read) {
    if (setjmp(s->jump)) return false;
    *read = jpeg_read_scanlines(&s->info, rows, capacity);
    return true;
}

struct JpegGuard {
    JpegSession* session;
    ~JpegGuard() {
        if (session->created) jpeg_destroy_decompress(&session->info);
    }
};

[[noreturn]] void invalid() {
    throw ImagePixelizer::PixelizerError::invalidImage;
}

int orientationOf(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1 || marker->data_length < 6) continue;
        const std::span<const std::uint8_t> payload(marker->data, marker->data_length);
        if (payload[0] == 'E' && payload[1] == 'x' && payload[2] == 'i' && payload[3] == 'f') {
            return exifOrientation(payload);
        }
    }
    return 1;
}

bool hasProfileChunk(const jpeg_decompress_struct& info) {
    static constexpr char tag[] = "ICC_PROFILE";  // with its terminating zero
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 2 && marker->data_length >= sizeof tag &&
            std::memcmp(marker->data, tag, sizeof tag) == 0)
            return true;
    }
    return false;
}

SourceColors colorsOf(JpegSession& session, DecodeNotes* notes) {
    SourceColors colors;
    if (!hasProfileChunk(session.info)) return colors;
    JOCTET* profile = nullptr;
    unsigned length = 0;
    if (jpegReadProfile(&session, &profile, &length) && profile) {
        colors.iccProfile.assign(profile, profile + length);
    } else if (notes) {
        notes->push_back("its colour profile cannot be read (its APP2 chunks are incomplete)");
    }
    std::free(profile);
    return colors;
}

}  // namespace

bool isJpeg(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

int jpegScanCount(std::span<const std::uint8_t> data, int limit) {
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    const auto isMarker = [&](std::size_t at) {
        // 0xFF 0x00 is a stuffed byte, 0xFF 0xFF padding before a marker.
        return at + 1 < data.size() && data[at] == 0xFF && data[at + 1] != 0x00 && data[at + 1] != 0xFF;
    };
    const auto isRestart = [](std::uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; };
    int scans = 0;
    std::size_t at = 2;
    while (scans <= limit) {
        // Like libjpeg, skip whatever stands between one segment and the next marker.
        while (at + 1 < data.size() && !isMarker(at)) ++at;
        if (at + 1 >= data.size()) break;
        const std::uint8_t marker = data[at + 1];
        at += 2;
        if (marker == 0xD9) break;  // end of image
        if (marker == 0x01 || isRestart(marker)) continue;  // markers without a length
        if (at + 2 > data.size()) break;
        const std::size_t length = std::size_t(data[at]) << 8 | data[at + 1];
        // libjpeg reads on past a segment too short to hold its own length,
        // so must the count, or such a segment would hide every scan after it.
        at += length < 2 ? 2 : length;
        if (marker != 0xDA) continue;
        ++scans;
        // The entropy-coded data runs to the first marker other than a restart.
        while (at + 1 < data.size() && !(isMarker(at) && !isRestart(data[at + 1]))) ++at;
    }
    return scans;
}

PixelImageBuffer decodeJpeg(std::span<const std::uint8_t> data, std::int64_t maxPixelSize, DecodeNotes* notes) {
    JpegSession session{};
    session.info.err = jpeg_std_error(&session.error);
    session.error.error_exit = [](j_common_ptr info) { failJpeg(info); };
    session.error.emit_message = jpegMessage;
    session.error.output_message = [](j_common_ptr) {};
    session.info.client_data = &session;
    session.progress.progress_monitor = jpegProgress;
    JpegGuard guard{&session};
    jpeg_decompress_struct& info = session.info;

    if (!jpegReadHeader(&session, data.data(), (unsigned long)data.size())) invalid();
    const std::int64_t width = info.image_width;
    const std::int64_t height = info.image_height;
    if (!declaredSizeFits(width, height, notes)) invalid();
    const Size target = fittedSize({width, height}, maxPixelSize);

    // Let the IDCT do most of the scaling: the smallest M/8 that still leaves
    // the longer side at least the target size, then an area average the rest.
    const std::int64_t longer = std::max(width, height);
    const std::int64_t targetLonger = std::max(target.width, target.height);
    unsigned scale = 8;
    while (targetLonger < longer && scale > 1 && (longer * (scale - 1) + 7) / 8 >= targetLonger) --scale;
    info.scale_num = scale;
    info.scale_denom = 8;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // Adobe writes CMYK inverted, which is what nearly every CMYK JPEG in
    // the wild carries.
    const bool inverted = info.saw_Adobe_marker;
    const SourcePixels layout = cmyk ? (inverted ? SourcePixels::invertedCmyk : SourcePixels::cmyk)
                                : info.jpeg_color_space == JCS_GRAYSCALE ? SourcePixels::grayRgba
                                                                         : SourcePixels::rgba;
    const std::optional<SrgbTransform> toSrgb = srgbTransform(colorsOf(session, notes), layout, notes);
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (!jpegStart(&session)) invalid();
    const int components = info.output_components;
    if (components != (cmyk ? 4 : 3) || info.output_width < target.width ||
        info.output_height < target.height) {
        invalid();
    }

    ImageResampler resampler({info.output_width, info.output_height}, target, orientationOf(info));
    const std::size_t rowBytes = std::size_t(info.output_width) * std::size_t(components);
    const JDIMENSION batch = JDIMENSION(std::max(info.rec_outbuf_height, 1));
    std::vector<std::uint8_t> rows(rowBytes * batch);
    std::vector<JSAMPROW> rowPointers(batch);
    for (JDIMENSION k = 0; k < batch; ++k) rowPointers[k] = rows.data() + k * rowBytes;
    std::vector<std::uint8_t> rgb(cmyk ? std::size_t(info.output_width) * 3 : 0);

    while (info.output_scanline < info.output_height) {
        JDIMENSION read = 0;
        if (!jpegReadRows(&session, rowPointers.data(), batch, &read)) invalid();
        if (read == 0) invalid();
        for (JDIMENSION k = 0; k < read; ++k) {
            const std::uint8_t* row = rowPointers[k];
            if (cmyk && toSrgb) {
                // The resampler averages light, not ink: CMYK rows become
                // sRGB before they are scaled.
                toSrgb->apply(row, rgb.data(), info.output_width);
                row = rgb.data();
            } else if (cmyk) {
                for (std::size_t x = 0; x < info.output_width; ++x) {
                    const std::uint8_t* p = row + x * 4;
                    const int k4 = inverted ? p[3] : 255 - p[3];
                    for (int channel = 0; channel < 3; ++channel) {
                        const int ink = inverted ? p[channel] : 255 - p[channel];
                        rgb[x * 3 + std::size_t(channel)] = std::uint8_t((ink * k4 + 127) / 255);
                    }
                }
                row = rgb.data();
            }
            resampler.pushRow(row);
        }
    }
    if (!resampler.complete()) invalid();
    return resampler.finish(cmyk ? std::nullopt : toSrgb);
}

}  // namespace glimora::image_decoding
