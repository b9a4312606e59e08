// The open editors and the side rail: their geometry, what their buttons do,
// the inputs the tab editors get, and the side width handle's drag.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"
#include "panel/compact_capsule.hpp"
#include "panel/expanded_editor.hpp"
#include "panel/notch_root_view.hpp"
#include "panel/side_compact_rail.hpp"
#include "panel/side_expanded_editor.hpp"
#include "panel/side_identity_glyph.hpp"
#include "editors/recipe_row.hpp"
#include "editors/shader_editor.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/shell/test_artefacts.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;

QString qTitle(NotchTab tab) { return QString::fromUtf8(title(tab).data(), qsizetype(title(tab).size())); }

bool lit(const NotchButton& button) { return button.backgroundColor().has_value(); }

struct ShellViewsTest : ::testing::Test {
    test::ModelHarness harness;
    std::unique_ptr<NotchViewModel> model = harness.make();
    NotchViewModelBridge bridge{*model};

    // Whether a click on the button gives a new design.
    bool shuffles(NotchButton& button) const {
        const std::string before = model->gradientSignature();
        const auto seed = model->designSeed();
        button.click();
        return model->gradientSignature() != before || model->designSeed() != seed;
    }

    // A side editor 337 wide at the placement, showing the tab.
    std::unique_ptr<SideExpandedEditor> showSide(NotchPlacement placement, NotchTab tab, int height = 640) {
        model->setNotchPlacement(placement);
        model->setSelectedTab(tab);
        auto editor = std::make_unique<SideExpandedEditor>(bridge, 64, 40);
        editor->resize(337, height);
        editor->show();
        return editor;
    }

    long sideWidthWrites() const {
        return std::count(harness.preferences->writes.begin(), harness.preferences->writes.end(),
                          std::string(sideExpandedWidthKey));
    }
};

TEST_F(ShellViewsTest, TheHeaderHasTheNineTabsInOrderAcrossA760PxPanel) {
    model->setSelectedTab(NotchTab::color);
    ExpandedEditor editor(bridge, 0, 5);
    editor.resize(760, 300);
    editor.show();
    const auto& tabs = editor.tabButtons();
    ASSERT_EQ(tabs.size(), 9u);
    const auto cases = allCases<NotchTab>();
    // 760 less two 28-px icons and ten 2-px gaps, shared by nine.
    const double share = (760 - 56 - 20) / 9.0;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(tabs[i]->text(), qTitle(cases[i])) << i;
        const QRect r = tabs[i]->geometry();
        EXPECT_EQ(r.top(), 7);
        EXPECT_EQ(r.height(), 28);
        EXPECT_NEAR(r.width(), share, 1.0) << i;
        EXPECT_NEAR(r.left(), i * (share + 2), 1.0) << i;
        EXPECT_EQ(lit(*tabs[i]), cases[i] == NotchTab::color) << i;
        EXPECT_EQ(tabs[i]->labelColor(), whiteOpacity(cases[i] == NotchTab::color ? 0.92 : 0.36)) << i;
    }
    EXPECT_EQ(editor.randomizeButton()->geometry(), QRect(760 - 58, 7, 28, 28));
    EXPECT_EQ(editor.closeButton()->geometry(), QRect(760 - 28, 7, 28, 28));
    EXPECT_EQ(editor.randomizeButton()->toolTip(), "Randomize");
    EXPECT_EQ(editor.closeButton()->toolTip(), "Close");
    EXPECT_EQ(editor.closeButton()->symbol(), "xmark");
    // The scroll area: below the 41-px header, 42 less than the panel.
    EXPECT_EQ(editor.scrollArea()->geometry(), QRect(0, 41, 760, 258));
    // The editor gets the width less 5 at each side, 5 shape columns.
    const TabEditor* content = editor.tabContent()->editor();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->inputs().availableWidth, 750);
    EXPECT_FALSE(content->inputs().isSideLayout);
    EXPECT_EQ(editor.tabContent()->mapTo(&editor, QPoint(0, 0)), QPoint(5, 41));

    // A tab button selects its tab; the editor and the highlight follow.
    tabs[1]->click();
    EXPECT_EQ(model->selectedTab(), NotchTab::shape);
    ASSERT_TRUE(processEventsUntil([&] {
        const TabEditor* e = editor.tabContent()->editor();
        return e && e->inputs().columns == 5 && lit(*tabs[1]) && !lit(*tabs[3]);
    }));
    // The shader tab has no button: none is lit, yet its editor is shown.
    model->setSelectedTab(NotchTab::shader);
    ASSERT_TRUE(processEventsUntil([&] {
        return dynamic_cast<ShaderEditor*>(editor.tabContent()->editor()) != nullptr;
    }));
    EXPECT_TRUE(std::none_of(tabs.begin(), tabs.end(), [](NotchButton* b) { return lit(*b); }));
}

