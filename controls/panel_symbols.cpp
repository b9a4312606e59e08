#include "controls/panel_symbols.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace glimora {

namespace {

// Every symbol is drawn on a 24-unit square, y down. A definition is a
// stroked outline and a filled area, each written in a small path language:
//   M x,y  L x,y  H x  V y  C x1,y1 x2,y2 x,y  Q x1,y1 x,y  Z   (absolute, as in SVG)
//   O cx,cy,r                 a circle
//   R x,y,w,h,r               a rounded rectangle
//   A cx,cy,r,start,sweep     an arc in degrees, counter-clockwise positive (Qt's sense)
//   S cx,cy,r                 a four-pointed sparkle (filled areas)
struct SymbolDefinition {
    const char* stroke;
    const char* fill;
};

class PathReader {
public:
    explicit PathReader(const char* text) : p_(text) {}

    QPainterPath read() {
        QPainterPath path;
        char command = 0;
        while (skip()) {
            if (std::isalpha(static_cast<unsigned char>(*p_))) command = *p_++;
            switch (command) {
            case 'M': { const double x = number(), y = number(); path.moveTo(x, y); command = 'L'; break; }
            case 'L': { const double x = number(), y = number(); path.lineTo(x, y); break; }
            case 'H': path.lineTo(number(), path.currentPosition().y()); break;
            case 'V': { const double x = path.currentPosition().x(); path.lineTo(x, number()); break; }
            case 'C': {
                const double x1 = number(), y1 = number(), x2 = number(), y2 = number(), x = number(), y = number();
                path.cubicTo(x1, y1, x2, y2, x, y);
                break;
            }
            case 'Q': { const double x1 = number(), y1 = number(), x = number(), y = number(); path.quadTo(x1, y1, x, y); break; }
            case 'Z': path.closeSubpath(); command = 0; break;
            case 'O': { const double x = number(), y = number(), r = number(); path.addEllipse(QPointF(x, y), r, r); break; }
            case 'R': {
                const double x = number(), y = number(), w = number(), h = number(), r = number();
                path.addRoundedRect(QRectF(x, y, w, h), r, r);
                break;
            }
            case 'A': {
                const double x = number(), y = number(), r = number(), start = number(), sweep = number();
                const QRectF box(x - r, y - r, 2 * r, 2 * r);
                path.arcMoveTo(box, start);
                path.arcTo(box, start, sweep);
                break;
            }
            case 'S': {
                const double x = number(), y = number(), r = number(), k = r * 0.28;
                path.moveTo(x, y - r);
                path.quadTo(x + k, y - k, x + r, y);
                path.quadTo(x + k, y + k, x, y + r);
                path.quadTo(x - k, y + k, x - r, y);
                path.quadTo(x - k, y - k, x, y - r);
                path.closeSubpath();
                break;
            }
            default: return path;  // a malformed definition draws what it has so far
            }
        }
        return path;
    }

private:
    bool skip() {
        while (*p_ == ' ' || *p_ == ',') ++p_;
        return *p_ != 0;
    }
    double number() {
        skip();
        char* end = nullptr;
        const double value = std::strtod(p_, &end);
        p_ = end;
        return value;
    }

