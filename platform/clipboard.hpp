// The desktop clipboard.
#pragma once

#include <cstdint>
#include <vector>

namespace glimora {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Clears the clipboard, then offers the bytes as image/png.
    virtual void setPngData(std::vector<std::uint8_t> png) = 0;
};

}  // namespace glimora
