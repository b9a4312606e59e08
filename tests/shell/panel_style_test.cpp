#include "controls/panel_style.hpp"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <memory>
#include <string>
#include <vector>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "tests/support/platform_fakes.hpp"

namespace glimora {
namespace {

using test::RecordingLogger;

// Paints only what the widget draws itself, on transparent pixels.
QImage render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

int litPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

TEST(PanelStyleTest, ColoursAreWhiteAtRoundedOpacitiesAndTheOneAccent) {
    EXPECT_EQ(whitePercent(42), QColor(255, 255, 255, 107));  // 107.1
    EXPECT_EQ(whitePercent(72).alpha(), 184);                 // 183.6 rounds up
    EXPECT_EQ(whitePercent(0.1).alpha(), 0);
    EXPECT_EQ(whitePercent(90).alpha(), 230);  // 229.5, a true half, rounds away from zero
    EXPECT_EQ(whitePercent(10).alpha(), 26);   // 25.5
    EXPECT_EQ(whiteOpacity(0.92).alpha(), 235);
    EXPECT_EQ(whitePercent(100).alpha(), 255);
    EXPECT_EQ(whitePercent(400).alpha(), 255);
    EXPECT_EQ(blackPercent(65), QColor(0, 0, 0, 166));
    EXPECT_EQ(accentColor(), QColor(255, 204, 0, 255));
}

TEST(PanelStyleTest, FontsArePixelSizedWithTheirWeight) {
    const QFont font = panelFont(10, FontWeight::semibold);
    EXPECT_EQ(font.pixelSize(), 10);
    EXPECT_EQ(font.weight(), QFont::DemiBold);
    EXPECT_EQ(panelFont(8, FontWeight::bold).weight(), QFont::Bold);
    EXPECT_EQ(panelFont(11, FontWeight::medium).weight(), QFont::Medium);
    // A fractional size keeps its fraction.
    EXPECT_NEAR(QFontInfo(panelFont(10.5)).pixelSize(), 10.5, 0.6);
}

TEST(PanelStyleTest, TextShrinksToItsMinimumScaleBeforeItIsElided) {
    const QFont font = panelFont(11, FontWeight::medium);
    const QString text = "Animation";
    const double full = QFontMetricsF(font).horizontalAdvance(text);

    const FittedText roomy = fitText(font, text, full + 5, 0.88);
    EXPECT_EQ(roomy.text, text);
    EXPECT_EQ(roomy.font.pixelSize(), 11);

    const FittedText shrunk = fitText(font, text, full * 0.93, 0.88);
    EXPECT_EQ(shrunk.text, text);
    EXPECT_LE(QFontMetricsF(shrunk.font).horizontalAdvance(text), full * 0.93);

    const FittedText elided = fitText(font, text, full * 0.5, 0.88);
    EXPECT_NE(elided.text, text);
    EXPECT_TRUE(elided.text.endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetricsF(elided.font).horizontalAdvance(elided.text), full * 0.5);
}

TEST(PanelSymbolsTest, EveryNamedSymbolDrawsInItsColourInsideItsBox) {
    const std::vector<std::string> names{
        "shuffle", "xmark", "chevron.down", "chevron.up", "chevron.left", "chevron.right", "photo", "photo.fill",
        "photo.badge.plus", "photo.on.rectangle", "pin", "pin.fill", "star", "star.fill", "play.fill", "pause.fill",
        "ellipsis", "folder", "square.and.arrow.up", "arrow.down.to.line", "arrow.down.doc", "arrow.up.doc",
        "arrow.counterclockwise", "arrow.up", "arrow.down", "arrow.left", "arrow.right", "square.grid.2x2",
        "square.grid.3x3", "circle.grid.3x3", "circle.lefthalf.filled", "paintpalette", "slider.horizontal.3",
        "wand.and.stars", "waveform.path.ecg", "waveform.path", "sparkles", "clock.arrow.circlepath",
        "water.waves", "sun.max", "wind", "cloud", "square.fill", "circle.fill", "diamond.fill",
        "rectangle.inset.filled", "plus", "info.circle", "circle.dashed", "line.3.horizontal", "bookmark"};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(hasSymbol(name));
        QImage image(40, 40, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        EXPECT_TRUE(drawSymbol(painter, name, QRectF(8, 8, 24, 24), 20, FontWeight::semibold, QColor(255, 204, 0)));
        painter.end();
        int inside = 0, outside = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0) continue;
                // The symbol's square is 24 units at 1.2 x 20 px, centred on (20, 20).
                (x >= 8 && x < 32 && y >= 8 && y < 32 ? inside : outside)++;
                if (qAlpha(pixel) == 255) {
                    EXPECT_EQ(QColor(pixel), QColor(255, 204, 0));
                }
            }
        EXPECT_GT(inside, 20);
        EXPECT_EQ(outside, 0);
    }
}

