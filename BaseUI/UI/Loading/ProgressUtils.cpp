#include "BaseUI/UI/Loading/ProgressUtils.h"

#include <cstdio>
#include <cstdlib>

CGMutablePath cgPath(const NSBezierPath& path)
{
    CGMutablePath result;
    for (size_t index = 0; index < path.elementCount(); ++index) {
        CGPoint points[3];
        switch (path.element(index, points)) {
        case NSBezierPath::ElementType::moveTo: result.move(points[0]); break;
        case NSBezierPath::ElementType::lineTo: result.addLine(points[0]); break;
        case NSBezierPath::ElementType::curveTo: result.addCurve(points[2], points[0], points[1]); break;
        case NSBezierPath::ElementType::closePath: result.closeSubpath(); break;
        default:
            std::fputs("不存在的枚举\n", stderr);
            std::abort();
        }
    }
    return result;
}
