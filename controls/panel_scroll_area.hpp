// Scroll areas on the panel's black surface: no indicators (the wheel still
// scrolls), no frame, and nothing painted behind the content.
#pragma once

class QScrollArea;
class QWidget;

namespace glimora {

// Both scroll bars off; the content is placed by hand (not resized by the area).
QScrollArea* makePanelScrollArea(QWidget* parent);
void preparePanelScrollArea(QScrollArea& scroll);

// Hands `content` to the area. QScrollArea::setWidget switches the content's
// background filling on, which would paint the style's light window colour
// behind the content; it is switched off again here.
void setPanelScrolledWidget(QScrollArea& scroll, QWidget* content);

// Sizes the scrolled widget to the viewport's width and at least its height,
// taller when `contentHeight` asks for more.
void fitScrolledWidget(QScrollArea& scroll, int contentHeight);

// A strip of chips `height` high that keeps each chip at its own width and,
// when they are wider than the row, scrolls sideways instead of squeezing
// them: the animation tab's property chips, the material tab's patterns.
QScrollArea* makeChipScroller(QWidget* strip, int height, QWidget* parent);

}  // namespace glimora
