#include "Platform/AppKit/TextLayout.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "Platform/AppKit/NSGraphicsContext.h"
#include "Platform/Foundation/UTF16.h"

namespace {

PangoFontDescription* describe(const NSFont& font)
{
    auto* description = pango_font_description_new();
    pango_font_description_set_family(description, font.familyName().c_str());
    pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
    return description;
}

guint16 channel(CGFloat component)
{
    return static_cast<guint16>(std::lround(std::clamp(component, 0.0, 1.0) * 65535));
}

void addColor(PangoAttrList* list, const NSColor& color, bool background, guint start, guint end)
{
    auto* rgb = background
        ? pango_attr_background_new(channel(color.redComponent()), channel(color.greenComponent()), channel(color.blueComponent()))
        : pango_attr_foreground_new(channel(color.redComponent()), channel(color.greenComponent()), channel(color.blueComponent()));
    auto* alpha = background ? pango_attr_background_alpha_new(channel(color.alphaComponent()))
                             : pango_attr_foreground_alpha_new(channel(color.alphaComponent()));
    for (auto* attribute : {rgb, alpha}) {
        attribute->start_index = start;
        attribute->end_index = end;
        pango_attr_list_insert(list, attribute);
    }
}

PangoAlignment pangoAlignment(NSTextAlignment alignment)
{
    switch (alignment) {
    case NSTextAlignment::right: return PANGO_ALIGN_RIGHT;
    case NSTextAlignment::center: return PANGO_ALIGN_CENTER;
    default: return PANGO_ALIGN_LEFT;
    }
}

}  // namespace

PangoContext* TextLayout::context()
{
    static PangoContext* shared = [] {
        auto* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
        pango_cairo_context_set_resolution(context, 72);
        auto* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);
        pango_context_set_language(context, pango_language_from_string("zh-cn"));
        return context;
    }();
    return shared;
}

TextLayout::TextLayout(const NSAttributedString& text, const Style& style)
    : m_layout(pango_layout_new(context())), m_color(style.color)
{
    const std::string& string = text.string();
    pango_layout_set_text(m_layout, string.data(), static_cast<int>(string.size()));
    auto* description = describe(style.font);
    pango_layout_set_font_description(m_layout, description);
    pango_font_description_free(description);

    auto* list = pango_attr_list_new();
    auto paragraph = text.runs().empty() ? std::nullopt : text.runs().front().attributes.paragraphStyle;
    for (const auto& run : text.runs()) {
        auto start = static_cast<guint>(UTF16::utf8Offset(string, run.range.location));
        auto end = static_cast<guint>(UTF16::utf8Offset(string, run.range.max()));
        if (run.attributes.font) {
            auto* font = describe(*run.attributes.font);
            auto* attribute = pango_attr_font_desc_new(font);
            pango_font_description_free(font);
            attribute->start_index = start;
            attribute->end_index = end;
            pango_attr_list_insert(list, attribute);
        }
        if (run.attributes.foregroundColor)
            addColor(list, *run.attributes.foregroundColor, false, start, end);
        if (run.attributes.backgroundColor)
            addColor(list, *run.attributes.backgroundColor, true, start, end);
    }
    pango_layout_set_attributes(m_layout, list);
    pango_attr_list_unref(list);

    auto alignment = paragraph ? paragraph->alignment() : style.alignment;
    auto breaking = paragraph ? paragraph->lineBreakMode() : style.lineBreakMode;
    bool wraps = breaking == NSLineBreakMode::byWordWrapping || breaking == NSLineBreakMode::byCharWrapping;
    pango_layout_set_single_paragraph_mode(m_layout, style.singleLine);
    if (!style.width || breaking == NSLineBreakMode::byClipping || (style.singleLine && wraps)) {
        // Nothing breaks or shortens the line; alignment moves it when drawn.
        if (style.width) {
            int width = 0;
            pango_layout_get_size(m_layout, &width, nullptr);
            CGFloat slack = *style.width - static_cast<CGFloat>(width) / PANGO_SCALE;
            m_alignmentShift = alignment == NSTextAlignment::right ? slack : alignment == NSTextAlignment::center ? slack / 2 : 0;
        }
        return;
    }
    pango_layout_set_width(m_layout, static_cast<int>(std::max<CGFloat>(0, *style.width) * PANGO_SCALE));
    pango_layout_set_alignment(m_layout, pangoAlignment(alignment));
    pango_layout_set_justify(m_layout, alignment == NSTextAlignment::justified);
    switch (breaking) {
    case NSLineBreakMode::byCharWrapping: pango_layout_set_wrap(m_layout, PANGO_WRAP_CHAR); break;
    case NSLineBreakMode::byTruncatingHead: pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_START); break;
    case NSLineBreakMode::byTruncatingTail: pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_END); break;
    case NSLineBreakMode::byTruncatingMiddle: pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_MIDDLE); break;
    default: pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR); break;
    }
    if (pango_layout_get_ellipsize(m_layout) != PANGO_ELLIPSIZE_NONE)
        pango_layout_set_height(m_layout, style.singleLine ? 0 : -1);
}

