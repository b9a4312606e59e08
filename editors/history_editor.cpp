#include "editors/history_editor.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_button.hpp"
#include "controls/small_views.hpp"
#include "editors/editor_controls.hpp"
#include "editors/editor_layout.hpp"
#include "editors/recipe_row.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

}  // namespace

HistoryEditor::HistoryEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    NotchViewModel& m = model();
    QVBoxLayout* column = editorColumn(this, 10);

    auto* spacer = new QWidget(this);
    spacer->setFixedHeight(6);
    column->addWidget(spacer);

    QHBoxLayout* nameRow = addEditorRow(column, 6);
    nameField_ = new QLineEdit(this);
    nameField_->setPlaceholderText(QStringLiteral("Name this design"));
    nameField_->setAccessibleName(QStringLiteral("Name this design"));
    nameField_->setFont(panelFont(10, FontWeight::medium));
    nameField_->setFrame(false);
    nameField_->setFixedHeight(32);
    nameField_->setTextMargins(9, 0, 9, 0);
    nameField_->setStyleSheet(QStringLiteral("QLineEdit { background: rgba(255,255,255,20); border-radius: 8px; "
                                             "color: rgba(255,255,255,230); }"));
    connect(nameField_, &QLineEdit::textEdited, this, [&m](const QString& text) { m.setRecipeName(text.toStdString()); });
    connect(nameField_, &QLineEdit::returnPressed, this, [this] { save(); });
    nameRow->addWidget(nameField_, 1);
    saveButton_ = new NotchButton(NotchButton::Look::primary, [this] { save(); }, this);
    saveButton_->setText(QStringLiteral("Save"));
    saveButton_->setAccessibleName(QStringLiteral("Save"));
    saveButton_->setSymbol(QStringLiteral("bookmark"), 10, FontWeight::semibold);
    saveButton_->setFixedSize(76, 32);
    nameRow->addWidget(saveButton_);

    QHBoxLayout* fileRow = addEditorRow(column, 6);
    NotchButton* importButton = wideButton(NotchButton::Look::secondary, QStringLiteral("Import .ombriq"), QStringLiteral("arrow.down.doc"),
                                                [&m] { m.chooseRecipeToImport(); }, this);
    importButton->setToolTip(QStringLiteral("Open a .ombriq recipe exported from Ombriq or shared by another user"));
    fileRow->addWidget(importButton, 1);
    fileRow->addWidget(wideButton(NotchButton::Look::secondary, QStringLiteral("Export .ombriq"), QStringLiteral("arrow.up.doc"),
                                       [&m] { m.exportCurrentRecipe(); }, this),
                       1);

    note_ = makeLabel(QString::fromUtf8("Import a .ombriq recipe exported from this library or shared by another Ombriq "
                                        "user. To pixelize an image, use Image \u2192 Files."),
                      9, FontWeight::regular, 0.34, this);
    note_->setWordWrap(true);
    column->addWidget(note_);

    status_ = makeOneLineLabel({}, 9, FontWeight::medium, 0.40, this);
    column->addWidget(status_);

    emptyState_ = new QWidget(this);
    auto* emptyLayout = new QVBoxLayout(emptyState_);
    emptyLayout->setContentsMargins(0, 10, 0, 0);
    emptyLayout->setSpacing(4);
    emptyLayout->addWidget(
        makeLabel(QStringLiteral("Your saved designs will appear here."), 11, FontWeight::medium, 0.62, emptyState_));
    QLabel* hint = makeLabel(QStringLiteral("Shuffle or save the current design to start a local library."), 10,
                             FontWeight::regular, 0.34, emptyState_);
    hint->setWordWrap(true);
    emptyLayout->addWidget(hint);
    column->addWidget(emptyState_);

    list_ = new QWidget(this);
    listLayout_ = new QVBoxLayout(list_);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(6);
    column->addWidget(list_);

    layOut();
    syncName();
    syncStatus();
    syncRows();
}

void HistoryEditor::inputsChanged() { layOut(); }

void HistoryEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
}

void HistoryEditor::save() { model().saveToLibrary(std::nullopt, true); }

void HistoryEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    if (NotchViewModelBridge::contains(props, Prop::recipeName)) syncName();
    if (NotchViewModelBridge::contains(props, Prop::recipeStatus)) syncStatus();
    if (NotchViewModelBridge::contains(props, Prop::recipeHistory)) syncRows();
}

void HistoryEditor::syncName() {
    const QString name = QString::fromStdString(model().recipeName());
    // Only a change made elsewhere is written back, so typing keeps its cursor.
    if (nameField_->text() != name) nameField_->setText(name);
}

void HistoryEditor::syncStatus() {
    const QString text = QString::fromStdString(model().recipeStatus());
    status_->setText(text);
    status_->setToolTip(text);
    status_->setVisible(!text.isEmpty());
}

void HistoryEditor::syncRows() {
    const std::vector<DesignRecipe>& library = model().recipeHistory();
    std::vector<RecipeRow*> kept;
    kept.reserve(library.size());
    std::vector<RecipeRow*> old = rows_;
    for (const DesignRecipe& recipe : library) {
        RecipeRowContent content = RecipeRowContent::of(recipe);
        const auto found = std::find_if(old.begin(), old.end(), [&](RecipeRow* r) { return r->recipeId() == recipe.id; });
        if (found != old.end()) {
            (*found)->setContent(content);
            kept.push_back(*found);
            old.erase(found);
        } else {
            kept.push_back(new RecipeRow(model(), content, list_));
        }
    }
    // A row may be removed from inside its own menu action: delete it later.
    for (RecipeRow* gone : old) {
        listLayout_->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    if (kept != rows_) {
        for (RecipeRow* r : kept) listLayout_->removeWidget(r);
        for (RecipeRow* r : kept) {
            listLayout_->addWidget(r);
            r->show();
        }
        rows_ = std::move(kept);
    }
    emptyState_->setVisible(rows_.empty());
    list_->setVisible(!rows_.empty());
}

}  // namespace glimora
