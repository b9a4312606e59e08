// The editors of the six design tabs by tab, for the panel's tab routing:
// `shape`, `gradients`, `color`, `adjust`, `style` and `animation`; null for
// any other tab, which the routing fills from elsewhere.
#pragma once

#include "editors/tab_editor.hpp"

namespace glimora {

TabEditor* makeDesignTabEditor(NotchTab tab, NotchViewModelBridge& bridge, const EditorInputs& inputs);

}  // namespace glimora
