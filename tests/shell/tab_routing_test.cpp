// The tab routing: which editor the selected tab gets, with which inputs,
// and the clipped middle column it is shown in.
#include <gtest/gtest.h>

#include <memory>

#include <QPointer>

#include "panel/selected_tab_content.hpp"
#include "editors/adjust_editor.hpp"
#include "editors/animation_editor.hpp"
#include "editors/color_editor.hpp"
#include "editors/export_editor.hpp"
#include "editors/grain_gradient_editor.hpp"
#include "editors/image_editor.hpp"
#include "editors/style_editor.hpp"
#include "editors/history_editor.hpp"
#include "editors/shader_editor.hpp"
#include "editors/shape_editor.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora {
namespace {

using test::processEventsUntil;
using Layout = SelectedTabContent::Layout;

const Layout topLayout{750, 5, false};
const Layout sideLayout{300, 2, true};

TEST(TabRouting, EachTabGetsItsInputs) {
    for (const NotchTab tab : everyCase<NotchTab>()) {
        const EditorInputs top = SelectedTabContent::editorInputs(tab, topLayout);
        const EditorInputs side = SelectedTabContent::editorInputs(tab, sideLayout);
        EXPECT_EQ(top.availableWidth, 750) << rawValue(tab);
        EXPECT_EQ(side.availableWidth, 300) << rawValue(tab);
        EXPECT_FALSE(top.isSideLayout) << rawValue(tab);
        // Export and history lay out the same way in both panels.
        const bool takesSide = tab != NotchTab::export_ && tab != NotchTab::history;
        EXPECT_EQ(side.isSideLayout, takesSide) << rawValue(tab);
        EXPECT_EQ(top.columns, tab == NotchTab::shape ? 5 : 0) << rawValue(tab);
        EXPECT_EQ(side.columns, tab == NotchTab::shape ? 2 : 0) << rawValue(tab);
        EXPECT_EQ(top.itemSpacing, tab == NotchTab::gradients ? 7 : 0) << rawValue(tab);
        EXPECT_EQ(side.itemSpacing, tab == NotchTab::gradients ? 7 : 0) << rawValue(tab);
    }
    // No shape grid has fewer than one column.
    EXPECT_EQ(SelectedTabContent::editorInputs(NotchTab::shape, {300, 0, true}).columns, 1);
    EXPECT_EQ(SelectedTabContent::editorInputs(NotchTab::shape, {300, -4, false}).columns, 1);
}

TEST(TabRouting, TheSelectedTabsEditorIsReplacedWhenTheTabChanges) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    SelectedTabContent content(bridge, topLayout);
    content.resize(750, 300);
    content.show();
    auto* first = dynamic_cast<ShapeEditor*>(content.editor());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->inputs(), SelectedTabContent::editorInputs(NotchTab::shape, topLayout));
    EXPECT_EQ(first->geometry(), QRect(0, 0, 750, 300));

    QPointer<TabEditor> old = first;
    model->setSelectedTab(NotchTab::history);
    ASSERT_TRUE(processEventsUntil([&] { return content.editor() != old; }));
    auto* second = dynamic_cast<HistoryEditor*>(content.editor());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->inputs(), SelectedTabContent::editorInputs(NotchTab::history, topLayout));
    // The old one goes once the event loop is back (it may hold the mouse).
    EXPECT_TRUE(processEventsUntil([&] { return old.isNull(); }));

    // The shader tab has no button but its editor is shown when selected.
    model->setSelectedTab(NotchTab::shader);
    ASSERT_TRUE(processEventsUntil([&] {
        return dynamic_cast<ShaderEditor*>(content.editor()) != nullptr;
    }));
}

TEST(TabRouting, ANewWidthKeepsTheSameEditor) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    SelectedTabContent content(bridge, sideLayout);
    TabEditor* editor = content.editor();
    content.setLayoutNumbers({420, 2, true});
    EXPECT_EQ(content.editor(), editor);
    EXPECT_EQ(editor->inputs().availableWidth, 420);
    EXPECT_EQ(editor->inputs().columns, 2);
    // Writes that are not the tab leave the editor alone.
    model->setAngle(12);
    model->setSelectedTab(NotchTab::shape);
    test::processEventsFor(30);
    EXPECT_EQ(content.editor(), editor);
}

