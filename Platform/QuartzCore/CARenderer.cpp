#include "Platform/QuartzCore/CARenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CAShapeLayer.h"

namespace {

void setColor(cairo_t* cr, const CGColor& color)
{
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

cairo_matrix_t matrixOf(const CGAffineTransform& t)
{
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return matrix;
}

// Into the layer's bounds space from its superlayer's.
void enterLayer(const CALayer& layer, cairo_t* cr, CFTimeInterval time)
{
    const auto& bounds = layer.bounds();
    cairo_translate(cr, layer.position().x, layer.position().y);
    auto transform = layer.presentationTransform(time);
    if (!transform.isIdentity()) {
        auto matrix = matrixOf(transform);
        cairo_transform(cr, &matrix);
    }
    cairo_translate(cr, -layer.anchorPoint().x * bounds.size.width - bounds.origin.x,
                    -layer.anchorPoint().y * bounds.size.height - bounds.origin.y);
}

cairo_line_cap_t capOf(CAShapeLayerLineCap cap)
{
    switch (cap) {
    case CAShapeLayerLineCap::round: return CAIRO_LINE_CAP_ROUND;
    case CAShapeLayerLineCap::square: return CAIRO_LINE_CAP_SQUARE;
    case CAShapeLayerLineCap::butt: break;
    }
    return CAIRO_LINE_CAP_BUTT;
}

void drawShape(const CAShapeLayer& shape, cairo_t* cr, CFTimeInterval time)
{
    if (!shape.path())
        return;
    if (shape.fillColor() && shape.fillColor()->alpha > 0) {
        CARenderer::addPath(cr, *shape.path());
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        setColor(cr, *shape.fillColor());
        cairo_fill(cr);
    }
    CGFloat width = shape.presentationValue("lineWidth", time);
    if (!shape.strokeColor() || width <= 0)
        return;
    CGFloat start = std::clamp(shape.presentationValue("strokeStart", time), 0.0, 1.0);
    CGFloat end = std::clamp(shape.presentationValue("strokeEnd", time), 0.0, 1.0);
    if (end <= start)
        return;
    if (start == 0 && end == 1)
        CARenderer::addPath(cr, *shape.path());
    else
        CARenderer::addPathPart(cr, *shape.path(), start, end);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, capOf(shape.lineCap()));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    setColor(cr, *shape.strokeColor());
    cairo_stroke(cr);
}

// A subpath as a polyline: curves cut into pieces short enough that the chord
// stays within a hundredth of a point of the curve at the sizes drawn here.
struct Polyline {
    std::vector<CGPoint> points;
    bool closed = false;
};

CGPoint cubicPoint(CGPoint p0, CGPoint p1, CGPoint p2, CGPoint p3, CGFloat s)
{
    CGFloat r = 1 - s;
    return {r * r * r * p0.x + 3 * r * r * s * p1.x + 3 * r * s * s * p2.x + s * s * s * p3.x,
            r * r * r * p0.y + 3 * r * r * s * p1.y + 3 * r * s * s * p2.y + s * s * s * p3.y};
}

CGFloat distance(CGPoint a, CGPoint b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

std::vector<Polyline> flatten(const CGPath& path)
{
    std::vector<Polyline> lines;
    CGPoint current{}, start{};
    auto continueLine = [&]() -> Polyline& {
        if (lines.empty() || lines.back().closed)
            lines.push_back({{current}});
        return lines.back();
    };
    for (const auto& element : path.elements()) {
        const auto& p = element.points;
        switch (element.type) {
        case CGPath::ElementType::moveToPoint:
            current = start = p[0];
            lines.push_back({{current}});
            break;
        case CGPath::ElementType::addLineToPoint:
            continueLine().points.push_back(p[0]);
            current = p[0];
            break;
        case CGPath::ElementType::addQuadCurveToPoint:
        case CGPath::ElementType::addCurveToPoint: {
            bool quad = element.type == CGPath::ElementType::addQuadCurveToPoint;
            CGPoint c1 = quad ? CGPoint{current.x + 2.0 / 3 * (p[0].x - current.x), current.y + 2.0 / 3 * (p[0].y - current.y)} : p[0];
            CGPoint end = quad ? p[1] : p[2];
            CGPoint c2 = quad ? CGPoint{end.x + 2.0 / 3 * (p[0].x - end.x), end.y + 2.0 / 3 * (p[0].y - end.y)} : p[1];
            CGFloat hull = distance(current, c1) + distance(c1, c2) + distance(c2, end);
            int pieces = std::clamp(static_cast<int>(std::ceil(std::sqrt(hull * 4))), 4, 256);
            auto& line = continueLine();
            for (int i = 1; i <= pieces; ++i)
                line.points.push_back(cubicPoint(current, c1, c2, end, static_cast<CGFloat>(i) / pieces));
            current = end;
            break;
        }
        case CGPath::ElementType::closeSubpath:
            if (!lines.empty() && !lines.back().closed) {
                lines.back().points.push_back(start);
                lines.back().closed = true;
            }
            current = start;
            break;
        }
    }
    return lines;
}

}  // namespace

void CARenderer::render(const CALayer& layer, cairo_t* cr, CFTimeInterval time, const Content& content)
{
    if (layer.isHidden())
        return;
    cairo_save(cr);
    enterLayer(layer, cr, time);
    drawLayer(layer, cr, time, content);
    cairo_restore(cr);
}

void CARenderer::drawLayer(const CALayer& layer, cairo_t* cr, CFTimeInterval time, const Content& content)
{
    CGFloat opacity = layer.presentationValue("opacity", time);
    if (layer.isHidden() || opacity <= 0)
        return;
    cairo_save(cr);
    if (opacity < 1)
        cairo_push_group(cr);
    CGRect bounds = layer.bounds();
    CGFloat radius = layer.presentationValue("cornerRadius", time);
    if (layer.backgroundColor()) {
        addRoundedRect(cr, bounds, radius);
        setColor(cr, *layer.backgroundColor());
        cairo_fill(cr);
    }
    cairo_save(cr);
    if (layer.masksToBounds()) {
        addRoundedRect(cr, bounds, radius);
        cairo_clip(cr);
    }
    if (content)
        content(cr);
    if (auto shape = dynamic_cast<const CAShapeLayer*>(&layer))
        drawShape(*shape, cr, time);
    for (const auto& sublayer : layer.sublayers())
        render(*sublayer, cr, time);
    cairo_restore(cr);
    CGFloat borderWidth = layer.presentationValue("borderWidth", time);
    if (layer.borderColor() && borderWidth > 0) {
        // The border lies inside the bounds, as on the platform.
        addRoundedRect(cr, bounds.insetBy(borderWidth / 2, borderWidth / 2), std::max<CGFloat>(0, radius - borderWidth / 2));
        cairo_set_line_width(cr, borderWidth);
        setColor(cr, *layer.borderColor());
        cairo_stroke(cr);
    }
    if (opacity < 1) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, opacity);
    }
    cairo_restore(cr);
}

