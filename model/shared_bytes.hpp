// An immutable byte buffer whose copies share one allocation. A recipe's
// photo is megabytes of PNG, and recipes are copied freely (the library list,
// its save entries, the open document); sharing keeps each photo in memory
// once and makes those copies cheap on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

namespace glimora {

class SharedBytes {
public:
    SharedBytes() : bytes_(nothing()) {}
    SharedBytes(std::vector<std::uint8_t> bytes)  // NOLINT: a vector is the natural way to make one
        : bytes_(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes))) {}
    SharedBytes(std::initializer_list<std::uint8_t> bytes) : SharedBytes(std::vector<std::uint8_t>(bytes)) {}

    const std::vector<std::uint8_t>& vector() const { return *bytes_; }
    operator const std::vector<std::uint8_t>&() const { return *bytes_; }  // NOLINT
    operator std::span<const std::uint8_t>() const { return *bytes_; }     // NOLINT

    const std::uint8_t* data() const { return bytes_->data(); }
    std::size_t size() const { return bytes_->size(); }
    bool empty() const { return bytes_->empty(); }
    auto begin() const { return bytes_->begin(); }
    auto end() const { return bytes_->end(); }
    std::uint8_t operator[](std::size_t i) const { return (*bytes_)[i]; }

    // Whether the two share one allocation (equal without reading the bytes).
    bool sharesWith(const SharedBytes& other) const { return bytes_ == other.bytes_; }

    friend bool operator==(const SharedBytes& a, const SharedBytes& b) {
        return a.bytes_ == b.bytes_ || *a.bytes_ == *b.bytes_;
    }
    friend bool operator==(const SharedBytes& a, const std::vector<std::uint8_t>& b) { return *a.bytes_ == b; }

private:
    static const std::shared_ptr<const std::vector<std::uint8_t>>& nothing() {
        static const auto none = std::make_shared<const std::vector<std::uint8_t>>();
        return none;
    }
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

}  // namespace glimora