TEST_F(ShellViewsTest, NarrowTabTitlesShrinkToAtMost88PercentBeforeTheyAreCut) {
    ExpandedEditor editor(bridge, 0, 5);
    editor.show();
    NotchButton* animation = editor.tabButtons()[6];
    ASSERT_EQ(animation->text(), "Animation");
    const QFont full = panelFont(11, FontWeight::medium);
    const double natural = QFontMetricsF(full).horizontalAdvance("Animation");
    // A share 4 % short of the title: a smaller font, the whole word.
    editor.resize(int(std::ceil(56 + 20 + 9 * natural * 0.96)), 200);
    FittedText shown = animation->fittedText();
    EXPECT_EQ(shown.text, "Animation");
    EXPECT_LT(pixelSizeOf(shown.font), 11.0);
    EXPECT_GE(pixelSizeOf(shown.font), 11 * 0.88 - 1e-9);
    EXPECT_LE(QFontMetricsF(shown.font).horizontalAdvance(shown.text), animation->width());
    // Far too narrow even at 88 %: cut with an ellipsis at the smallest size.
    editor.resize(int(56 + 20 + 9 * natural * 0.6), 200);
    shown = animation->fittedText();
    EXPECT_TRUE(shown.text.endsWith(QChar(0x2026))) << shown.text.toStdString();
    EXPECT_NEAR(pixelSizeOf(shown.font), 11 * 0.88, 1e-6);
    // Every title stays on one line: the shown text never holds a break.
    for (NotchButton* tab : editor.tabButtons()) EXPECT_FALSE(tab->fittedText().text.contains('\n'));
}

TEST_F(ShellViewsTest, TheHeaderButtonsShuffleAndCloseAndAShortPanelKeepsTheHeader) {
    model->setExpanded(true);
    ExpandedEditor editor(bridge, 0, 5);
    editor.resize(760, 30);
    editor.show();
    EXPECT_EQ(editor.scrollArea()->height(), 0);
    EXPECT_EQ(editor.closeButton()->geometry(), QRect(760 - 28, 7, 28, 28));
    EXPECT_TRUE(shuffles(*editor.randomizeButton()));
    EXPECT_TRUE(model->expanded());
    editor.closeButton()->click();
    EXPECT_FALSE(model->expanded());
    // A zero width lays out without negative sizes.
    editor.resize(0, 300);
    for (NotchButton* tab : editor.tabButtons()) EXPECT_GE(tab->width(), 0);
}

TEST_F(ShellViewsTest, TheSideEditorsColumnsFollowThePlacement) {
    const auto shown = showSide(NotchPlacement::left, NotchTab::shape);
    SideExpandedEditor& editor = *shown;
    // Tab column against the left edge, content beside it, 40 above and below.
    EXPECT_EQ(editor.tabList()->geometry(), QRect(0, 40, 64, 560));
    EXPECT_EQ(editor.contentScroll()->geometry(), QRect(64, 40, 273, 560));
    EXPECT_EQ(editor.resizeHandle()->geometry(), QRect(337 - 18, (640 - 64) / 2, 18, 64));
    const TabEditor* content = editor.tabContent()->editor();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->inputs().availableWidth, 225);
    EXPECT_EQ(content->inputs().columns, 2);
    EXPECT_TRUE(content->inputs().isSideLayout);
    EXPECT_EQ(editor.tabContent()->mapTo(editor.contentScroll()->widget(), QPoint(0, 0)), QPoint(24, 40));
    // A new width lays the same editor out again: nothing is rebuilt.
    editor.resize(437, 640);
    EXPECT_EQ(editor.tabContent()->editor(), content);
    EXPECT_EQ(content->inputs().availableWidth, 325);
    editor.resize(337, 640);

    model->setNotchPlacement(NotchPlacement::right);
    ASSERT_TRUE(processEventsUntil([&] { return editor.tabList()->x() == 273; }));
    EXPECT_EQ(editor.contentScroll()->geometry(), QRect(0, 40, 273, 560));
    EXPECT_EQ(editor.resizeHandle()->geometry().topLeft(), QPoint(0, (640 - 64) / 2));
    EXPECT_EQ(editor.tabList()->collapseButton()->symbol(), "chevron.right");
}

