#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/AppKit/NSAttributes.h"
#include "Platform/QuartzCore/CGGeometry.h"

// A range of text in UTF-16 code units, as on the platform.
struct NSRange {
    size_t location = 0;
    size_t length = 0;

    size_t max() const { return location + length; }
    bool operator==(const NSRange&) const = default;
};

// Text (UTF-8) with attributes over ranges counted in UTF-16 code units. The
// runs cover the whole text; neighbours never carry equal attributes.
class NSAttributedString {
public:
    struct Run {
        NSRange range;
        NSAttributes attributes;

        bool operator==(const Run&) const = default;
    };

    NSAttributedString() = default;
    explicit NSAttributedString(std::string string, const NSAttributes& attributes = {});

    const std::string& string() const { return m_string; }
    size_t length() const { return m_length; }
    const std::vector<Run>& runs() const { return m_runs; }
    // The attributes at a position, and the whole run that has them.
    NSAttributes attributes(size_t location, NSRange* effectiveRange = nullptr) const;

    // The size of the text on one line per paragraph, runs without a font in the
    // system font of 12 points.
    CGSize size() const;

    bool operator==(const NSAttributedString&) const = default;

protected:
    // Splits the run that crosses `location` so a run starts there.
    void splitAt(size_t location);
    void coalesce();

    std::string m_string;
    size_t m_length = 0;
    std::vector<Run> m_runs;
};

class NSMutableAttributedString : public NSAttributedString {
public:
    using NSAttributedString::NSAttributedString;
    NSMutableAttributedString(const NSAttributedString& other)
        : NSAttributedString(other)
    {
    }

    // Sets the given attributes over the range (clamped to the text), keeping
    // the others each run has.
    void addAttributes(const NSAttributes& attributes, NSRange range);
    void append(const NSAttributedString& other);

private:
    // Changes the attributes of the runs over the range (clamped), split to fit it.
    void forRunsIn(NSRange range, const std::function<void(NSAttributes&)>& change);
};
