// Open and save panels as QFileDialog windows: never modal, each completion
// called once on the main thread when its dialog ends (a dialog closed without
// a choice counts as cancelled). Needs a QApplication.
#pragma once

#include <QStringList>

#include "platform/file_dialogs.hpp"

class QFileDialog;

namespace glimora {

class QtFileDialogs final : public FileDialogs {
public:
    // Native dialogs are the desktop's own (through its platform theme) where
    // it has one; without, Qt's widget dialogs, which tests can drive.
    explicit QtFileDialogs(bool useNativeDialogs = true) : useNativeDialogs_(useNativeDialogs) {}

    void open(const OpenOptions& options, OpenCompletion completion) override;
    void save(const SaveOptions& options, SaveCompletion completion) override;

    // One name filter per type, e.g. "PNG image (*.png)"; empty for "any file".
    static QStringList nameFilters(const std::vector<FileType>& types);

private:
    QFileDialog* makeDialog(const std::string& prompt, const std::string& message,
                            const std::optional<std::filesystem::path>& directory) const;
    bool useNativeDialogs_;
};

}  // namespace glimora
