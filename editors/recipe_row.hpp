// One saved recipe in the history tab: its palette swatch (or a photo mark),
// name and kind line, the favourite star and the actions menu ("Open",
// "Export Recipe…", "Delete").
//
// The row keeps what it shows and the recipe's id, not the recipe: a photo
// recipe holds its PNG, and 36 copies of those would double the library in
// memory. Its actions look the recipe up in the model's library when used.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

#include "model/design_recipe.hpp"
#include "model/palette.hpp"

class QMenu;

namespace glimora {

class FittingLabel;
class NotchButton;
class NotchViewModel;
class PixelSwatch;

// What a row shows of a recipe.
struct RecipeRowContent {
    Uuid id;
    QString title;
    bool isFavorite = false;
    bool isImage = false;
    QString kindLine;
    std::vector<Color> swatchColors;

    friend bool operator==(const RecipeRowContent&, const RecipeRowContent&) = default;

    static RecipeRowContent of(const DesignRecipe& recipe);
};

// The palette a recipe row shows: catalogue entry `paletteIndex` (the first
// for a negative index, the last beyond the custom index), or for the custom
// index (the catalogue's count) "Custom" with the recipe's own stops, none
// when it carries none.
PaletteDefinition recipeRowPalette(const DesignRecipe& recipe);

class RecipeRow : public QWidget {
    Q_OBJECT

public:
    RecipeRow(NotchViewModel& model, const RecipeRowContent& content, QWidget* parent = nullptr);

    // Shows new content in place; nothing when it is the same.
    void setContent(const RecipeRowContent& content);
    const RecipeRowContent& content() const { return content_; }
    const Uuid& recipeId() const { return content_.id; }

    NotchButton* openButton() const { return openButton_; }
    NotchButton* favoriteButton() const { return favoriteButton_; }
    NotchButton* menuButton() const { return menuButton_; }
    QMenu* actionsMenu() const { return menu_; }
    PixelSwatch* swatch() const { return swatch_; }

    // The menu's items, as the menu calls them.
    void open();
    // A fresh snapshot of the editor's design, with its photo, under the row's
    // name when the editor holds this row's design; else the stored recipe.
    void exportRecipe();
    void remove();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DesignRecipe* stored() const;
    void apply();

    NotchViewModel& model_;
    RecipeRowContent content_;
    NotchButton* openButton_;
    PixelSwatch* swatch_;
    QWidget* photoMark_;
    FittingLabel* title_;
    FittingLabel* kind_;
    NotchButton* favoriteButton_;
    NotchButton* menuButton_;
    QMenu* menu_;
};

}  // namespace glimora
