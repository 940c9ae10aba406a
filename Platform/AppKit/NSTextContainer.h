#pragma once

#include "Platform/QuartzCore/CGGeometry.h"

// The area a text view lays its text out in.
class NSTextContainer {
public:
    explicit NSTextContainer(CGSize size = {0, 0})
        : m_size(size)
    {
    }

    CGSize size() const { return m_size; }
    void setSize(CGSize size) { m_size = size; }
    // Kept free at each end of every line.
    CGFloat lineFragmentPadding() const { return m_lineFragmentPadding; }
    void setLineFragmentPadding(CGFloat padding) { m_lineFragmentPadding = padding; }
    bool widthTracksTextView() const { return m_widthTracksTextView; }
    void setWidthTracksTextView(bool tracks) { m_widthTracksTextView = tracks; }

private:
    CGSize m_size;
    CGFloat m_lineFragmentPadding = 5;
    bool m_widthTracksTextView = true;
};
