// How Qt views observe the editor: the model's change notifications,
// gathered into one signal per turn of the event loop, so that a burst of
// writes (a shuffle, a recipe) repaints a view once.
#pragma once

#include <QObject>

#include <bitset>

#include "state/notch_view_model.hpp"

namespace glimora {

class NotchViewModelBridge : public QObject {
    Q_OBJECT

public:
    using PropSet = std::bitset<NotchViewModel::propCount>;

    // The model must outlive the bridge.
    explicit NotchViewModelBridge(NotchViewModel& model, QObject* parent = nullptr);
    ~NotchViewModelBridge() override;

    NotchViewModel& model() const { return model_; }

    static bool contains(const PropSet& props, NotchViewModel::Prop prop) {
        return props.test(static_cast<std::size_t>(prop));
    }

signals:
    // Every property written since the last signal, also with an equal value.
    void changed(const glimora::NotchViewModelBridge::PropSet& props);

private:
    void flush();

    NotchViewModel& model_;
    NotchViewModel::ListenerId listener_ = 0;
    PropSet pending_;
    bool scheduled_ = false;
};

}  // namespace glimora
