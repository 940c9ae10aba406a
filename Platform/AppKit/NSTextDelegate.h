#pragma once

class NSTextView;

// Told by a text view as its text is edited; a text field hears its field
// editor this way.
class NSTextDelegate {
public:
    virtual ~NSTextDelegate() = default;
    virtual void textDidChange(NSTextView&) {}
};
