// Photos in the editor: importing them from files and from the photo library,
// framing the current one, the look presets, and removing them all.
#include <algorithm>
#include <climits>
#include <string>

#include "model/utf8.hpp"
#include "platform/file_read.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

namespace {

// The picture of one file or library item, or nothing when it cannot be read
// or decoded, with what the decoder had to say about it. Files above the byte
// limit are refused before they are read.
struct DecodedPicture {
    std::optional<PixelImageBuffer> picture;
    DecodeNotes notes;
};

DecodedPicture decodePicture(const std::filesystem::path& file, const NotchViewModel::ImageDecoder& decoder) {
    DecodedPicture result;
    const auto bytes = readFileLimited(file, NotchViewModel::imageFileByteLimit);
    if (!bytes) {
        std::error_code error;
        if (const auto size = std::filesystem::file_size(file, error); !error && size > NotchViewModel::imageFileByteLimit)
            result.notes.push_back("the file holds more than " +
                                   std::to_string(NotchViewModel::imageFileByteLimit >> 20) + " MiB");
        return result;
    }
    if (!decoder) return result;
    try {
        result.picture = decoder(*bytes, NotchViewModel::importMaxPixelSize, &result.notes);
        if (result.picture && (result.picture->width < 1 || result.picture->height < 1)) result.picture.reset();
    } catch (...) {
        result.picture.reset();
    }
    return result;
}

// One line for each thing the decoder said: why the picture was refused,
// or why the one imported keeps the colours it stores.
void logNotes(Logger& logger, const std::filesystem::path& file, const DecodedPicture& decoded) {
    const std::string lead = decoded.picture ? "Ombriq image import kept the stored colours of "
                                             : "Ombriq image import skipped ";
    for (const std::string& note : decoded.notes) logger.log(lead + file.string() + ": " + note);
}

int clampedCount(std::size_t count) { return int(std::min<std::size_t>(count, INT_MAX)); }

}  // namespace

struct NotchViewModel::PhotoLoad {
    std::vector<std::filesystem::path> items;
    std::size_t next = 0;
    std::vector<ImportedImageAsset> assets;
    int skipped = 0;
};

void NotchViewModel::chooseImageFiles() {
    if (!services_.fileDialogs) return;
    FileDialogs::OpenOptions options;
    options.allowsMultipleSelection = true;
    options.allowedTypes = {FileDialogs::FileType::image};
    options.prompt = imageAssets_.empty() ? "Import Images" : "Add Images";
    options.message = "Choose one or more images to pixelize locally on this computer.";
    services_.fileDialogs->open(options, [self = weakSelf()](std::vector<std::filesystem::path> urls) {
        NotchViewModel* model = self.get();
        if (!model || urls.empty()) return;
        model->importImageFiles(urls);
    });
}

void NotchViewModel::importImageFiles(const std::vector<std::filesystem::path>& urls) {
    if (urls.empty()) return;
    std::vector<ImportedImageAsset> assets;
    int skipped = 0;
    for (const auto& url : urls) {
        const DecodedPicture decoded = decodePicture(url, services_.decodeImage);
        logNotes(*services_.logger, url, decoded);
        if (!decoded.picture) {
            ++skipped;
            continue;
        }
        // File names are bytes; the list and recipes show and store text.
        std::string name = replacingInvalidUtf8(url.filename().string());
        assets.push_back({newUuid(), std::move(name), *decoded.picture, *decoded.picture, ImageCrop{}});
    }
    addImportedImages(std::move(assets), skipped);
}

void NotchViewModel::choosePhotos() {
    if (!services_.fileDialogs) return;
    FileDialogs::OpenOptions options;
    options.allowsMultipleSelection = true;
    options.allowedTypes = {FileDialogs::FileType::image};
    options.prompt = "Add Photos";
    options.message = "Choose photos from your Pictures folder.";
    options.directory = services_.paths->pictures();
    // The panel must stay open while the dialog has the focus.
    isPresentingPhotoPicker_ = true;
    services_.fileDialogs->open(options, [self = weakSelf()](std::vector<std::filesystem::path> items) {
        NotchViewModel* model = self.get();
        if (!model) return;
        model->isPresentingPhotoPicker_ = false;
        model->importPhotos(std::move(items));
    });
}

void NotchViewModel::importPhotos(std::vector<std::filesystem::path> items) {
    if (items.empty()) return;
    setImageStatus("Loading photos\u2026");
    auto load = std::make_shared<PhotoLoad>();
    load->items = std::move(items);
    loadPhotoItems(weakSelf(), std::move(load));
}

