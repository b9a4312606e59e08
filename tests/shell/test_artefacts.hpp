// Pictures a test keeps of what it saw, as PNG files under the build
// folder's test-artefacts (the program must define GLIMORA_ARTEFACT_DIR).
#pragma once

#include <QImage>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <string>

namespace glimora::test {

// Where a test artefact of this name goes, under the build folder (its
// folder made); `name` may hold a subfolder.
inline std::filesystem::path artefactPath(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(GLIMORA_ARTEFACT_DIR) / name;
    std::filesystem::create_directories(path.parent_path());
    return path;
}

// Keeps a picture of what the test saw as a PNG artefact; the path is printed.
inline void keepScreenshot(const QImage& picture, const std::string& name) {
    const std::filesystem::path path = artefactPath(name.ends_with(".png") ? name : name + ".png");
    if (picture.save(QString::fromStdString(path.string()))) std::printf("screenshot: %s\n", path.c_str());
    std::fflush(stdout);
}

}  // namespace glimora::test
