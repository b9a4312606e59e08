// Which window of a photo fills the wallpaper.
#pragma once

namespace glimora {

struct ImageCrop {
    double centerX = 0.5;
    double centerY = 0.5;
    double zoom = 1;

    friend bool operator==(const ImageCrop&, const ImageCrop&) = default;

    struct Point {
        double x = 0;
        double y = 0;
    };

    // Maps a unit position in the wallpaper to a unit position in a photo of
    // the given pixel size, for a wallpaper of aspect width / height.
    Point sourcePoint(double x, double y, double imageWidth, double imageHeight, double targetAspect) const;
};

}  // namespace glimora
