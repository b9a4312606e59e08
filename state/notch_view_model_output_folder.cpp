#include <system_error>

#include "state/notch_view_model.hpp"

namespace glimora {

namespace {

// Where the export and folder panels open: the output folder, else Downloads.
std::optional<std::filesystem::path> panelStartDirectory(const NotchViewModel& model) {
    if (auto folder = model.validOutputFolderURL()) return folder;
    return model.services().paths->downloads();
}

}  // namespace

std::optional<std::filesystem::path> NotchViewModel::validOutputFolderURL() const {
    if (!outputFolderURL_) return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_directory(*outputFolderURL_, error)) return std::nullopt;
    return outputFolderURL_;
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
    options.allowsMultipleSelection = false;
    options.prompt = "Choose Output Folder";
    options.message = "Choose where exported wallpapers should be saved.";
    options.directory = panelStartDirectory(*this);
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
