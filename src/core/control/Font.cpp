#include "veltra/Font.h"

#include <algorithm>

namespace veltra {

FontRef Font::clone() const {
    auto copy = make(name_, size_, bold_, italic_);
    copy->underline_ = underline_;
    copy->strikethrough_ = strikethrough_;
    copy->charset_ = charset_;
    return copy;
}

int Font::subscribe(Listener listener) {
    listeners_.emplace_back(nextHandle_, std::move(listener));
    return nextHandle_++;
}

void Font::unsubscribe(int handle) {
    std::erase_if(listeners_, [handle](const auto& entry) { return entry.first == handle; });
}

void Font::notify() {
    // A listener may unsubscribe while it runs; work on a copy.
    const auto listeners = listeners_;
    for (const auto& [handle, listener] : listeners)
        listener();
}

} // namespace veltra