// The lowest edge of the shown recipe rows, in the scrolled content.
int lowestRow(const TabScrollArea& scroll) {
    int bottom = 0;
    for (RecipeRow* row : scroll.widget()->findChildren<RecipeRow*>())
        if (row->isVisibleTo(scroll.widget()))
            bottom = std::max(bottom, row->mapTo(scroll.widget(), QPoint(0, row->height())).y());
    return bottom;
}

TEST_F(ShellViewsTest, AnEditorThatGrowsWhileShownCanBeScrolledToItsEndAtEveryEdge) {
    model->setSelectedTab(NotchTab::history);
    ExpandedEditor top(bridge, 0, 5);
    top.resize(760, 336);
    top.show();
    model->setNotchPlacement(NotchPlacement::right);
    SideExpandedEditor side(bridge, 64, 40);
    side.resize(337, 640);
    side.show();
    test::processEventsFor(50);
    const int topBefore = top.scrollArea()->contentHeight();
    for (int i = 0; i < 12; ++i) {
        model->shuffle();  // the library keeps one entry per design
        model->saveToLibrary("Design " + std::to_string(i), false);
    }
    ASSERT_EQ(model->recipeHistory().size(), 12u);
    // Twelve rows of at least 40 px: far more than either panel shows.
    ASSERT_TRUE(processEventsUntil([&] {
        return lowestRow(*top.scrollArea()) > 12 * 40 && top.scrollArea()->contentHeight() >= lowestRow(*top.scrollArea());
    }));
    EXPECT_EQ(top.scrollArea()->contentHeight(), top.tabContent()->editor()->sizeHint().height());
    ASSERT_TRUE(processEventsUntil([&] { return lowestRow(*side.contentScroll()) > 12 * 40 + 40; }));
    // The side content keeps its 40-px spacers above and below the editor.
    EXPECT_EQ(side.contentScroll()->contentHeight(), side.tabContent()->editor()->sizeHint().height() + 80);
    EXPECT_GE(side.contentScroll()->contentHeight(), lowestRow(*side.contentScroll()) + 40);
    for (QScrollArea* scroll : {static_cast<QScrollArea*>(top.scrollArea()), static_cast<QScrollArea*>(side.contentScroll())}) {
        QScrollBar* bar = scroll->verticalScrollBar();
        EXPECT_EQ(bar->maximum(), scroll->widget()->height() - scroll->viewport()->height());
        EXPECT_FALSE(bar->isVisible());
        EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    }

    // Deleting shrinks it again.
    for (const DesignRecipe& recipe : std::vector<DesignRecipe>(model->recipeHistory())) model->deleteRecipe(recipe.id);
    ASSERT_TRUE(processEventsUntil([&] { return top.scrollArea()->contentHeight() <= topBefore; }));
}