    const char* p_;
};

#define DOC "M6,3 H14 L19,8 V21 H6 Z M14,3 V8 H19 "
#define PHOTO_MOUNTAIN "M3,17 L8.5,11.5 L12.5,15.5 L15.5,12.5 L21,18 "

const std::map<std::string, SymbolDefinition, std::less<>>& definitions() {
    static const std::map<std::string, SymbolDefinition, std::less<>> table{
        {"shuffle", {"M3,7 H7 C12,7 12,17 17,17 H20 M3,17 H7 C12,17 12,7 17,7 H20 "
                     "M17.5,4 L20.5,7 L17.5,10 M17.5,14 L20.5,17 L17.5,20", ""}},
        {"xmark", {"M6,6 L18,18 M18,6 L6,18", ""}},
        {"chevron.down", {"M5,9 L12,16 L19,9", ""}},
        {"chevron.up", {"M5,15 L12,8 L19,15", ""}},
        {"chevron.left", {"M15,5 L8,12 L15,19", ""}},
        {"chevron.right", {"M9,5 L16,12 L9,19", ""}},
        {"arrow.up", {"M12,20 V4 M6,10 L12,4 L18,10", ""}},
        {"arrow.down", {"M12,4 V20 M6,14 L12,20 L18,14", ""}},
        {"arrow.left", {"M20,12 H4 M10,6 L4,12 L10,18", ""}},
        {"arrow.right", {"M4,12 H20 M14,6 L20,12 L14,18", ""}},
        {"arrow.down.to.line", {"M12,3 V15 M7,10 L12,15 L17,10 M5,20 H19", ""}},
        {"arrow.down.doc", {DOC "M12.5,11 V18 M9.5,15 L12.5,18 L15.5,15", ""}},
        {"arrow.up.doc", {DOC "M12.5,18 V11 M9.5,14 L12.5,11 L15.5,14", ""}},
        {"arrow.counterclockwise", {"A12,13,7.5,90,-290 M15,3.3 L12,5.5 L15,7.8", ""}},
        {"square.and.arrow.up", {"M8.5,10 H6 V21 H18 V10 H15.5 M12,3 V15 M8.5,6.5 L12,3 L15.5,6.5", ""}},
        {"photo", {"R3,5,18,14,2.5 " PHOTO_MOUNTAIN, "O16,9.5,1.6"}},
        {"photo.fill", {"", "R3,5,18,14,2.5"}},  // the picture itself is cut out below
        {"photo.badge.plus", {"R2,8,15,12,2.2 M2,17.5 L6.5,13 L10,16.5 L12.5,14 L17,18.5 M19,2.5 V9.5 M15.5,6 H22.5", ""}},
        {"photo.on.rectangle", {"M6,5 V4 Q6,3 7,3 H20 Q21,3 21,4 V14 Q21,15 20,15 H19 R3,7,15,13,2 "
                                "M3,17.5 L7.5,13 L11,16.5 L13.5,14 L18,18.5", ""}},
        {"pin", {"M8.5,3 H15.5 M10,3 V9 L7,13 H17 L14,9 V3 M12,13 V21", ""}},
        {"pin.fill", {"M8.5,3 H15.5 M12,13 V21", "M10,3 H14 V9 L17,13 H7 L10,9 Z"}},
        {"star", {"M12,2.5 L14.6,8.9 L21.5,9.4 L16.2,13.9 L17.9,20.6 L12,17 L6.1,20.6 L7.8,13.9 L2.5,9.4 L9.4,8.9 Z", ""}},
        {"star.fill", {"M12,2.5 L14.6,8.9 L21.5,9.4 L16.2,13.9 L17.9,20.6 L12,17 L6.1,20.6 L7.8,13.9 L2.5,9.4 L9.4,8.9 Z",
                       "M12,2.5 L14.6,8.9 L21.5,9.4 L16.2,13.9 L17.9,20.6 L12,17 L6.1,20.6 L7.8,13.9 L2.5,9.4 L9.4,8.9 Z"}},
        {"play.fill", {"M7,4.5 L19.5,12 L7,19.5 Z", "M7,4.5 L19.5,12 L7,19.5 Z"}},
        {"pause.fill", {"", "R6,4,4.5,16,1 R13.5,4,4.5,16,1"}},
        {"ellipsis", {"", "O5,12,1.9 O12,12,1.9 O19,12,1.9"}},
        {"folder", {"M3,18 V6.5 Q3,5 4.5,5 H9 L11,7 H19.5 Q21,7 21,8.5 V18 Q21,19.5 19.5,19.5 H4.5 Q3,19.5 3,18 Z "
                    "M3,10 H21", ""}},
        {"bookmark", {"M7,3 H17 V21 L12,16.5 L7,21 Z", ""}},
        {"plus", {"M12,5 V19 M5,12 H19", ""}},
        {"info.circle", {"O12,12,9 M12,11 V17", "O12,7.6,1.3"}},
        {"line.3.horizontal", {"M4,7 H20 M4,12 H20 M4,17 H20", ""}},
        {"square.grid.2x2", {"R4,4,7,7,1.5 R13,4,7,7,1.5 R4,13,7,7,1.5 R13,13,7,7,1.5", ""}},
        {"square.grid.3x3", {"", "R3.5,3.5,5,5,1 R9.5,3.5,5,5,1 R15.5,3.5,5,5,1 R3.5,9.5,5,5,1 R9.5,9.5,5,5,1 "
                                 "R15.5,9.5,5,5,1 R3.5,15.5,5,5,1 R9.5,15.5,5,5,1 R15.5,15.5,5,5,1"}},
        {"circle.grid.3x3", {"", "O5,5,2.2 O12,5,2.2 O19,5,2.2 O5,12,2.2 O12,12,2.2 O19,12,2.2 O5,19,2.2 O12,19,2.2 O19,19,2.2"}},
        {"circle.lefthalf.filled", {"O12,12,9", "M12,3 A12,12,9,90,180 Z"}},
        {"circle.fill", {"", "O12,12,8.5"}},
        {"circle.dashed", {"A12,12,9,5,20 A12,12,9,50,20 A12,12,9,95,20 A12,12,9,140,20 A12,12,9,185,20 "
                           "A12,12,9,230,20 A12,12,9,275,20 A12,12,9,320,20", ""}},
        {"square.fill", {"", "R4,4,16,16,3"}},
        {"diamond.fill", {"M12,3 L21,12 L12,21 L3,12 Z", "M12,3 L21,12 L12,21 L3,12 Z"}},
        {"rectangle.inset.filled", {"R2,4,20,16,2.5", "R5,7,14,10,1"}},
        {"paintpalette", {"M12,3 C6.5,3 3,7 3,12 C3,17 7,21 12,21 C13.5,21 14,20 13.5,18.8 C12.8,17.2 13.8,15.5 15.6,15.5 "
                          "H17.5 C19.5,15.5 21,14 21,12 C21,7 17,3 12,3 Z",
                          "O7.5,12,1.5 O9,7.8,1.5 O13.5,6.5,1.5 O17.2,9.3,1.5"}},
        {"slider.horizontal.3", {"M3,6 H21 M3,12 H21 M3,18 H21", "O8,6,2.4 O16,12,2.4 O10,18,2.4"}},
        {"wand.and.stars", {"M4,20 L15,9", "S18,5,3 S10,4.5,2 S20,12.5,2"}},
        {"waveform.path.ecg", {"M2,12 H7 L9,7 L12,18 L15,4 L17,12 H22", ""}},
        {"waveform.path", {"M2,12 Q3.5,10 5,12 Q6.5,15 8,12 Q9.5,5 11,12 Q12.5,20 14,12 Q15.5,6 17,12 Q18.5,15 20,12 Q21,11 22,12", ""}},
        {"sparkles", {"", "S10,13,7 S18.5,5,3.5 S19,17.5,2.5"}},
        {"clock.arrow.circlepath", {"A12,12,8.5,200,-330 M1.8,9.5 L3.6,13 L6.6,10.5 M12,7.5 V12 L15,14", ""}},
        {"water.waves", {"M3,7 Q5.25,4.5 7.5,7 Q9.75,9.5 12,7 Q14.25,4.5 16.5,7 Q18.75,9.5 21,7 "
                         "M3,12 Q5.25,9.5 7.5,12 Q9.75,14.5 12,12 Q14.25,9.5 16.5,12 Q18.75,14.5 21,12 "
                         "M3,17 Q5.25,14.5 7.5,17 Q9.75,19.5 12,17 Q14.25,14.5 16.5,17 Q18.75,19.5 21,17", ""}},
        {"sun.max", {"O12,12,4 M12,2.5 V5 M12,19 V21.5 M2.5,12 H5 M19,12 H21.5 M5.3,5.3 L7,7 M17,17 L18.7,18.7 "
                     "M18.7,5.3 L17,7 M7,17 L5.3,18.7", ""}},
        {"wind", {"M3,8 H14 C17,8 17,4 14,4 M3,13 H18 C21.5,13 21.5,18 18,18 M3,18 H10", ""}},
        {"cloud", {"M7,19 C4,19 2.5,17 2.5,15 C2.5,12.8 4.3,11.2 6.3,11.3 C7,8 9.3,6 12.2,6 C15.6,6 18,8.6 18.2,11.6 "
                   "C20.2,11.8 21.5,13.3 21.5,15.2 C21.5,17.4 20,19 17.5,19 Z", ""}},
    };
    return table;
}

#undef DOC
#undef PHOTO_MOUNTAIN

struct BuiltSymbol {
    QPainterPath stroke;
    QPainterPath fill;
};

const BuiltSymbol* builtSymbol(std::string_view name) {
    static const std::map<std::string, BuiltSymbol, std::less<>> built = [] {
        std::map<std::string, BuiltSymbol, std::less<>> result;
        for (const auto& [key, definition] : definitions())
            result[key] = {PathReader(definition.stroke).read(), PathReader(definition.fill).read()};
        // The filled photo shows its picture as holes in the frame.
        auto& photoFill = result["photo.fill"].fill;
        photoFill = photoFill.subtracted(PathReader("M4,17.5 L8.5,12 L12.5,16 L15.5,13 L20,17.5 V18 H4 Z O16,9.5,1.6").read());
        return result;
    }();
    const auto found = built.find(name);
    return found == built.end() ? nullptr : &found->second;
}

double strokeUnits(FontWeight weight) {
    switch (weight) {
    case FontWeight::light: return 1.5;
    case FontWeight::regular: return 1.8;
    case FontWeight::medium: return 2.0;
    case FontWeight::semibold: return 2.2;
    case FontWeight::bold: return 2.6;
    }
    return 1.8;
}

std::mutex loggerMutex;
std::shared_ptr<Logger>& symbolLogger() {
    static std::shared_ptr<Logger> logger = std::make_shared<SystemLogger>();
    return logger;
}

void reportUnknown(std::string_view name) {
    static std::set<std::string, std::less<>> reported;
    const std::lock_guard lock(loggerMutex);
    if (reported.contains(name)) return;
    reported.emplace(name);
    if (symbolLogger()) symbolLogger()->log("Glimora has no symbol named \"" + std::string(name) + "\"");
}

}  // namespace