void NotchViewModel::loadPhotoItems(WeakSelf self, std::shared_ptr<PhotoLoad> load) {
    // One item at a time: read and decode in the background, then name and
    // keep it on the main thread, where the list it is numbered after lives.
    for (;;) {
        NotchViewModel* model = self.get();
        if (!model) return;
        if (load->next == load->items.size()) {
            model->addImportedImages(std::move(load->assets), load->skipped);
            return;
        }
        const std::filesystem::path item = load->items[load->next];
        const auto keep = [self, load, item](const DecodedPicture& decoded) {
            NotchViewModel* model = self.get();
            if (!model) return false;
            ++load->next;
            logNotes(*model->services_.logger, item, decoded);
            const auto& buffer = decoded.picture;
            if (!buffer) {
                ++load->skipped;
                return true;
            }
            const std::size_t number = model->imageAssets_.size() + load->assets.size() + 1;
            load->assets.push_back(
                {model->newUuid(), "Photo " + std::to_string(number), *buffer, *buffer, ImageCrop{}});
            return true;
        };
        const auto scheduler = model->services_.scheduler;
        if (!scheduler) {
            if (!keep(decodePicture(item, model->services_.decodeImage))) return;
            continue;
        }
        const std::weak_ptr<Scheduler> weakScheduler = scheduler;
        scheduler->background([weakScheduler, item, keep, self, load, decoder = model->services_.decodeImage] {
            auto decoded = decodePicture(item, decoder);
            const auto main = weakScheduler.lock();
            if (!main) return;
            main->post([keep, self, load, decoded = std::move(decoded)] {
                if (keep(decoded)) loadPhotoItems(self, load);
            });
        });
        return;
    }
}

void NotchViewModel::addImportedImages(std::vector<ImportedImageAsset> assets, int skipped) {
    if (assets.empty()) {
        setImageStatus("Could not read those images");
        return;
    }
    const bool wasEmpty = imageAssets_.empty();
    const int added = clampedCount(assets.size());
    updateImageAssets([&assets](std::vector<ImportedImageAsset>& list) {
        list.insert(list.end(), std::make_move_iterator(assets.begin()), std::make_move_iterator(assets.end()));
    });
    if (wasEmpty) setCurrentImageIndex(0);
    rebuildImageShuffleOrder();
    setImageStatus(importSummary(added, skipped, clampedCount(imageAssets_.size())));
    setWallpaperSource(WallpaperSource::image);
    setSelectedTab(NotchTab::image);
    fire(onLayoutChange_);
}

std::string NotchViewModel::importSummary(int added, int skipped, int total) {
    std::string text = "Added " + std::to_string(added) + (added == 1 ? " image" : " images") + " \u00B7 ";
    if (skipped >= 1) return text + std::to_string(skipped) + " skipped";
    return text + std::to_string(total) + " total";
}

void NotchViewModel::clearImages() {
    setImageAssets({});
    setCurrentImageIndex(0);
    imageShuffleOrder_.clear();
    imageShufflePosition_ = 0;
    setImageStatus("");
    setWallpaperSource(WallpaperSource::gradient);
    setSelectedTab(NotchTab::shape);
    fire(onLayoutChange_);
}

void NotchViewModel::resetCurrentImageCrop() {
    if (!currentImageAsset()) return;
    const auto index = static_cast<std::size_t>(currentImageIndex_);
    updateImageAssets([index](std::vector<ImportedImageAsset>& list) {
        list[index].crop = ImageCrop{0.5, 0.5, 1};
    });
}

void NotchViewModel::updateCurrentImageCrop(std::optional<double> centerX, std::optional<double> centerY,
                                            std::optional<double> zoom) {
    if (!currentImageAsset()) return;
    const auto index = static_cast<std::size_t>(currentImageIndex_);
    // Written so that a value that is not a number lands on a bound: at or
    // below 0 (or NaN) gives 0, above 1 gives 1; a zoom not above 1 gives 1.
    const auto unit = [](double value) { return value > 1 ? 1.0 : value > 0 ? value : 0.0; };
    updateImageAssets([&](std::vector<ImportedImageAsset>& list) {
        ImageCrop& crop = list[index].crop;
        crop.centerX = unit(centerX.value_or(crop.centerX));
        crop.centerY = unit(centerY.value_or(crop.centerY));
        const double z = zoom.value_or(crop.zoom);
        crop.zoom = z > 1 ? z : 1.0;
    });
}

void NotchViewModel::applyImageLook(ImagePixelLook look) {
    struct Preset {
        ImagePaletteMode paletteMode;
        ImageDitherStyle dither;
        ImagePixelShape pixelShape;
        double pixelSize, colorCount, cellGap, brightness, contrast, saturation;
    };
    using M = ImagePaletteMode;
    using D = ImageDitherStyle;
    using S = ImagePixelShape;
    const Preset preset = [look]() -> Preset {
        switch (look) {
        case ImagePixelLook::softDither: return {M::source, D::bayer8, S::square, 5, 10, 0.1, 0, 108, 108};
        case ImagePixelLook::halftone: return {M::source, D::bayer4, S::dot, 6, 7, 0.26, 2, 124, 116};
        case ImagePixelLook::poster: return {M::current, D::bayer4, S::square, 5, 6, 0.08, 0, 136, 122};
        case ImagePixelLook::monochrome: break;
        }
        return {M::monochrome, D::bayer8, S::square, 5, 5, 0.12, 0, 132, 0};
    }();
    setImageLook(look);
    setImagePaletteMode(preset.paletteMode);
    setImageDither(preset.dither);
    setImagePixelShape(preset.pixelShape);
    setImagePixelSize(preset.pixelSize);
    setImageColorCount(preset.colorCount);
    setImageCellGap(preset.cellGap);
    setImageBrightness(preset.brightness);
    setImageContrast(preset.contrast);
    setImageSaturation(preset.saturation);
}

}  // namespace glimora
