// The engine's secret while it passes through the guard: wiped when it goes.
#pragma once

#include <string>
#include <string.h>

namespace veyra::vxd::protection {

class Secret {
public:
    Secret() = default;
    ~Secret() { wipe(); }
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;

    const std::string &text() const { return text_; }
    bool empty() const { return text_.empty(); }

    // Takes the text over without a copy left behind.
    void take(std::string &text)
    {
        wipe();
        text_.swap(text);
    }

    void wipe()
    {
        explicit_bzero(text_.data(), text_.size());
        text_.clear();
    }

private:
    std::string text_;
};

} // namespace veyra::vxd::protection