void CARenderer::addPath(cairo_t* cr, const CGPath& path)
{
    cairo_new_path(cr);
    for (const auto& element : path.elements()) {
        const auto& p = element.points;
        switch (element.type) {
        case CGPath::ElementType::moveToPoint: cairo_move_to(cr, p[0].x, p[0].y); break;
        case CGPath::ElementType::addLineToPoint: cairo_line_to(cr, p[0].x, p[0].y); break;
        case CGPath::ElementType::addQuadCurveToPoint: {
            double x = 0, y = 0;
            cairo_get_current_point(cr, &x, &y);
            cairo_curve_to(cr, x + 2.0 / 3 * (p[0].x - x), y + 2.0 / 3 * (p[0].y - y), p[1].x + 2.0 / 3 * (p[0].x - p[1].x),
                           p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
            break;
        }
        case CGPath::ElementType::addCurveToPoint:
            cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case CGPath::ElementType::closeSubpath: cairo_close_path(cr); break;
        }
    }
}

void CARenderer::addPathPart(cairo_t* cr, const CGPath& path, CGFloat start, CGFloat end)
{
    cairo_new_path(cr);
    auto lines = flatten(path);
    CGFloat total = 0;
    for (const auto& line : lines) {
        for (size_t i = 1; i < line.points.size(); ++i)
            total += distance(line.points[i - 1], line.points[i]);
    }
    CGFloat from = start * total, to = end * total, walked = 0;
    for (const auto& line : lines) {
        bool drawing = false;
        for (size_t i = 1; i < line.points.size(); ++i) {
            CGPoint a = line.points[i - 1], b = line.points[i];
            CGFloat length = distance(a, b);
            CGFloat segmentStart = walked, segmentEnd = walked + length;
            walked = segmentEnd;
            if (segmentEnd <= from || segmentStart >= to || length == 0)
                continue;
            auto at = [&](CGFloat position) {
                CGFloat s = (position - segmentStart) / length;
                return CGPoint{a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s};
            };
            CGPoint first = at(std::max(from, segmentStart));
            CGPoint last = at(std::min(to, segmentEnd));
            if (!drawing) {
                cairo_move_to(cr, first.x, first.y);
                drawing = true;
            }
            cairo_line_to(cr, last.x, last.y);
        }
    }
}

void CARenderer::addRoundedRect(cairo_t* cr, const CGRect& rect, CGFloat radius)
{
    cairo_new_path(cr);
    radius = std::min({radius, rect.width() / 2, rect.height() / 2});
    if (radius <= 0) {
        cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
        return;
    }
    double left = rect.minX(), right = rect.maxX(), bottom = rect.minY(), top = rect.maxY();
    cairo_new_sub_path(cr);
    cairo_arc(cr, right - radius, bottom + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, right - radius, top - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, left + radius, top - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, left + radius, bottom + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}