TEST_F(ShellViewsTest, TheSideEditorDrawsNoScrollIndicator) {
    // A tall editor at the right edge: a scroll bar would lie along the
    // content column's inner edge, where the editor's 24-px side column is empty.
    const auto shown = showSide(NotchPlacement::right, NotchTab::color, 400);
    SideExpandedEditor& editor = *shown;
    test::processEventsFor(50);
    QScrollArea* scroll = editor.contentScroll();
    ASSERT_GT(scroll->widget()->height(), scroll->viewport()->height()) << "the palette tab must overflow here";
    for (const int at : {0, scroll->verticalScrollBar()->maximum()}) {
        scroll->verticalScrollBar()->setValue(at);
        QImage drawn(editor.size(), QImage::Format_ARGB32);
        drawn.fill(Qt::black);
        {
            QPainter painter(&drawn);
            editor.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        const int x = scroll->geometry().right() - 2;
        int lit = 0;
        for (int y = scroll->y(); y <= scroll->geometry().bottom(); ++y)
            if (qGray(drawn.pixel(x, y)) > 12) ++lit;
        EXPECT_EQ(lit, 0) << "scrolled to " << at;
    }
}

TEST_F(ShellViewsTest, TheSideTabColumnSelectsTabsAndActs) {
    model->setNotchPlacement(NotchPlacement::left);
    model->setExpanded(true);
    SideExpandedEditor editor(bridge, 64, 40);
    editor.resize(337, 640);
    editor.show();
    SideTabList& list = *editor.tabList();
    const auto& tabs = list.tabButtons();
    ASSERT_EQ(tabs.size(), 9u);
    const auto cases = allCases<NotchTab>();
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(tabs[i]->toolTip(), qTitle(cases[i]));
        EXPECT_EQ(tabs[i]->symbol().toStdString(), systemImage(cases[i]));
        EXPECT_EQ(tabs[i]->size(), QSize(36, 30));
        if (i > 0) {
            EXPECT_EQ(tabs[i]->y() - tabs[i - 1]->y(), 34);
        }
    }
    EXPECT_EQ(SideTabList::tabPadding(302 + 28), 14);
    EXPECT_EQ(SideTabList::tabPadding(100), 14);
    EXPECT_EQ(SideTabList::tabPadding(602), 150);
    EXPECT_EQ(list.collapseButton()->symbol(), "chevron.left");
    EXPECT_EQ(list.collapseButton()->toolTip(), "Collapse");
    // The actions sit at the column's foot, above its 6-px padding.
    EXPECT_EQ(list.collapseButton()->geometry().bottom(), 560 - 6 - 1);

    tabs[8]->click();
    EXPECT_EQ(model->selectedTab(), NotchTab::history);
    ASSERT_TRUE(processEventsUntil([&] { return lit(*tabs[8]) && !lit(*tabs[0]); }));
    model->setSelectedTab(NotchTab::shader);
    ASSERT_TRUE(processEventsUntil([&] { return !lit(*tabs[8]); }));
    EXPECT_TRUE(std::none_of(tabs.begin(), tabs.end(), [](NotchButton* b) { return lit(*b); }));

    EXPECT_TRUE(shuffles(*list.randomizeButton()));
    EXPECT_TRUE(model->expanded());
    list.collapseButton()->click();
    EXPECT_FALSE(model->expanded());
}

void sendMouse(QWidget& target, QEvent::Type type, QPointF local, QPointF global, Qt::MouseButtons buttons) {
    QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &event);
}

TEST_F(ShellViewsTest, TheHandleDragsTheWidthInScreenCoordinatesAndStoresItOnceAtTheEnd) {
    model->setMetrics({8, 0, false, 1920, 1080});
    model->setNotchPlacement(NotchPlacement::right);
    model->setExpanded(true);
    model->setSelectedTab(NotchTab::color);
    SideExpandedEditor editor(bridge, 64, 40);
    editor.resize(337, 640);
    editor.show();
    SideWidthResizeHandle& handle = *editor.resizeHandle();
    const double start = model->resolvedSideWidth();
    ASSERT_EQ(start, 337);

    // The grip moves with the edge: its local position stays put while the
    // pointer moves 100 px to the left on the screen.
    const QPointF local(9, 32);
    sendMouse(handle, QEvent::MouseButtonPress, local, {1500, 500}, Qt::LeftButton);
    for (int step = 1; step <= 10; ++step)
        sendMouse(handle, QEvent::MouseMove, local, {1500.0 - step * 10, 500}, Qt::LeftButton);
    EXPECT_EQ(model->customSideExpandedWidth(), start + 100);
    EXPECT_EQ(editor.resizeStartWidth(), start);
    EXPECT_EQ(sideWidthWrites(), 0);
    // Back past the start: the side-width rule raises it to the tab's default.
    sendMouse(handle, QEvent::MouseMove, local, {1600, 500}, Qt::LeftButton);
    EXPECT_EQ(model->customSideExpandedWidth(), 337);
    // Far past the upper bound.
    sendMouse(handle, QEvent::MouseMove, local, {200, 500}, Qt::LeftButton);
    EXPECT_EQ(model->customSideExpandedWidth(), 760);
    sendMouse(handle, QEvent::MouseButtonRelease, local, {200, 500}, Qt::NoButton);
    EXPECT_EQ(sideWidthWrites(), 1);
    EXPECT_EQ(harness.preferences->value(sideExpandedWidthKey), nlohmann::json(760.0));
    EXPECT_FALSE(editor.resizeStartWidth().has_value());

    // A press and release without moving is no drag: nothing is stored.
    sendMouse(handle, QEvent::MouseButtonPress, local, {200, 500}, Qt::LeftButton);
    sendMouse(handle, QEvent::MouseButtonRelease, local, {200, 500}, Qt::NoButton);
    EXPECT_EQ(sideWidthWrites(), 1);

    // A left panel widens to the right.
    model->setNotchPlacement(NotchPlacement::left);
    model->setCustomSideExpandedWidth(std::nullopt);
    ASSERT_TRUE(processEventsUntil([&] { return handle.x() == 337 - 18; }));
    sendMouse(handle, QEvent::MouseButtonPress, local, {300, 500}, Qt::LeftButton);
    sendMouse(handle, QEvent::MouseMove, local, {350, 500}, Qt::LeftButton);
    EXPECT_EQ(model->customSideExpandedWidth(), model->resolvedSideWidth());
    EXPECT_EQ(model->customSideExpandedWidth(), 337 + 50);
    sendMouse(handle, QEvent::MouseButtonRelease, local, {350, 500}, Qt::NoButton);
    EXPECT_EQ(sideWidthWrites(), 2);
}

