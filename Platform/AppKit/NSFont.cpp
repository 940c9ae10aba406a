#include "Platform/AppKit/NSFont.h"

#include <pango/pangocairo.h>

#include "Platform/AppKit/TextLayout.h"

CGFloat NSFont::lineHeight() const
{
    auto* description = pango_font_description_new();
    pango_font_description_set_family(description, m_familyName.c_str());
    pango_font_description_set_absolute_size(description, m_pointSize * PANGO_SCALE);
    auto* context = TextLayout::context();
    auto* metrics = pango_context_get_metrics(context, description, pango_context_get_language(context));
    pango_font_description_free(description);
    int height = pango_font_metrics_get_height(metrics);
    if (height <= 0)
        height = pango_font_metrics_get_ascent(metrics) + pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    return static_cast<CGFloat>(height) / PANGO_SCALE;
}
