#include "platform/qt/notch_view_model_bridge.hpp"

namespace glimora {

NotchViewModelBridge::NotchViewModelBridge(NotchViewModel& model, QObject* parent)
    : QObject(parent), model_(model) {
    listener_ = model_.onChange([this](NotchViewModel::Prop prop) {
        pending_.set(static_cast<std::size_t>(prop));
        if (scheduled_) return;
        scheduled_ = true;
        QMetaObject::invokeMethod(this, &NotchViewModelBridge::flush, Qt::QueuedConnection);
    });
}

NotchViewModelBridge::~NotchViewModelBridge() { model_.removeChangeListener(listener_); }

void NotchViewModelBridge::flush() {
    const PropSet props = pending_;
    pending_.reset();
    scheduled_ = false;
    if (props.any()) emit changed(props);
}

}  // namespace glimora