TEST_F(ShellViewsTest, ADragTheModelRejectsStoresNothing) {
    model->setNotchPlacement(NotchPlacement::left);  // collapsed: every width is ignored
    SideExpandedEditor editor(bridge, 64, 40);
    editor.resize(337, 640);
    editor.resizeChanged(80);
    editor.resizeChanged(120);
    EXPECT_FALSE(model->customSideExpandedWidth().has_value());
    editor.resizeEnded();
    EXPECT_EQ(sideWidthWrites(), 0);
}

TEST_F(ShellViewsTest, TheRailShowsTheIdentityAndItsButtons) {
    model->setNotchPlacement(NotchPlacement::left);
    SideCompactRail rail(bridge, 30);
    rail.resize(58, 300);
    rail.show();
    EXPECT_EQ(rail.expandButton()->symbol(), "chevron.right");
    EXPECT_EQ(rail.expandButton()->toolTip(), "Expand");
    EXPECT_EQ(rail.randomizeButton()->toolTip(), "Randomize");
    EXPECT_EQ(rail.expandButton()->geometry().bottom(), 300 - 30 - 1);
    EXPECT_EQ(rail.randomizeButton()->geometry().bottom() + 10, rail.expandButton()->y() - 1);
    // A gradient: the palette swatch at the glyph's full size.
    EXPECT_TRUE(rail.glyph()->swatch()->isVisible());
    EXPECT_EQ(rail.glyph()->swatch()->swatchSize(), 28);
    EXPECT_EQ(rail.glyph()->swatch()->colors(), model->activePalette().colors);

    model->setNotchPlacement(NotchPlacement::right);
    ASSERT_TRUE(processEventsUntil([&] { return rail.expandButton()->symbol() == "chevron.left"; }));

    EXPECT_TRUE(shuffles(*rail.randomizeButton()));
    EXPECT_FALSE(model->expanded());
    ASSERT_TRUE(processEventsUntil([&] { return rail.glyph()->swatch()->colors() == model->activePalette().colors; }));
    rail.expandButton()->click();
    EXPECT_TRUE(model->expanded());
}

TEST_F(ShellViewsTest, TheGlyphShowsThePictureOrThePhotoSymbol) {
    SideIdentityGlyph glyph(bridge, 28);
    glyph.show();
    // The picture wallpaper without pictures: the photo symbol.
    model->setWallpaperSource(WallpaperSource::image);
    ASSERT_TRUE(processEventsUntil([&] { return glyph.photoSymbol()->isVisible(); }));
    EXPECT_FALSE(glyph.swatch()->isVisible());
    EXPECT_EQ(glyph.photoSymbol()->sizeHint(), SymbolView("photo", 0.42 * 28, FontWeight::semibold, Qt::white).sizeHint());
    // A picture without preview: still the symbol; with one: its thumbnail.
    ImportedImageAsset bare;
    bare.fileName = "bare.jpg";
    model->updateImageAssets([&](auto& assets) { assets.push_back(bare); });
    test::processEventsFor(20);
    EXPECT_TRUE(glyph.photoSymbol()->isVisible());
    ImportedImageAsset pictured;
    pictured.fileName = "beach.jpg";
    pictured.preview = test::solidImage(40, 30);
    model->updateImageAssets([&](auto& assets) { assets = {pictured}; });
    ASSERT_TRUE(processEventsUntil([&] { return glyph.thumbnail()->isVisible(); }));
    EXPECT_FALSE(glyph.photoSymbol()->isVisible());
}

