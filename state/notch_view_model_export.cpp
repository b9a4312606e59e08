// The output actions: clipboard copy, file export through the save panel,
// and the output folder the panels start in.
#include <atomic>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "model/utf8.hpp"
#include "render/wallpaper_renderer.hpp"
#include "state/notch_view_model.hpp"
#include "state/wallpaper_export.hpp"
#include "state/wallpaper_snapshot.hpp"

namespace glimora {

namespace {

// Exports render side by side but replace their files in the order they
// were started: an export that finishes after a newer one to the same file
// has written it leaves the newer file alone.
struct ExportWriteOrder {
    std::atomic<std::uint64_t> started{0};
    std::mutex mutex;
    std::map<std::filesystem::path, std::uint64_t> newestWritten;
};

ExportWriteOrder& exportWriteOrder() {
    static ExportWriteOrder order;
    return order;
}

std::filesystem::path writeOrderKey(const std::filesystem::path& file) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(file, error);
    return (error ? file : absolute).lexically_normal();
}

char asciiLowercase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

void NotchViewModel::copyToPasteboard() {
    if (!services_.clipboard) return;
    // The clipboard always gets 1920x1080, whatever the export resolution.
    const WallpaperExportSettings snapshot = makeExportSettings(*this, ExportResolution::hd);
    std::vector<std::uint8_t> png;
    try {
        png = WallpaperRenderer::renderPNG(snapshot);
    } catch (...) {
        setCopyStatus("Try again");
        scheduleStatusReset(StatusField::copyStatus);
        return;
    }
    services_.clipboard->setPngData(std::move(png));
    setCopyStatus("Copied");
    scheduleStatusReset(StatusField::copyStatus);
}

std::string NotchViewModel::exportFileName() const {
    std::string name = activePalette().name;
    for (char& c : name) c = c == ' ' ? '-' : asciiLowercase(c);
    return name + "-wallpaper." + (exportFormat_ == ExportFormat::svg ? "svg" : "png");
}

void NotchViewModel::exportWithSavePanel() {
    if (!services_.fileDialogs) return;
    FileDialogs::SaveOptions options;
    options.allowedTypes = {exportFormat_ == ExportFormat::svg ? FileDialogs::FileType::svg
                                                               : FileDialogs::FileType::png};
    options.suggestedFileName = exportFileName();
    options.directory = panelStartDirectory();
    options.prompt = "Export";
    options.message = "Choose where to save this wallpaper.";
    services_.fileDialogs->save(options, [self = weakSelf()](std::optional<std::filesystem::path> url) {
        NotchViewModel* model = self.get();
        if (!model || !url) return;
        // A folder that cannot be remembered does not stop the export.
        model->storeOutputFolderBookmark(url->parent_path());
        model->exportWallpaper(*url);
    });
}

void NotchViewModel::exportWallpaper(const std::filesystem::path& url) {
    WallpaperExportSettings snapshot = makeExportSettings(*this);
    exportTask_.cancel();
    exportStatusResetTask_.cancel();
    setExportStatus("Exporting\u2026");
    const TaskHandle task = TaskHandle::make();
    exportTask_ = task;

    // A superseded export still writes its file (the user chose it); only
    // its outcome goes unshown.
    const std::uint64_t sequence = ++exportWriteOrder().started;
    auto work = [snapshot = std::move(snapshot), url, sequence, self = weakSelf(),
                 writer = services_.writeExport]() -> std::optional<std::string> {
        if (self.expired()) return std::nullopt;
        WallpaperExport::FileData data;
        try {
            data = WallpaperExport::fileData(snapshot);
        } catch (...) {
            return WallpaperExport::failureDescription(std::current_exception());
        }
        ExportWriteOrder& order = exportWriteOrder();
        const std::lock_guard lock(order.mutex);
        std::uint64_t& newest = order.newestWritten[writeOrderKey(url)];
        if (newest > sequence) return std::nullopt;
        if (const auto error = AtomicFile::write(url, data.bytes(), writer)) return error->description();
        newest = sequence;
        return std::nullopt;
    };
    auto finish = [self = weakSelf(), task, url](std::optional<std::string> failure) {
        if (NotchViewModel* model = self.get()) model->exportFinished(task, url, failure);
    };
    if (!services_.scheduler) {
        finish(work());
        return;
    }
    const std::weak_ptr<Scheduler> scheduler = services_.scheduler;
    services_.scheduler->background(
        [scheduler, work = std::move(work), finish = std::move(finish)]() mutable {
            auto failure = work();
            // The scheduler gone means the program is ending: nobody waits for the outcome.
            if (const auto main = scheduler.lock())
                main->post([finish = std::move(finish), failure = std::move(failure)]() mutable {
                    finish(std::move(failure));
                });
        });
}

void NotchViewModel::exportFinished(const TaskHandle& task, const std::filesystem::path& url,
                                    const std::optional<std::string>& failure) {
    // A newer export owns the status now.
    if (task.isCancelled()) return;
    if (failure) {
        const std::string path = replacingInvalidUtf8(url.string());
        services_.logger->log("Chromafold export failed at " + path + ": " + *failure);
        setExportStatus("Try again");
    } else {
        setExportStatus("Saved");
    }
    scheduleStatusReset(StatusField::exportStatus);
}

std::optional<std::filesystem::path> NotchViewModel::panelStartDirectory() const {
    if (auto folder = validOutputFolderURL()) return folder;
    return services_.paths->downloads();
}

std::optional<std::filesystem::path> NotchViewModel::validOutputFolderURL() const {
    if (!outputFolderURL_) return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_directory(*outputFolderURL_, error)) return std::nullopt;
    return outputFolderURL_;
}

std::string NotchViewModel::outputFolderLabel() const {
    static constexpr const char* none = "Choose output folder";
    if (!outputFolderURL_) return none;
    std::error_code error;
    if (!std::filesystem::exists(*outputFolderURL_, error)) return none;
    // "/srv/walls/" names the folder "walls", as "/srv/walls" does.
    std::filesystem::path folder = *outputFolderURL_;
    if (folder.filename().empty() && folder.has_relative_path()) folder = folder.parent_path();
    const std::string name = folder.filename().string();
    return replacingInvalidUtf8(name.empty() ? folder.string() : name);
}

bool NotchViewModel::storeOutputFolderBookmark(const std::filesystem::path& folder) {
    const auto data = services_.bookmarks->bookmarkData(folder);
    if (!data) return false;
    services_.preferences->setValue(outputFolderBookmarkKey, *data);
    setOutputFolderURL(folder);
    return true;
}

void NotchViewModel::chooseOutputFolder(std::function<void(const std::filesystem::path&)> completion) {
    if (!services_.fileDialogs) return;
    FileDialogs::OpenOptions options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.prompt = "Choose Output Folder";
    options.message = "Choose where exported wallpapers should be saved.";
    options.directory = panelStartDirectory();
    services_.fileDialogs->open(
        options, [self = weakSelf(), completion = std::move(completion)](std::vector<std::filesystem::path> urls) {
            NotchViewModel* model = self.get();
            if (!model || urls.empty()) return;
            const std::filesystem::path folder = urls.front();
            if (!model->storeOutputFolderBookmark(folder)) {
                model->setExportStatus("Choose folder again");
                return;
            }
            if (completion) completion(folder);
        });
}

}  // namespace glimora
