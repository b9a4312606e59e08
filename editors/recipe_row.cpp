#include "editors/recipe_row.hpp"

#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_button.hpp"
#include "controls/panel_symbols.hpp"
#include "controls/pixel_mosaics.hpp"
#include "controls/small_views.hpp"
#include "editors/editor_controls.hpp"
#include "state/notch_view_model.hpp"

namespace glimora {

namespace {

// The photo mark: "photo.fill" on a rounded 30 x 24 tile.
class PhotoMark : public QWidget {
public:
    explicit PhotoMark(QWidget* parent) : QWidget(parent) {
        setFixedSize(30, 24);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(whiteOpacity(0.08));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
        drawSymbol(painter, "photo.fill", QRectF(rect()), 12, FontWeight::semibold, whiteOpacity(0.55));
    }
};

}  // namespace

PaletteDefinition recipeRowPalette(const DesignRecipe& recipe) {
    const auto& catalogue = builtInPalettes();
    const auto count = static_cast<std::int64_t>(catalogue.size());
    if (recipe.paletteIndex == count) {
        PaletteDefinition custom{"Custom", {}};
        if (recipe.customPalette)
            for (const CustomPaletteStop& stop : *recipe.customPalette) custom.colors.push_back(stop.color());
        return custom;
    }
    return catalogue[std::size_t(std::clamp<std::int64_t>(recipe.paletteIndex, 0, count - 1))];
}

RecipeRowContent RecipeRowContent::of(const DesignRecipe& recipe) {
    RecipeRowContent content;
    content.id = recipe.id;
    content.title = QString::fromStdString(recipe.displayName());
    content.isFavorite = recipe.isFavorite;
    content.isImage = fromRawValue<WallpaperSource>(recipe.wallpaperSource) == WallpaperSource::image;
    if (content.isImage) {
        content.kindLine = QStringLiteral("Image");
    } else {
        PaletteDefinition palette = recipeRowPalette(recipe);
        const std::optional<NotchShape> shape = fromRawValue<NotchShape>(recipe.shape);
        content.kindLine = QString::fromStdString(palette.name) + QString::fromUtf8(" \u00B7 ") +
                           (shape ? qText(glimora::title(*shape)) : QStringLiteral("Gradient"));
        content.swatchColors = std::move(palette.colors);
    }
    return content;
}

RecipeRow::RecipeRow(NotchViewModel& model, const RecipeRowContent& content, QWidget* parent)
    : QWidget(parent), model_(model), content_(content) {
    setMinimumHeight(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(7, 0, 7, 0);
    row->setSpacing(8);

    openButton_ = new NotchButton(NotchButton::Look::plain, [this] { open(); }, this);
    openButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    openButton_->setMinimumHeight(40);
    auto* label = new QHBoxLayout(openButton_);
    label->setContentsMargins(0, 0, 0, 0);
    label->setSpacing(8);
    swatch_ = new PixelSwatch([this] { return content_.swatchColors; }, 30, openButton_);
    swatch_->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->addWidget(swatch_, 0, Qt::AlignVCenter);
    photoMark_ = new PhotoMark(openButton_);
    label->addWidget(photoMark_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch(1);
    title_ = makeOneLineLabel({}, 10, FontWeight::medium, 0.78, openButton_);
    kind_ = makeOneLineLabel({}, 9, FontWeight::regular, 0.34, openButton_);
    for (FittingLabel* text : {title_, kind_}) {
        text->setAttribute(Qt::WA_TransparentForMouseEvents);
        texts->addWidget(text);
    }
    texts->addStretch(1);
    label->addLayout(texts, 1);
    row->addWidget(openButton_, 1);

    favoriteButton_ = new NotchButton(NotchButton::Look::plain, [this] { model_.toggleFavorite(content_.id); }, this);
    favoriteButton_->setFixedSize(22, 24);
    row->addWidget(favoriteButton_);

    menu_ = new QMenu(this);
    menu_->addAction(QStringLiteral("Open"), this, [this] { open(); });
    menu_->addAction(QString::fromUtf8("Export Recipe\u2026"), this, [this] { exportRecipe(); });
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Delete"), this, [this] { remove(); });
    menuButton_ = new NotchButton(NotchButton::Look::plain, {}, this);
    menuButton_->setAction([this] { menu_->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height()))); });
    menuButton_->setSymbol(QStringLiteral("ellipsis"), 11, FontWeight::semibold);
    menuButton_->setLabelColor(whiteOpacity(0.35));
    menuButton_->setFixedSize(22, 24);
    menuButton_->setToolTip(QStringLiteral("Recipe actions"));
    menuButton_->setAccessibleName(QStringLiteral("Recipe actions"));
    row->addWidget(menuButton_);

    apply();
}

void RecipeRow::setContent(const RecipeRowContent& content) {
    if (content == content_) return;
    content_ = content;
    apply();
}

void RecipeRow::apply() {
    openButton_->setAccessibleName(content_.title);
    title_->setText(content_.title);
    kind_->setText(content_.kindLine);
    swatch_->setVisible(!content_.isImage);
    photoMark_->setVisible(content_.isImage);
    swatch_->sync();
    const bool favorite = content_.isFavorite;
    favoriteButton_->setSymbol(favorite ? QStringLiteral("star.fill") : QStringLiteral("star"), 11,
                               FontWeight::semibold);
    favoriteButton_->setLabelColor(favorite ? accentColor() : whiteOpacity(0.32));
    const QString help = favorite ? QStringLiteral("Remove favorite") : QStringLiteral("Add favorite");
    favoriteButton_->setToolTip(help);
    favoriteButton_->setAccessibleName(help);
}

const DesignRecipe* RecipeRow::stored() const {
    for (const DesignRecipe& recipe : model_.recipeHistory())
        if (recipe.id == content_.id) return &recipe;
    return nullptr;
}

void RecipeRow::open() {
    if (const DesignRecipe* recipe = stored()) model_.openRecipe(*recipe);
}

void RecipeRow::exportRecipe() {
    const DesignRecipe* recipe = stored();
    if (!recipe) return;
    if (model_.makeRecipe({}, false).hasSameDesign(*recipe))
        model_.exportRecipe(model_.makeRecipe(recipe->displayName(), true));
    else
        model_.exportRecipe(*recipe);
}

void RecipeRow::remove() { model_.deleteRecipe(content_.id); }

void RecipeRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(whiteOpacity(0.055));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

}  // namespace glimora
