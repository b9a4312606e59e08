// The desktop clipboard through QClipboard. Needs a QGuiApplication.
#pragma once

#include "platform/clipboard.hpp"

namespace glimora {

class QtClipboard final : public Clipboard {
public:
    // The PNG's bytes as they are, under the "image/png" type only.
    void setPngData(std::vector<std::uint8_t> png) override;
};

}  // namespace glimora
