#include "Platform/AppKit/NSImage.h"

#include <cstring>

#include "Platform/AppKit/NSBundle.h"
#include "Platform/Foundation/FileManager.h"

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

NSImage::NSImage(std::string name, std::string data, std::uint32_t width, std::uint32_t height)
    : m_name(std::move(name)), m_data(std::move(data)), m_width(width), m_height(height)
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
    std::string base = endsWith(name, ".png") ? name.substr(0, name.size() - 4) : name;
    auto path = bundle.path(base, "png");
    auto densePath = bundle.path(base + "@2x", "png");
    std::shared_ptr<NSImage> image = path ? contentsOfFile(*path) : nullptr;
    if (image && densePath) {
        if (auto dense = FileManager::contents(*densePath))
            image->addRepresentation(std::move(*dense), 2);
    } else if (!image && densePath) {
        // Only the dense picture: it is half as many points.
        image = contentsOfFile(*densePath);
        if (image)
            image->m_scale = 2;
    }
    if (image)
        image->m_name = base;
    return image;
}

std::shared_ptr<NSImage> NSImage::contentsOfFile(const std::string& path)
{
    auto data = FileManager::contents(path);
    if (!data)
        return nullptr;
    return fromData(std::move(*data));
}

std::shared_ptr<NSImage> NSImage::fromData(std::string data)
{
    if (data.size() < kHeaderEnd || std::memcmp(data.data(), kSignature, kSignatureSize) != 0)
        return nullptr;
    if (bigEndian(data, kSignatureSize) != 13 || data.compare(kSignatureSize + 4, 4, "IHDR") != 0)
        return nullptr;
    std::uint32_t width = bigEndian(data, kSignatureSize + 8);
    std::uint32_t height = bigEndian(data, kSignatureSize + 12);
    // PNG allows sizes from 1 to 2^31 - 1 only.
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
        return nullptr;
    return std::shared_ptr<NSImage>(new NSImage({}, std::move(data), width, height));
}

bool NSImage::addRepresentation(std::string data, double scale)
{
    if (!fromData(data) || scale <= 0)
        return false;
    m_representations.push_back({std::move(data), scale});
    return true;
}

const std::string& NSImage::dataForScale(double scale) const
{
    const std::string* best = &m_data;
    double bestScale = m_scale;
    for (const auto& representation : m_representations) {
        bool enough = representation.scale >= scale;
        bool bestEnough = bestScale >= scale;
        // Prefer enough pixels; among those the fewest, otherwise the most.
        if ((enough && (!bestEnough || representation.scale < bestScale)) || (!enough && !bestEnough && representation.scale > bestScale)) {
            best = &representation.data;
            bestScale = representation.scale;
        }
    }
    return *best;
}

std::shared_ptr<NSImage> NSImage::menuOnStateTemplate()
{
    static const std::shared_ptr<NSImage> image = [] {
        auto made = std::shared_ptr<NSImage>(new NSImage(menuOnStateTemplateName, {}, 0, 0));
        made->m_template = true;
        return made;
    }();
    return image;
}
