#include "Platform/AppKit/NSImage.h"

#include <cstring>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/NSBundle.h"

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr size_t kSignatureSize = 8;
// Signature, then the IHDR chunk: length 13, type, width, height.
constexpr size_t kHeaderEnd = kSignatureSize + 4 + 4 + 4 + 4;

std::uint32_t bigEndian(const std::string& data, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

NSImage::NSImage(std::string name, std::vector<Representation> representations)
    : m_name(std::move(name)), m_representations(std::move(representations))
{
}

std::shared_ptr<NSImage> NSImage::named(const std::string& name)
{
    auto bundle = NSBundle::main();
    if (auto image = bundle ? named(name, *bundle) : nullptr)
        return image;
    if (name == menuOnStateTemplateName)
        return menuOnStateTemplate();
    return nullptr;
}

std::shared_ptr<NSImage> NSImage::named(const std::string& name, const NSBundle& bundle)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return nullptr;
    const std::string base = endsWith(name, ".png") ? name.substr(0, name.size() - 4) : name;
    std::vector<Representation> found;
    // Only the dense picture is half as many points.
    for (auto [suffix, scale] : {std::pair{"", 1.0}, std::pair{"@2x", 2.0}}) {
        auto path = bundle.path(base + suffix, "png");
        auto data = path ? FileManager::contents(*path) : Expected<std::string>(Error{});
        if (!data)
            continue;
        if (auto each = representation(std::move(*data), scale)) {
            each->path = *path;
            found.push_back(std::move(*each));
        }
    }
    if (found.empty())
        return nullptr;
    auto image = std::shared_ptr<NSImage>(new NSImage(base, std::move(found)));
    if (auto symbolic = bundle.path(base + "-symbolic", "svg"))
        image->m_symbolicPath = *symbolic;
    return image;
}

std::optional<NSImage::Representation> NSImage::representation(std::string data, double scale)
{
    if (scale <= 0 || data.size() < kHeaderEnd || std::memcmp(data.data(), kSignature, kSignatureSize) != 0)
        return std::nullopt;
    if (bigEndian(data, kSignatureSize) != 13 || data.compare(kSignatureSize + 4, 4, "IHDR") != 0)
        return std::nullopt;
    std::uint32_t width = bigEndian(data, kSignatureSize + 8);
    std::uint32_t height = bigEndian(data, kSignatureSize + 12);
    // PNG allows sizes from 1 to 2^31 - 1 only.
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
        return std::nullopt;
    return Representation{{}, std::move(data), width, height, scale};
}

CGSize NSImage::size() const
{
    if (m_representations.empty())
        return {};
    const auto& first = m_representations.front();
    return {first.pixelsWide / first.scale, first.pixelsHigh / first.scale};
}

const std::string& NSImage::dataForScale(double scale) const
{
    static const std::string none;
    const Representation* best = nullptr;
    for (const auto& each : m_representations) {
        // Prefer enough pixels; among those the fewest, otherwise the most.
        bool enough = each.scale >= scale;
        bool bestEnough = best && best->scale >= scale;
        if (!best || (enough && (!bestEnough || each.scale < best->scale))
            || (!enough && !bestEnough && each.scale > best->scale))
            best = &each;
    }
    return best ? best->data : none;
}

std::shared_ptr<NSImage> NSImage::menuOnStateTemplate()
{
    static const std::shared_ptr<NSImage> image = [] {
        auto made = std::shared_ptr<NSImage>(new NSImage(menuOnStateTemplateName, {}));
        made->m_template = true;
        return made;
    }();
    return image;
}
