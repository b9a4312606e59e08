#include "panel/tab_placeholder_editor.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace glimora {

QLabel* makePlaceholderTitle(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = label->font();
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 235));
    label->setPalette(palette);
    return label;
}

void setPlaceholderTitle(QLabel& label, NotchTab tab) {
    const std::string_view name = title(tab);
    label.setText(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

TabPlaceholderEditor::TabPlaceholderEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs,
                                           QWidget* parent)
    : TabEditor(bridge, inputs, parent), tab_(tab), title_(makePlaceholderTitle()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setPlaceholderTitle(*title_, tab);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    inputsChanged();
}

QString TabPlaceholderEditor::titleText() const { return title_->text(); }

void TabPlaceholderEditor::inputsChanged() {
    // Never wider than the routing allows.
    setMaximumWidth(std::max(0, int(inputs().availableWidth)));
}

}  // namespace glimora