TEST(TabRouting, AFactoryBuildsTheTabsThatHaveTheirOwnEditor) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    SelectedTabContent content(bridge, topLayout);
    std::vector<std::pair<NotchTab, EditorInputs>> made;
    content.setEditorFactory([&](NotchTab tab, NotchViewModelBridge& b, const EditorInputs& inputs) -> TabEditor* {
        made.emplace_back(tab, inputs);
        return tab == NotchTab::adjust ? new TabEditor(b, inputs) : nullptr;
    });
    ASSERT_EQ(made.size(), 1u);
    EXPECT_NE(dynamic_cast<ShapeEditor*>(content.editor()), nullptr);  // the factory made none: the panel's own
    model->setSelectedTab(NotchTab::adjust);
    ASSERT_TRUE(processEventsUntil([&] { return made.size() == 2; }));
    EXPECT_EQ(made.back().first, NotchTab::adjust);
    EXPECT_EQ(dynamic_cast<AdjustEditor*>(content.editor()), nullptr);
}

TEST(TabRouting, EveryTabGetsItsOwnEditorWithItsInputs) {
    test::ModelHarness harness;
    auto model = harness.make();
    NotchViewModelBridge bridge(*model);
    const EditorInputs inputs{300, true, 2, 7};
    auto make = [&](NotchTab tab) {
        return std::unique_ptr<TabEditor>(SelectedTabContent::makeTabEditor(tab, bridge, inputs));
    };
    EXPECT_NE(dynamic_cast<ImageEditor*>(make(NotchTab::image).get()), nullptr);
    EXPECT_NE(dynamic_cast<ShapeEditor*>(make(NotchTab::shape).get()), nullptr);
    EXPECT_NE(dynamic_cast<GrainGradientEditor*>(make(NotchTab::gradients).get()), nullptr);
    EXPECT_NE(dynamic_cast<ColorEditor*>(make(NotchTab::color).get()), nullptr);
    EXPECT_NE(dynamic_cast<AdjustEditor*>(make(NotchTab::adjust).get()), nullptr);
    EXPECT_NE(dynamic_cast<StyleEditor*>(make(NotchTab::style).get()), nullptr);
    EXPECT_NE(dynamic_cast<AnimationEditor*>(make(NotchTab::animation).get()), nullptr);
    EXPECT_NE(dynamic_cast<ShaderEditor*>(make(NotchTab::shader).get()), nullptr);
    EXPECT_NE(dynamic_cast<ExportEditor*>(make(NotchTab::export_).get()), nullptr);
    EXPECT_NE(dynamic_cast<HistoryEditor*>(make(NotchTab::history).get()), nullptr);
    EXPECT_EQ(make(NotchTab::adjust)->inputs(), inputs);
}

TEST(ExpandedTabContent, SideColumnsAreAtMostHalfTheRow) {
    using Columns = ExpandedTabContent::Columns;
    EXPECT_EQ(ExpandedTabContent::columns(300, 5), (Columns{5, 290}));
    EXPECT_EQ(ExpandedTabContent::columns(300, 200), (Columns{150, 0}));
    EXPECT_EQ(ExpandedTabContent::columns(-40, 5), (Columns{0, 0}));
    EXPECT_EQ(ExpandedTabContent::columns(300, -5), (Columns{0, 300}));
    EXPECT_EQ(ExpandedTabContent::columns(300, std::nan("")), (Columns{0, 300}));
}

TEST(ExpandedTabContent, TheContentIsExactlyTheMiddleColumn) {
    auto* inner = new QWidget;
    ExpandedTabContent row(inner, 300, 5);
    row.resize(300, 120);
    row.show();
    EXPECT_EQ(row.contentColumn()->geometry(), QRect(5, 0, 290, 120));
    EXPECT_EQ(inner->mapTo(&row, QPoint(0, 0)), QPoint(5, 0));
    EXPECT_EQ(inner->size(), QSize(290, 120));
    // A content that insists on more is clipped to the column.
    inner->setMinimumWidth(500);
    row.setWidths(300, 5);
    EXPECT_EQ(row.contentColumn()->width(), 290);
    EXPECT_EQ(inner->visibleRegion().boundingRect(), QRect(0, 0, 290, 120));
    row.setWidths(300, 200);
    EXPECT_EQ(row.contentColumn()->width(), 0);
}

}  // namespace
}  // namespace glimora
