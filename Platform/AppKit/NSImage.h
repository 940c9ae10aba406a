#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class NSBundle;

// A PNG image: its bytes as they came from the file (a backend decodes them)
// and its pixel size from the header. Named images are the PNG files in a
// bundle's Resources folder: "<name>.png", its double-density form
// "<name>@2x.png", and for an icon that panels recolour, the vector
// "<name>-symbolic.svg".
class NSImage {
public:
    // One file of the image, at one pixel density.
    struct Representation {
        std::string path;
        std::uint32_t pixelsWide = 0;
        std::uint32_t pixelsHigh = 0;
    };

    // "<name>.png" (or `name` itself when it already ends in ".png") in the main
    // bundle's resources, with its other forms beside it; null when there is
    // no such file or it is not a PNG.
    static std::shared_ptr<NSImage> named(const std::string& name);
    static std::shared_ptr<NSImage> named(const std::string& name, const NSBundle& bundle);

    static std::shared_ptr<NSImage> contentsOfFile(const std::string& path);
    // Null unless `data` starts with a PNG signature and a well-formed header.
    static std::shared_ptr<NSImage> fromData(std::string data);

    // The check mark a menu item shows in its on state; it has no bytes of its
    // own, each backend draws its own mark for it.
    static std::shared_ptr<NSImage> menuOnStateTemplate();

    const std::string& name() const { return m_name; }
    const std::string& data() const { return m_data; }
    std::uint32_t pixelsWide() const { return m_width; }
    std::uint32_t pixelsHigh() const { return m_height; }

    // The PNG files of a named image, 1x first; empty for one made from data.
    const std::vector<Representation>& representations() const { return m_representations; }
    // The symbolic vector form, or empty when the image has none.
    const std::string& symbolicPath() const { return m_symbolicPath; }

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
    bool m_template = false;
    std::vector<Representation> m_representations;
    std::string m_symbolicPath;
};
