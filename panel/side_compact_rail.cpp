#include "panel/side_compact_rail.hpp"

#include <QVBoxLayout>

#include "controls/notch_button.hpp"
#include "panel/compact_capsule.hpp"
#include "panel/side_identity_glyph.hpp"

namespace glimora {

SideCompactRail::SideCompactRail(NotchViewModelBridge& bridge, double curveSafeInset, QWidget* parent)
    : QWidget(parent), bridge_(bridge) {
    setAttribute(Qt::WA_TranslucentBackground);
    glyph_ = new SideIdentityGlyph(bridge_, 28, this);

    randomize_ = makeIconButton(QStringLiteral("shuffle"), 12, FontWeight::semibold, QStringLiteral("Randomize"),
                                QSize(32, 32), [this] { bridge_.model().shuffle(); });
    // Its chevron follows the placement (sync).
    expand_ = makeIconButton({}, 11, FontWeight::bold, QStringLiteral("Expand"), QSize(32, 32),
                             [this] { bridge_.model().setExpanded(!bridge_.model().expanded()); });
    expand_->setLabelColor(whiteOpacity(0.38));

    auto* column = new QVBoxLayout(this);
    const int inset = int(std::lround(curveSafeInset));
    column->setContentsMargins(0, inset, 0, inset);
    column->setSpacing(10);
    column->addItem(new OutsetItem(glyph_, SideIdentityGlyph::outset, Qt::AlignHCenter));
    column->addStretch(1);
    column->addWidget(randomize_, 0, Qt::AlignHCenter);
    column->addWidget(expand_, 0, Qt::AlignHCenter);
    // The panel sets the size; the column never asks for one.
    column->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);

    const auto sync = [this] {
        expand_->setSymbol(CompactCapsule::expandSymbol(bridge_.model().notchPlacement()), 11, FontWeight::bold);
    };
    QObject::connect(&bridge_, &NotchViewModelBridge::changed, this, [sync](const NotchViewModelBridge::PropSet& props) {
        if (NotchViewModelBridge::contains(props, NotchViewModel::Prop::notchPlacement)) sync();
    });
    sync();
}

}  // namespace glimora
