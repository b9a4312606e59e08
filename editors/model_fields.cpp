#include "editors/model_fields.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

template <class T>
std::optional<T> read(const NotchViewModel& model, Prop prop) {
    switch (prop) {
#define GLIMORA_READ(Type, name, Name, initial, kind) \
    case Prop::name:                                  \
        if constexpr (std::is_same_v<Type, T>)        \
            return model.name();                      \
        else                                          \
            return std::nullopt;
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_READ)
#undef GLIMORA_READ
    }
    return std::nullopt;
}

template <class T>
void write(NotchViewModel& model, Prop prop, T value) {
    switch (prop) {
#define GLIMORA_WRITE(Type, name, Name, initial, kind) \
    case Prop::name:                                   \
        if constexpr (std::is_same_v<Type, T>) model.set##Name(value); \
        return;
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_WRITE)
#undef GLIMORA_WRITE
    }
}

}  // namespace

bool isDoubleProperty(Prop prop) {
    switch (prop) {
#define GLIMORA_IS(Type, name, Name, initial, kind) \
    case Prop::name:                                \
        return std::is_same_v<Type, double>;
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_IS)
#undef GLIMORA_IS
    }
    return false;
}

bool isBoolProperty(Prop prop) {
    switch (prop) {
#define GLIMORA_IS(Type, name, Name, initial, kind) \
    case Prop::name:                                \
        return std::is_same_v<Type, bool>;
        GLIMORA_NOTCH_VIEW_MODEL_PROPERTIES(GLIMORA_IS)
#undef GLIMORA_IS
    }
    return false;
}

std::optional<double> readDouble(const NotchViewModel& model, Prop prop) { return read<double>(model, prop); }
std::optional<bool> readBool(const NotchViewModel& model, Prop prop) { return read<bool>(model, prop); }
void writeDouble(NotchViewModel& model, Prop prop, double value) { write<double>(model, prop, value); }
void writeBool(NotchViewModel& model, Prop prop, bool value) { write<bool>(model, prop, value); }

}  // namespace glimora
