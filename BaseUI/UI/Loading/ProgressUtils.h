#pragma once

#include "Platform/AppKit/NSBezierPath.h"
#include "Platform/QuartzCore/CGPath.h"

// A Bézier path as a Core Graphics path, element by element.
CGMutablePath cgPath(const NSBezierPath& path);
