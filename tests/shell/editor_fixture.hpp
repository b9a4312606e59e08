// A tab editor over a model wired to fakes, shown in a top-level window, with
// the event-loop and mouse helpers the editor tests share.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "controls/small_views.hpp"
#include "editors/tab_editor.hpp"
#include "platform/qt/notch_view_model_bridge.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/state/model_harness.hpp"

namespace glimora::test {

// Lets queued change signals and layout requests run.
inline void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

inline void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A press and release at the widget's centre (or at `at`).
inline void click(QWidget* widget, std::optional<QPointF> at = std::nullopt) {
    const QPointF point = at.value_or(QRectF(widget->rect()).center());
    sendMouse(widget, QEvent::MouseButtonPress, point, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, point, Qt::NoButton);
}

// Visible descendants of `root` of type T, in creation order.
template <class T>
std::vector<T*> visibleChildren(QWidget* root) {
    std::vector<T*> found;
    for (T* child : root->findChildren<T*>())
        if (child->isVisibleTo(root)) found.push_back(child);
    return found;
}

// The visible descendant of type T whose accessible name is `name`; null if none.
template <class T = QWidget>
T* findNamed(QWidget* root, const QString& name) {
    for (T* child : root->findChildren<T*>())
        if (child->accessibleName() == name && child->isVisibleTo(root)) return child;
    return nullptr;
}

// The first and last columns where `widget`, drawn with its children on
// black, shows its light label (a green above 60): where its ink begins and
// ends. {-1, -1} when nothing is drawn.
inline std::pair<int, int> inkColumns(QWidget* widget) {
    QImage drawn(widget->size(), QImage::Format_RGB32);
    drawn.fill(Qt::black);
    widget->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    int first = -1, last = -1;
    for (int x = 0; x < drawn.width(); ++x)
        for (int y = 0; y < drawn.height(); ++y)
            if (qGreen(drawn.pixel(x, y)) > 60) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

// Counts the model's notifications per property while attached.
struct WriteCounter {
    std::vector<int> counts = std::vector<int>(NotchViewModel::propCount, 0);
    int of(NotchViewModel::Prop prop) const { return counts[std::size_t(prop)]; }
    void attach(NotchViewModel& model) {
        model.onChange([this](NotchViewModel::Prop prop) { ++counts[std::size_t(prop)]; });
    }
    void reset() { std::fill(counts.begin(), counts.end(), 0); }
};

inline EditorInputs topInputs(double width = 480, int columns = 5) { return {width, false, columns, 7}; }
inline EditorInputs sideInputs(double width = 260, int columns = 2) { return {width, true, columns, 7}; }

template <class Editor>
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        model = harness.make();
        bridge = std::make_unique<NotchViewModelBridge>(*model);
        writes.attach(*model);
    }

    void TearDown() override {
        editor.reset();
        window.reset();
    }

    Editor& show(const EditorInputs& inputs = topInputs()) {
        editor.reset();
        window = std::make_unique<QWidget>();
        editor = std::make_unique<Editor>(*bridge, inputs, window.get());
        window->resize(int(inputs.availableWidth) + 20, 900);
        window->show();
        settle();
        return *editor;
    }

    ModelHarness harness;
    std::unique_ptr<NotchViewModel> model;
    std::unique_ptr<NotchViewModelBridge> bridge;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<Editor> editor;
    WriteCounter writes;
};

}  // namespace glimora::test

