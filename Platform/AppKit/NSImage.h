#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/QuartzCore/CGGeometry.h"

class NSBundle;

// A PNG image: its bytes as they came from the file (a backend decodes them)
// and its pixel size from the header. Named images are the PNG files in a
// bundle's Resources folder: "<name>.png" and, for screens of two pixels per
// point, "<name>@2x.png" beside it.
class NSImage {
public:
    // "<name>.png" (or `name` itself when it already ends in ".png") in the main
    // bundle's resources; null when there is no such file or it is not a PNG.
    static std::shared_ptr<NSImage> named(const std::string& name);
    static std::shared_ptr<NSImage> named(const std::string& name, const NSBundle& bundle);

    static std::shared_ptr<NSImage> contentsOfFile(const std::string& path);
    // Null unless `data` starts with a PNG signature and a well-formed header.
    static std::shared_ptr<NSImage> fromData(std::string data);

    // The check mark a menu item shows in its on state; it has no bytes of its
    // own, each backend draws its own mark for it.
    static std::shared_ptr<NSImage> menuOnStateTemplate();

    const std::string& name() const { return m_name; }
    // The bytes and pixels of the first representation (1x when there is one).
    const std::string& data() const { return m_data; }
    std::uint32_t pixelsWide() const { return m_width; }
    std::uint32_t pixelsHigh() const { return m_height; }
    // In points: the first representation's pixels over its scale.
    CGSize size() const { return {m_width / m_scale, m_height / m_scale}; }
    // The bytes to draw with at `scale` device pixels per point: the least
    // dense representation that has enough pixels, else the densest.
    const std::string& dataForScale(double scale) const;
    // Adds the bytes of a denser (or sparser) PNG of the same picture; false
    // when they are no PNG.
    bool addRepresentation(std::string data, double scale);

    // Status-bar icons are drawn as templates: only their alpha counts.
    bool isTemplate() const { return m_template; }
    void setTemplate(bool value) { m_template = value; }

    static constexpr const char* menuOnStateTemplateName = "NSMenuOnStateTemplate";

private:
    NSImage(std::string name, std::string data, std::uint32_t width, std::uint32_t height);

    std::string m_name;
    std::string m_data;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    double m_scale = 1;
    struct Representation {
        std::string data;
        double scale;
    };
    // Besides the first.
    std::vector<Representation> m_representations;
    bool m_template = false;
};
