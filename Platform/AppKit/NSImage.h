#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

class NSBundle;

// A PNG image: its bytes as they came from the file (a backend decodes them)
// and its pixel size from the header. Named images are the PNG files in a
// bundle's Resources folder: "<name>.png", its double-density form
// "<name>@2x.png", and for an icon that panels recolour, the vector
// "<name>-symbolic.svg".
class NSImage {
public:
    // One picture of the image, at one pixel density.
    struct Representation {
        // Empty for one made from data.
        std::string path;
        std::string data;
        std::uint32_t pixelsWide = 0;
        std::uint32_t pixelsHigh = 0;
        // Device pixels per point.
        double scale = 1;
    };

    // "<name>.png" (or `name` itself when it already ends in ".png") in the main
    // bundle's resources, with its other forms beside it; null when there is
    // no such file or it is not a PNG.
    static std::shared_ptr<NSImage> named(const std::string& name);
    static std::shared_ptr<NSImage> named(const std::string& name, const NSBundle& bundle);

    // The check mark a menu item shows in its on state; it has no bytes of its
    // own, each backend draws its own mark for it.
    static std::shared_ptr<NSImage> menuOnStateTemplate();

    const std::string& name() const { return m_name; }
    // In points: the first representation's pixels over its scale.
    CGSize size() const;
    // The bytes to draw with at `scale` device pixels per point: the least
    // dense representation that has enough pixels, else the densest.
    const std::string& dataForScale(double scale) const;

    // Every picture of the image, the first one first.
    const std::vector<Representation>& representations() const { return m_representations; }
    // The symbolic vector form, or empty when the image has none.
    const std::string& symbolicPath() const { return m_symbolicPath; }

    // Status-bar icons are drawn as templates: only their alpha counts.
    void setTemplate(bool value) { m_template = value; }

    static constexpr const char* menuOnStateTemplateName = "NSMenuOnStateTemplate";

private:
    NSImage(std::string name, std::vector<Representation> representations);
    static std::optional<Representation> representation(std::string data, double scale);

    std::string m_name;
    std::vector<Representation> m_representations;
    bool m_template = false;
    std::string m_symbolicPath;
};
