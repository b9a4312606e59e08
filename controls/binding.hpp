// A two-way link to one value of the model: a getter and a setter. Controls
// read through `get` whenever they sync and write through `set` on user
// input only, never while syncing.
//
// Use: `Binding<double> spread = bind(model, &NotchViewModel::spread, &NotchViewModel::setSpread);`
//      or by hand: `Binding<bool>{[&] { return model.mirror(); }, [&](bool on) { model.setMirror(on); }}`.
#pragma once

#include <functional>
#include <type_traits>

namespace glimora {

template <class T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;
};

// Binds a model's getter and setter pair; the model must outlive the binding.
template <class Model, class Value, class Argument>
Binding<std::remove_cvref_t<Value>> bind(Model& model, Value (Model::*getter)() const, void (Model::*setter)(Argument)) {
    using T = std::remove_cvref_t<Value>;
    return {[&model, getter] { return T((model.*getter)()); }, [&model, setter](T value) { (model.*setter)(value); }};
}

}  // namespace glimora
