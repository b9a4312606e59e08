// The column every content tab is laid out in, its plain rows and wide buttons.
#pragma once

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <functional>

#include "controls/notch_button.hpp"

namespace glimora {

// A top-left aligned column without margins. It never lets the tab be
// squeezed below its rows: the host scrolls a tab taller than the panel.
inline QVBoxLayout* editorColumn(QWidget* editor, int spacing) {
    auto* column = new QVBoxLayout(editor);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    column->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    column->setSizeConstraint(QLayout::SetMinimumSize);
    return column;
}

// A row without margins added to the column.
inline QHBoxLayout* addEditorRow(QVBoxLayout* column, int spacing) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    column->addLayout(layout);
    return layout;
}

// A button with a symbol and a text that takes the free width of its row.
inline NotchButton* wideButton(NotchButton::Look look, const QString& text, const QString& symbol,
                               std::function<void()> action, QWidget* parent) {
    auto* button = new NotchButton(look, std::move(action), parent);
    button->setText(text);
    button->setAccessibleName(text);
    button->setSymbol(symbol, 10, FontWeight::medium);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

}  // namespace glimora