double symbolExtent(double pixelSize) { return std::max(pixelSize, 0.0) * 1.2; }

bool hasSymbol(std::string_view name) { return builtSymbol(name) != nullptr; }

std::vector<std::string_view> symbolNames() {
    std::vector<std::string_view> names;
    for (const auto& entry : definitions()) names.push_back(entry.first);
    return names;
}

void setSymbolLogger(std::shared_ptr<Logger> logger) {
    const std::lock_guard lock(loggerMutex);
    symbolLogger() = std::move(logger);
}

bool drawSymbol(QPainter& painter, std::string_view name, const QRectF& box, double pixelSize, FontWeight weight,
                const QColor& color) {
    const BuiltSymbol* symbol = builtSymbol(name);
    if (!symbol) {
        reportUnknown(name);
        return false;
    }
    const double extent = symbolExtent(pixelSize);
    if (!(extent > 0)) return true;
    const double scale = extent / 24.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.center().x() - extent / 2, box.center().y() - extent / 2);
    painter.scale(scale, scale);
    if (!symbol->fill.isEmpty()) painter.fillPath(symbol->fill, color);
    if (!symbol->stroke.isEmpty()) {
        QPen pen(color, strokeUnits(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.strokePath(symbol->stroke, pen);
    }
    painter.restore();
    return true;
}

SymbolView::SymbolView(const QString& name, double pixelSize, FontWeight weight, const QColor& color, QWidget* parent)
    : QWidget(parent), name_(name), pixelSize_(pixelSize), weight_(weight), color_(color) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void SymbolView::setName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

void SymbolView::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void SymbolView::setPixelSize(double pixelSize) {
    if (pixelSize == pixelSize_) return;
    pixelSize_ = pixelSize;
    updateGeometry();
    update();
}

QSize SymbolView::sizeHint() const {
    const int side = static_cast<int>(std::ceil(symbolExtent(pixelSize_)));
    return {side, side};
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawSymbol(painter, name_.toStdString(), QRectF(rect()), pixelSize_, weight_, color_);
}

}  // namespace glimora
