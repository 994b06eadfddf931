// The font object: shared by reference between the control, its combo box and the host.
#pragma once

#include "veltra/Types.h"

#include <functional>
#include <vector>

namespace veltra {

// Whoever holds the object may change it; a combo box that shows it listens for changes,
// so that setting Size through the object returned by the control's Font resizes the box.
class Font {
  public:
    using Listener = std::function<void()>;

    Font(String name, float size, bool bold = false, bool italic = false)
        : name_(std::move(name)), size_(size), bold_(bold), italic_(italic) {}
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    static FontRef make(String name, float size, bool bold = false, bool italic = false) {
        return std::make_shared<Font>(std::move(name), size, bold, italic);
    }
    // A new object with the same attributes (the host's ambient font is handed out this way).
    FontRef clone() const;

    const String& Name() const { return name_; }
    void Name(String value) { set(name_, std::move(value)); }
    float Size() const { return size_; }
    void Size(float value) { set(size_, value); }
    bool Bold() const { return bold_; }
    void Bold(bool value) { set(bold_, value); }
    bool Italic() const { return italic_; }
    void Italic(bool value) { set(italic_, value); }
    bool Underline() const { return underline_; }
    void Underline(bool value) { set(underline_, value); }
    bool Strikethrough() const { return strikethrough_; }
    void Strikethrough(bool value) { set(strikethrough_, value); }
    Integer Charset() const { return charset_; }
    void Charset(Integer value) { set(charset_, value); }

    // Returns a handle for unsubscribe.
    int subscribe(Listener listener);
    void unsubscribe(int handle);

  private:
    template <class T>
    void set(T& field, T value) {
        if (field == value)
            return;
        field = std::move(value);
        notify();
    }
    void notify();

    String name_;
    float size_;
    bool bold_;
    bool italic_;
    bool underline_ = false;
    bool strikethrough_ = false;
    Integer charset_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextHandle_ = 1;
};

} // namespace veltra