namespace glimora::test {

// The innermost visible widget named `name` (a slider's track carries its
// label as its name, as does the slider around it).
inline QWidget* innermostNamed(QWidget* root, const QString& name) {
    QWidget* found = nullptr;
    for (QWidget* child : root->findChildren<QWidget*>())
        if (child->accessibleName() == name && child->isVisibleTo(root) && (!found || found->isAncestorOf(child)))
            found = child;
    return found;
}

// The editor's children drawn over the panel's black, as the panel shows
// them (the editor's own window background left out), at `scale` device
// pixels to the point.
inline QImage drawnOnBlack(QWidget& editor, qreal scale = 1) {
    QImage drawn(editor.size() * scale, QImage::Format_ARGB32);
    drawn.setDevicePixelRatio(scale);
    drawn.fill(Qt::black);
    QPainter painter(&drawn);
    editor.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return drawn;
}

// The smallest rectangle of `drawn` (in its device pixels) holding every
// pixel within `area` whose grey is above `threshold`; empty when none.
inline QRect inkBox(const QImage& drawn, int threshold, QRect area = {}) {
    if (area.isNull()) area = drawn.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(drawn.pixel(x, y)) > threshold) box |= QRect(x, y, 1, 1);
    return box;
}

// A one-line text of the panel as it reads and as it is drawn now: a
// FittingLabel ends what does not fit in "…"; a QLabel draws its whole
// text and its edge cuts it.
struct ShownText {
    QWidget* label;
    QString text;
    QString shown;
    QFont font;  // the font it is drawn in

    double shownWidth() const { return QFontMetricsF(font).horizontalAdvance(shown); }
};

inline std::vector<ShownText> visibleTexts(QWidget* root) {
    std::vector<ShownText> texts;
    for (QWidget* child : visibleChildren<QWidget>(root)) {
        if (auto* label = qobject_cast<QLabel*>(child))
            texts.push_back({label, label->text(), label->text(), label->font()});
        if (auto* label = qobject_cast<FittingLabel*>(child))
            texts.push_back({label, label->text(), label->shownText(), label->shownFont()});
    }
    return texts;
}

// The visible label holding `text`; null when none does.
inline const ShownText* findText(const std::vector<ShownText>& texts, const QString& text) {
    for (const ShownText& shown : texts)
        if (shown.text == text) return &shown;
    return nullptr;
}

inline bool showsText(QWidget* root, const QString& text) { return findText(visibleTexts(root), text) != nullptr; }

// The grey level, drawn on black, just right of `widget`'s right edge at its
// middle: the gap before its neighbour in a row.
inline int grayRightOf(QWidget& editor, const QImage& drawn, QWidget* widget, int by = 2) {
    return qGray(drawn.pixel(widget->mapTo(&editor, QPoint(widget->width() - 1 + by, widget->height() / 2))));
}

// A press on a slider's track at `share` of its usable width (the 8-point
// knob's centre travels from 4 to width - 4), then the release.
inline void pressTrack(QWidget* track, double share) {
    const double x = 4 + (track->width() - 8) * share;
    click(track, QPointF(x, 4));
}

// The named widgets among `names` that show, as rows (widgets whose heights
// overlap share a row), each row left to right.
inline std::vector<std::vector<QString>> rowsOf(QWidget* root, const std::vector<QString>& names) {
    std::vector<std::pair<QRect, QString>> placed;
    for (const QString& name : names)
        for (QWidget* child : root->findChildren<QWidget*>())
            if (child->accessibleName() == name && child->isVisibleTo(root)) {
                bool outermost = true;
                for (QWidget* up = child->parentWidget(); up && up != root; up = up->parentWidget())
                    if (up->accessibleName() == name) outermost = false;
                if (outermost) placed.emplace_back(QRect(child->mapTo(root, QPoint(0, 0)), child->size()), name);
            }
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return a.first.y() != b.first.y() ? a.first.y() < b.first.y() : a.first.x() < b.first.x();
    });
    std::vector<std::vector<std::pair<int, QString>>> rows;
    int rowBottom = -1000;
    for (const auto& [box, name] : placed) {
        if (rows.empty() || box.top() > rowBottom) {
            rows.emplace_back();
            rowBottom = box.bottom();
        }
        rows.back().emplace_back(box.x(), name);
        rowBottom = std::max(rowBottom, box.bottom());
    }
    std::vector<std::vector<QString>> names_;
    for (auto& row : rows) {
        std::sort(row.begin(), row.end());
        names_.emplace_back();
        for (const auto& [x, name] : row) names_.back().push_back(name);
    }
    return names_;
}

}  // namespace glimora::test