TEST(PanelSymbolsTest, AnUnknownNameDrawsNothingAndIsLoggedOnce) {
    auto logger = std::make_shared<RecordingLogger>();
    setSymbolLogger(logger);
    QImage image(30, 30, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    EXPECT_FALSE(drawSymbol(painter, "no.such.symbol", QRectF(0, 0, 30, 30), 20, FontWeight::bold, Qt::white));
    EXPECT_FALSE(drawSymbol(painter, "no.such.symbol", QRectF(0, 0, 30, 30), 20, FontWeight::bold, Qt::white));
    EXPECT_FALSE(drawSymbol(painter, "another.unknown", QRectF(0, 0, 30, 30), 20, FontWeight::bold, Qt::white));
    painter.end();
    EXPECT_EQ(litPixels(image), 0);
    ASSERT_EQ(logger->lines.size(), 2u);
    EXPECT_NE(logger->lines[0].find("no.such.symbol"), std::string::npos);
    EXPECT_NE(logger->lines[1].find("another.unknown"), std::string::npos);
    setSymbolLogger(std::make_shared<SystemLogger>());
}

TEST(SymbolViewTest, SizesItselfToTheSymbolAndTakesItsTint) {
    setSymbolLogger(std::make_shared<RecordingLogger>());
    SymbolView view("xmark", 10, FontWeight::bold, whitePercent(42));
    EXPECT_EQ(view.sizeHint(), QSize(12, 12));
    view.resize(view.sizeHint());
    EXPECT_GT(litPixels(render(view)), 0);
    view.setName("nothing.here");
    EXPECT_EQ(litPixels(render(view)), 0);
    setSymbolLogger(std::make_shared<SystemLogger>());
}

TEST(NotchButtonTest, EachLookChangesOnlyOpacitiesWhenPressed) {
    NotchButton primary(NotchButton::Look::primary);
    EXPECT_EQ(primary.backgroundColor(), whitePercent(94));
    EXPECT_EQ(primary.labelColor(), QColor(0, 0, 0));
    EXPECT_EQ(primary.cornerRadius(), 8);
    primary.setDown(true);
    EXPECT_EQ(primary.backgroundColor(), whitePercent(78));
    EXPECT_EQ(primary.labelColor(), QColor(0, 0, 0));

    NotchButton secondary(NotchButton::Look::secondary);
    EXPECT_EQ(secondary.backgroundColor(), whitePercent(8));
    EXPECT_EQ(secondary.labelColor(), whitePercent(55));
    secondary.setDown(true);
    EXPECT_EQ(secondary.backgroundColor(), whitePercent(13));
    EXPECT_EQ(secondary.labelColor(), whitePercent(90));

    NotchButton icon(NotchButton::Look::icon);
    EXPECT_EQ(icon.cornerRadius(), 7);
    EXPECT_EQ(icon.labelColor(), whitePercent(42));
    icon.setDown(true);
    EXPECT_EQ(icon.backgroundColor(), whitePercent(12));
    EXPECT_EQ(icon.labelColor(), whitePercent(85));

    NotchButton plain(NotchButton::Look::plain);
    EXPECT_FALSE(plain.backgroundColor().has_value());
    plain.setFill(whiteOpacity(0.09), 8);
    EXPECT_EQ(plain.backgroundColor(), whiteOpacity(0.09));
}

TEST(NotchButtonTest, PressedPrimaryButtonPaintsItsLowerBackgroundAndIsAtLeast32High) {
    NotchButton button(NotchButton::Look::primary);
    button.setText("Save");
    EXPECT_GE(button.sizeHint().height(), 32);
    button.resize(80, 32);
    EXPECT_EQ(qAlpha(render(button).pixel(4, 16)), 240);  // 94 %
    button.setDown(true);
    EXPECT_EQ(qAlpha(render(button).pixel(4, 16)), 199);  // 78 %
}

TEST(NotchButtonTest, AClickRunsTheActionOnce) {
    int calls = 0;
    NotchButton button(NotchButton::Look::icon, [&] { ++calls; });
    button.setSymbol("shuffle", 12, FontWeight::semibold);
    button.resize(28, 28);
    button.click();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(button.symbol(), "shuffle");
}

TEST(NotchButtonTest, TheLabelColourGivenByTheCallerWinsInBothStates) {
    NotchButton button(NotchButton::Look::icon);
    button.setLabelColor(whiteOpacity(0.42));
    button.setDown(true);
    EXPECT_EQ(button.labelColor(), whiteOpacity(0.42));
    EXPECT_EQ(button.backgroundColor(), whitePercent(12));
}

}  // namespace
}  // namespace glimora
