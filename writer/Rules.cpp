// Rules: one VML line per rule, as long as the rule's longer side and as thick as its
// shorter one, drawn down the middle of the rule.
#include "writer/SlideWriter.h"

void SlideWriter::OnRule(std::int32_t height, std::int32_t width) {
    // A DVI rule covers h .. h + b across and v - a .. v upwards from the baseline v.
    const double f = pointsPerUnit;
    const double a = height, b = width;
    double fromX, fromY, toX, toY, weight;
    if (b > a) {
        fromX = h * f + offsetX;
        fromY = (v - a * 0.5) * f + offsetY;
        toX = (h + b) * f + offsetX;
        toY = fromY;
        weight = a * f;
    } else {
        fromX = (h + b * 0.5) * f + offsetX;
        fromY = (v - a) * f + offsetY;
        toX = fromX;
        toY = v * f + offsetY;
        weight = b * f;
    }

    out.Text("<v:line id=3D'_x0000_s").Text(shapeNumber.Text());
    out.Text("' style=3D'position:absolute' from=3D\"").Number(fromX).Text("pt,").Number(fromY);
    out.Text("pt\" to=3D\"").Number(toX).Text("pt,").Number(toY);
    out.Text("pt\" strokecolor=3D'");
    if (const RgbColour* colour = CurrentColour()) {
        out.Text("#").Hex(colour->r).Hex(colour->g).Hex(colour->b);
    } else {
        out.Text("black [1]");
    }
    out.Text("' strokeweight=3D'").Number(weight);
    out.Text("pt'><v:shadow color=3D'gray [2]'/></v:line>").EndLine();
    shapeNumber.Next();
}
