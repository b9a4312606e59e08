#include "panel/tab_placeholder_editor.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace glimora {

TabPlaceholderEditor::TabPlaceholderEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs,
                                           QWidget* parent)
    : TabEditor(bridge, inputs, parent), tab_(tab), title_(new QLabel) {
    setAttribute(Qt::WA_TranslucentBackground);
    const std::string_view name = title(tab);
    title_->setText(QString::fromUtf8(name.data(), qsizetype(name.size())));
    title_->setAlignment(Qt::AlignCenter);
    QFont font = title_->font();
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    title_->setFont(font);
    QPalette palette = title_->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 235));
    title_->setPalette(palette);
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
