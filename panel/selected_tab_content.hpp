// The tab routing: the one editor of the selected tab, made with the layout
// numbers of the panel that shows it. A change of tab replaces the editor at
// once (its own view state starts fresh); a change of width only lays the
// same editor out again.
#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

#include "editors/tab_editor.hpp"

namespace glimora {

class SelectedTabContent final : public QWidget {
public:
    // What the caller gives: the top or bottom panel passes its width less
    // 2 x 5 and 5 shape columns; the side panel its width less its insets,
    // 2 shape columns and isSideLayout.
    struct Layout {
        double availableWidth = 0;
        int shapeColumnCount = 5;
        bool isSideLayout = false;
        friend bool operator==(const Layout&, const Layout&) = default;
    };

    // Makes the editor of a tab in place of the panel's own (tests).
    using EditorFactory = std::function<TabEditor*(NotchTab, NotchViewModelBridge&, const EditorInputs&)>;

    // The bridge must outlive the view.
    SelectedTabContent(NotchViewModelBridge& bridge, const Layout& layout, QWidget* parent = nullptr);

    void setLayoutNumbers(const Layout& layout);
    const Layout& layoutNumbers() const { return layout_; }
    void setEditorFactory(EditorFactory factory);

    TabEditor* editor() const { return editor_; }
    // Called when the shown editor asks for another size (rows shown or
    // hidden while its tab is up).
    void setOnEditorSizeChange(std::function<void()> callback) { onEditorSizeChange_ = std::move(callback); }

    // The panel's own editor of a tab.
    static TabEditor* makeTabEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs);

    // The inputs a tab's editor gets from these layout numbers.
    static EditorInputs editorInputs(NotchTab tab, const Layout& layout);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();

    NotchViewModelBridge& bridge_;
    Layout layout_;
    EditorFactory factory_;
    NotchTab shownTab_ = NotchTab::shape;
    QPointer<TabEditor> editor_;
    std::function<void()> onEditorSizeChange_;
};

// A row of a fixed total width: an empty column at each side, at most half
// the row, and the content clipped to exactly the middle column.
class ExpandedTabContent final : public QWidget {
public:
    struct Columns {
        double inset = 0;
        double innerWidth = 0;
        friend bool operator==(const Columns&, const Columns&) = default;
    };
    static Columns columns(double totalWidth, double sideInset);

    // Takes ownership of the content.
    ExpandedTabContent(QWidget* content, double totalWidth, double sideInset, QWidget* parent = nullptr);

    void setWidths(double totalWidth, double sideInset);
    QWidget* content() const { return content_; }
    // The middle column: the content is drawn only inside it.
    QWidget* contentColumn() const { return clip_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutContent();

    QWidget* clip_;
    QWidget* content_;
    double totalWidth_;
    double sideInset_;
};

}  // namespace glimora
