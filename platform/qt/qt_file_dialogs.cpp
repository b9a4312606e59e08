#include "platform/qt/qt_file_dialogs.hpp"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QImageReader>


namespace glimora {

namespace {

QString qString(const std::string& text) { return QString::fromStdString(text); }

std::filesystem::path localPath(const QString& file) { return QFile::encodeName(file).toStdString(); }

QString imagePatterns() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        // Pictures are recognised by their bytes, not their names, and a TGA
        // file has no signature to be known by: Qt reads one only when told.
        if (format.compare("tga", Qt::CaseInsensitive) == 0) continue;
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    }
    // The core decoder reads these whatever Qt's plug-ins offer.
    for (const char* own : {"*.png", "*.jpg", "*.jpeg"})
        if (!patterns.contains(QLatin1String(own))) patterns << QLatin1String(own);
    patterns.removeDuplicates();
    return patterns.join(QLatin1Char(' '));
}

QString defaultSuffix(FileDialogs::FileType type) {
    switch (type) {
    case FileDialogs::FileType::png: return QStringLiteral("png");
    case FileDialogs::FileType::svg: return QStringLiteral("svg");
    case FileDialogs::FileType::json: return QStringLiteral("json");
    case FileDialogs::FileType::recipeDocument: return QStringLiteral("ombriq");
    case FileDialogs::FileType::image:
    case FileDialogs::FileType::data: break;
    }
    return {};
}

// The folder a dialog opens in: the one asked for when it is there, else the
// home folder; a folder that is not there would open the dialog in the
// program's working directory, which means nothing to the user.
QString startDirectory(const std::optional<std::filesystem::path>& directory) {
    if (directory) {
        const QString asked = QFile::decodeName(QByteArray::fromStdString(directory->native()));
        if (QFileInfo(asked).isDir()) return asked;
    }
    return QDir::homePath();
}

}  // namespace

QStringList QtFileDialogs::nameFilters(const std::vector<FileType>& types) {
    QStringList filters;
    for (const FileType type : types) {
        switch (type) {
        case FileType::image: filters << QStringLiteral("Images (") + imagePatterns() + QLatin1Char(')'); break;
        case FileType::png: filters << QStringLiteral("PNG image (*.png)"); break;
        case FileType::svg: filters << QStringLiteral("SVG image (*.svg)"); break;
        case FileType::json: filters << QStringLiteral("JSON (*.json)"); break;
        case FileType::recipeDocument: filters << QStringLiteral("Ombriq recipe (*.ombriq)"); break;
        case FileType::data: filters << QStringLiteral("Any file (*)"); break;
        }
    }
    filters.removeDuplicates();
    return filters;
}

QFileDialog* QtFileDialogs::makeDialog(const std::string& prompt, const std::string& message,
                                       const std::optional<std::filesystem::path>& directory) const {
    // Opened from the notch panel it has the panel as its parent, which keeps
    // the open panel open while the dialog has the focus.
    auto* dialog = new QFileDialog(QApplication::activeWindow());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog, !useNativeDialogs_);
    // A file dialog has no message line; its title carries the message.
    if (!message.empty()) dialog->setWindowTitle(qString(message));
    if (!prompt.empty()) dialog->setLabelText(QFileDialog::Accept, qString(prompt));
    dialog->setDirectory(startDirectory(directory));
    return dialog;
}

void QtFileDialogs::open(const OpenOptions& options, OpenCompletion completion) {
    QFileDialog* dialog = makeDialog(options.prompt, options.message, options.directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (options.canChooseDirectories && !options.canChooseFiles) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog->setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        if (const QStringList filters = nameFilters(options.allowedTypes); !filters.isEmpty())
            dialog->setNameFilters(filters);
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, completion = std::move(completion)](int result) {
                         std::vector<std::filesystem::path> chosen;
                         if (result == QDialog::Accepted)
                             for (const QString& file : dialog->selectedFiles()) chosen.push_back(localPath(file));
                         if (completion) completion(std::move(chosen));
                     });
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void QtFileDialogs::save(const SaveOptions& options, SaveCompletion completion) {
    QFileDialog* dialog = makeDialog(options.prompt, options.message, options.directory);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !options.canCreateDirectories);
    if (const QStringList filters = nameFilters(options.allowedTypes); !filters.isEmpty())
        dialog->setNameFilters(filters);
    if (!options.allowedTypes.empty()) dialog->setDefaultSuffix(defaultSuffix(options.allowedTypes.front()));
    if (!options.suggestedFileName.empty()) dialog->selectFile(qString(options.suggestedFileName));
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, completion = std::move(completion)](int result) {
                         std::optional<std::filesystem::path> chosen;
                         const QStringList files = dialog->selectedFiles();
                         if (result == QDialog::Accepted && !files.isEmpty()) chosen = localPath(files.front());
                         if (completion) completion(std::move(chosen));
                     });
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace glimora