TextLayout::~TextLayout()
{
    g_object_unref(m_layout);
}

CGSize TextLayout::size() const
{
    PangoRectangle logical{};
    pango_layout_get_extents(m_layout, nullptr, &logical);
    return {static_cast<CGFloat>(logical.width) / PANGO_SCALE, static_cast<CGFloat>(logical.height) / PANGO_SCALE};
}

int TextLayout::unknownGlyphCount() const
{
    return pango_layout_get_unknown_glyphs_count(m_layout);
}

void TextLayout::draw(NSGraphicsContext& context, const CGRect& rect) const
{
    cairo_t* cr = context.cgContext();
    context.addUnknownGlyphs(unknownGlyphCount());
    double dx = 0, dy = 1;
    cairo_user_to_device_distance(cr, &dx, &dy);
    bool yUp = dy < 0;
    cairo_save(cr);
    cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
    cairo_clip(cr);
    if (yUp) {
        cairo_translate(cr, rect.minX(), rect.maxY());
        cairo_scale(cr, 1, -1);
    } else {
        cairo_translate(cr, rect.minX(), rect.minY());
    }
    cairo_translate(cr, m_alignmentShift, 0);
    cairo_set_source_rgba(cr, m_color.redComponent(), m_color.greenComponent(), m_color.blueComponent(),
                          m_color.alphaComponent());
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, m_layout);
    noteInk(context);
    cairo_restore(cr);
}

void TextLayout::noteInk(NSGraphicsContext& context) const
{
    cairo_t* cr = context.cgContext();
    double clip[4];
    cairo_clip_extents(cr, &clip[0], &clip[1], &clip[2], &clip[3]);
    // Line by line: a paragraph's box would hold much empty room.
    PangoLayoutIter* lines = pango_layout_get_iter(m_layout);
    do {
        PangoRectangle ink{};
        pango_layout_iter_get_line_extents(lines, &ink, nullptr);
        double left = std::max<double>(clip[0], static_cast<double>(ink.x) / PANGO_SCALE);
        double top = std::max<double>(clip[1], static_cast<double>(ink.y) / PANGO_SCALE);
        double right = std::min<double>(clip[2], static_cast<double>(ink.x + ink.width) / PANGO_SCALE);
        double bottom = std::min<double>(clip[3], static_cast<double>(ink.y + ink.height) / PANGO_SCALE);
        if (right <= left || bottom <= top)
            continue;
        double xs[] = {left, right, left, right};
        double ys[] = {top, top, bottom, bottom};
        for (int corner = 0; corner < 4; ++corner)
            cairo_user_to_device(cr, &xs[corner], &ys[corner]);
        auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
        auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
        context.addTextRect({*minX, *minY, *maxX - *minX, *maxY - *minY});
    } while (pango_layout_iter_next_line(lines));
    pango_layout_iter_free(lines);
}
