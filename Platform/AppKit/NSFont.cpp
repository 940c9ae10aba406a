#include "Platform/AppKit/NSFont.h"

#include <pango/pangocairo.h>

#include "Platform/AppKit/TextLayout.h"

namespace {

struct Metrics {
    CGFloat ascent = 0;
    CGFloat descent = 0;
    CGFloat height = 0;
};

Metrics metricsOf(const NSFont& font)
{
    auto* description = pango_font_description_new();
    pango_font_description_set_family(description, font.familyName().c_str());
    pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
    auto* context = TextLayout::context();
    auto* metrics = pango_context_get_metrics(context, description, pango_context_get_language(context));
    pango_font_description_free(description);
    Metrics result;
    result.ascent = static_cast<CGFloat>(pango_font_metrics_get_ascent(metrics)) / PANGO_SCALE;
    result.descent = static_cast<CGFloat>(pango_font_metrics_get_descent(metrics)) / PANGO_SCALE;
    int height = pango_font_metrics_get_height(metrics);
    result.height = height > 0 ? static_cast<CGFloat>(height) / PANGO_SCALE : result.ascent + result.descent;
    pango_font_metrics_unref(metrics);
    return result;
}

}  // namespace

CGFloat NSFont::ascender() const
{
    return metricsOf(*this).ascent;
}

CGFloat NSFont::descender() const
{
    return -metricsOf(*this).descent;
}

CGFloat NSFont::lineHeight() const
{
    return metricsOf(*this).height;
}