// The glyph's square sits where the rail and the tab column put it; the
// swatch, 0.68 of the square high, is centred in it; a picture fills it,
// its outline stroked on the square's edge, half of it outside.
TEST_F(ShellViewsTest, TheGlyphSquareHoldsTheSwatchCentredAndThePictureWithItsWholeOutline) {
    model->setNotchPlacement(NotchPlacement::left);
    SideCompactRail rail(bridge, 30);
    rail.resize(58, 300);
    rail.show();
    SideTabList column(bridge, 40);
    column.resize(64, 640);
    column.show();
    test::settle();
    test::keepScreenshot(test::drawnOnBlack(rail, 2), "side_identity_glyph/rail-gradient-at-scale-2");
    test::keepScreenshot(test::drawnOnBlack(column, 2), "side_identity_glyph/tab-column-gradient-at-scale-2");
    // A white palette lights every cell of the swatch.
    model->setCustomPaletteStops({CustomPaletteStop{1, 1, 1}});
    model->setPaletteIndex(int(builtInPalettes().size()));
    test::settle();
    // The rail's square: 28 at (15, 30); its swatch 19.04 high, rows 34.48 to 53.52.
    const QRect railTop(0, 0, 58, 100);
    EXPECT_EQ(test::inkBox(test::drawnOnBlack(rail), 200, railTop), QRect(15, 35, 28, 18));
    // The column's: 24 at (20, 6 + 40), below the top inset; 16.32 high, rows 49.84 to 66.16.
    EXPECT_EQ(test::inkBox(test::drawnOnBlack(column), 200, QRect(0, 0, 64, 75)), QRect(20, 50, 24, 16));

    ImportedImageAsset pictured;
    pictured.fileName = "beach.jpg";
    pictured.preview = test::solidImage(40, 30);
    model->updateImageAssets([&](auto& assets) { assets = {pictured}; });
    model->setWallpaperSource(WallpaperSource::image);
    ASSERT_TRUE(processEventsUntil([&] { return rail.glyph()->thumbnail()->isVisible(); }));
    EXPECT_EQ(test::inkBox(test::drawnOnBlack(rail), 100, railTop), QRect(15, 30, 28, 28));
    // At scale 2 the square is (30, 60) to (86, 116): one device pixel of
    // white 18 % (46 on black) outside each edge, nothing beyond.
    const QImage two = test::drawnOnBlack(rail, 2);
    for (const auto& [outline, beyond] : {std::pair{QPoint(29, 88), QPoint(28, 88)}, {QPoint(86, 88), QPoint(87, 88)},
                                          {QPoint(58, 59), QPoint(58, 58)}, {QPoint(58, 116), QPoint(58, 117)}}) {
        EXPECT_NEAR(qGray(two.pixel(outline)), 46, 5) << outline.x() << "," << outline.y();
        EXPECT_LT(qGray(two.pixel(beyond)), 5) << beyond.x() << "," << beyond.y();
    }
}

TEST_F(ShellViewsTest, TheRootViewPicksExactlyOneOfTheFourViews) {
    NotchRootView root(bridge);
    root.resize(400, 600);
    root.show();
    const auto shows = [&]<typename View>(View*) {
        return processEventsUntil([&] {
            const auto views = root.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            int visible = 0;
            for (QWidget* v : views) visible += v->isVisible();
            return dynamic_cast<View*>(root.shellView()) != nullptr && visible == 1;
        });
    };
    EXPECT_TRUE(shows((CompactCapsule*)nullptr));
    model->setExpanded(true);
    EXPECT_TRUE(shows((ExpandedEditor*)nullptr));
    model->setNotchPlacement(NotchPlacement::left);
    EXPECT_TRUE(shows((SideExpandedEditor*)nullptr));
    model->setExpanded(false);
    EXPECT_TRUE(shows((SideCompactRail*)nullptr));
    model->setNotchPlacement(NotchPlacement::bottom);
    EXPECT_TRUE(shows((CompactCapsule*)nullptr));
    EXPECT_EQ(root.shellView()->geometry(), QRect(0, 0, 400, 600));
}

}  // namespace
}  // namespace glimora
