#include "Platform/AppKit/NSBitmapImageRep.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "Platform/Foundation/FileManager.h"

namespace {

struct Reader {
    const std::string* data;
    size_t offset = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* buffer, unsigned int length)
{
    auto* reader = static_cast<Reader*>(closure);
    if (reader->offset + length > reader->data->size())
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(buffer, reader->data->data() + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::shared_ptr<NSBitmapImageRep> NSBitmapImageRep::make(CGSize size, CGFloat scale)
{
    int width = std::max(1, static_cast<int>(std::ceil(size.width * scale)));
    int height = std::max(1, static_cast<int>(std::ceil(size.height * scale)));
    return std::make_shared<NSBitmapImageRep>(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), size, scale);
}

std::shared_ptr<NSBitmapImageRep> NSBitmapImageRep::fromPNG(const std::string& data, CGFloat scale)
{
    Reader reader{&data};
    auto* surface = cairo_image_surface_create_from_png_stream(readBytes, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    CGSize size{cairo_image_surface_get_width(surface) / scale, cairo_image_surface_get_height(surface) / scale};
    return std::make_shared<NSBitmapImageRep>(surface, size, scale);
}

NSBitmapImageRep::NSBitmapImageRep(cairo_surface_t* surface, CGSize size, CGFloat scale)
    : m_surface(surface), m_size(size), m_scale(scale)
{
}

NSBitmapImageRep::~NSBitmapImageRep()
{
    cairo_surface_destroy(m_surface);
}

int NSBitmapImageRep::pixelsWide() const
{
    return cairo_image_surface_get_width(m_surface);
}

int NSBitmapImageRep::pixelsHigh() const
{
    return cairo_image_surface_get_height(m_surface);
}

std::string NSBitmapImageRep::pngRepresentation() const
{
    std::string png;
    cairo_surface_flush(m_surface);
    cairo_surface_write_to_png_stream(m_surface, appendBytes, &png);
    return png;
}

Expected<void> NSBitmapImageRep::writePNG(const std::string& path) const
{
    return FileManager::writeAtomically(path, pngRepresentation());
}
