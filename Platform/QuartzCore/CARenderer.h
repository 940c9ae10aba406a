#pragma once

#include <functional>

#include "Platform/QuartzCore/CGGeometry.h"

typedef struct _cairo cairo_t;
class CALayer;
class CGPath;

// Draws layers with cairo as they look at a media time: background, content,
// sublayers, then the border on top, each layer through its transform and
// opacity. The caller's user space is the superlayer's bounds space, y up.
class CARenderer {
public:
    // Draws the layer's own content between its background and its sublayers:
    // a view's drawing for a view's layer.
    using Content = std::function<void(cairo_t*)>;

    static void render(const CALayer& layer, cairo_t* cr, CFTimeInterval time, const Content& content = {});
    // The same with the user space already the layer's bounds space: how a
    // view's own layer is drawn, its geometry being the view's.
    static void drawLayer(const CALayer& layer, cairo_t* cr, CFTimeInterval time, const Content& content = {});

    // A path into cairo's current path, replacing it.
    static void addPath(cairo_t* cr, const CGPath& path);
    // The part of the path between the fractions `start` and `end` of its
    // length, as straight pieces, into cairo's current path.
    static void addPathPart(cairo_t* cr, const CGPath& path, CGFloat start, CGFloat end);
    static void addRoundedRect(cairo_t* cr, const CGRect& rect, CGFloat radius);
};
