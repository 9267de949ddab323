// Writing a slide's shape tree in DrawingML.
#include "pptx/shapes/SlideShapes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "pptx/XmlText.h"

namespace {

constexpr std::string_view slideStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<p:sld xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"><p:cSld>";
constexpr std::string_view shapeTreeStart =
    "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/>"
    "</p:nvGrpSpPr><p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";
constexpr std::string_view slideEnd =
    "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";

// Freeform paths count in hundredths of a big point, 127 EMU: a hundred times finer than
// a pixel of a 144 dpi rendering, and numbers two digits shorter than EMU would give.
constexpr std::int64_t pathUnit = 127;

std::int64_t FloorToUnit(std::int64_t emu) {
    const std::int64_t units = emu / pathUnit - (emu % pathUnit < 0 ? 1 : 0);
    return units * pathUnit;
}
// A non-negative distance in EMU as whole path units, rounded to the nearest.
std::int64_t ToUnits(std::int64_t emu) {
    return (emu + pathUnit / 2) / pathUnit;
}

// The markup of each outline step, by GlyphOutline::Step, and how many points it takes.
struct StepMarkup {
    std::string_view open, close;
    int points;
};
constexpr StepMarkup stepMarkup[] = {
    {"<a:moveTo>", "</a:moveTo>", 1},
    {"<a:lnTo>", "</a:lnTo>", 1},
    {"<a:cubicBezTo>", "</a:cubicBezTo>", 3},
    {"<a:close/>", "", 0},
};

void AppendInteger(std::string& xml, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    xml.append(digits, end);
}

void AppendPoint(std::string& xml, std::int64_t x, std::int64_t y) {
    xml += "<a:pt x=\"";
    AppendInteger(xml, x);
    xml += "\" y=\"";
    AppendInteger(xml, y);
    xml += "\"/>";
}

void AppendColour(std::string& xml, RgbColour colour, std::int32_t opacity = opaque) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const char text[] = {hex[colour.r >> 4], hex[colour.r & 15], hex[colour.g >> 4],
                         hex[colour.g & 15], hex[colour.b >> 4], hex[colour.b & 15]};
    xml += "<a:srgbClr val=\"";
    xml.append(text, sizeof text);
    if (opacity >= opaque) {
        xml += "\"/>";
        return;
    }
    xml += "\"><a:alpha val=\"";
    AppendInteger(xml, opacity);
    xml += "\"/></a:srgbClr>";
}

void AppendFill(std::string& xml, RgbColour colour, std::int32_t opacity = opaque) {
    xml += "<a:solidFill>";
    AppendColour(xml, colour, opacity);
    xml += "</a:solidFill>";
}

}  // namespace

void SlideShapes::ShapeStart(std::string_view kind, const SlideLink* link) {
    // Shape ids start at 2: the shape tree itself is 1.
    ++shapeCount;
    shapes += "<p:sp><p:nvSpPr><p:cNvPr id=\"";
    AppendInteger(shapes, std::int64_t{shapeCount} + 1);
    shapes += "\" name=\"";
    shapes += kind;
    shapes += ' ';
    AppendInteger(shapes, shapeCount);
    if (link == nullptr) {
        shapes += "\"/>";
        return;
    }
    shapes += "\">";
    Click(*link);
    shapes += "</p:cNvPr>";
}

void SlideShapes::Box(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height,
                      std::int64_t rotation) {
    shapes += "<a:xfrm";
    if (rotation != 0) {
        shapes += " rot=\"";
        AppendInteger(shapes, rotation);
        shapes += '"';
    }
    shapes += "><a:off x=\"";
    AppendInteger(shapes, left);
    shapes += "\" y=\"";
    AppendInteger(shapes, top);
    shapes += "\"/><a:ext cx=\"";
    AppendInteger(shapes, width);
    shapes += "\" cy=\"";
    AppendInteger(shapes, height);
    shapes += "\"/></a:xfrm>";
}

void SlideShapes::Pending(RgbColour colour, std::int32_t opacity, std::int64_t stroke) {
    if (!paths.empty() &&
        (!(colour == pathColour) || opacity != pathOpacity || stroke != pathStroke))
        WriteFreeform();
    pathColour = colour;
    pathOpacity = opacity;
    pathStroke = stroke;
}

void SlideShapes::Glyph(const GlyphOutline& glyph, std::int64_t x, std::int64_t y, RgbColour colour,
                        const Affine* linear, std::int32_t opacity, std::int64_t stroke) {
    if (glyph.steps.empty() || opacity == 0) return;
    Pending(colour, opacity, std::clamp<std::int64_t>(stroke, 0, 20116800));
    if (linear == nullptr) {
        paths.push_back(Path{&glyph, x, y});
        return;
    }
    // The mapped outline lives until the freeform is written, as a rule's does.
    GlyphOutline& mapped = rules.emplace_back(glyph);
    const Affine& m = *linear;
    mapped.minX = mapped.minY = INT64_MAX;
    mapped.maxX = mapped.maxY = INT64_MIN;
    for (std::size_t i = 0; i + 1 < mapped.points.size(); i += 2) {
        const double px = double(glyph.points[i]), py = double(glyph.points[i + 1]);
        mapped.points[i] = std::llround(m[0] * px + m[2] * py);
        mapped.points[i + 1] = std::llround(m[1] * px + m[3] * py);
        mapped.minX = std::min(mapped.minX, mapped.points[i]);
        mapped.maxX = std::max(mapped.maxX, mapped.points[i]);
        mapped.minY = std::min(mapped.minY, mapped.points[i + 1]);
        mapped.maxY = std::max(mapped.maxY, mapped.points[i + 1]);
    }
    paths.push_back(Path{&mapped, x, y});
}

void SlideShapes::Rectangle(std::int64_t left, std::int64_t top, std::int64_t right,
                            std::int64_t bottom, RgbColour colour, const Affine* linear,
                            std::int32_t opacity) {
    if (opacity == 0) return;
    // A rule is drawn as a glyph of its own: its outline, with its origin at its
    // bottom left corner, lives until the freeform is written.
    using Step = GlyphOutline::Step;
    const std::int64_t width = right - left, height = bottom - top;
    GlyphOutline rule;
    rule.steps = {Step::Move, Step::Line, Step::Line, Step::Line, Step::Close};
    rule.points = {0, -height, width, -height, width, 0, 0, 0};
    rule.minY = -height;
    rule.maxX = width;
    Pending(colour, opacity);  // first: a change of colour writes the freeform and its rules
    if (linear != nullptr) {
        Glyph(rule, left, bottom, colour, linear, opacity);  // which keeps the mapped copy
        return;
    }
    paths.push_back(Path{&rules.emplace_back(std::move(rule)), left, bottom});
}

SlideShapes::PathSpace SlideShapes::FreeformStart(std::string_view kind, std::int64_t left,
                                                  std::int64_t top, std::int64_t right,
                                                  std::int64_t bottom) {
    // The shape's box holds every point of its paths, on a grid of path units; the
    // farthest points fall on the far edges. A path space of zero width or height would
    // divide by zero in a reader.
    PathSpace space{FloorToUnit(left), FloorToUnit(top), 0, 0};
    space.width = std::max<std::int64_t>(ToUnits(right - space.left), 1);
    space.height = std::max<std::int64_t>(ToUnits(bottom - space.top), 1);
    ShapeStart(kind);
    shapes += "<p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>";
    Box(space.left, space.top, space.width * pathUnit, space.height * pathUnit);
    shapes +=
        "<a:custGeom><a:avLst/><a:gdLst/><a:ahLst/><a:cxnLst/>"
        "<a:rect l=\"l\" t=\"t\" r=\"r\" b=\"b\"/><a:pathLst>";
    return space;
}

void SlideShapes::WriteFreeform() {
    std::int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (const Path& path : paths) {
        left = std::min(left, path.left + path.glyph->minX);
        top = std::min(top, path.top + path.glyph->minY);
        right = std::max(right, path.left + path.glyph->maxX);
        bottom = std::max(bottom, path.top + path.glyph->maxY);
    }
    const PathSpace space = FreeformStart("Freeform", left, top, right, bottom);
    left = space.left;
    top = space.top;
    const std::string pathStart = "<a:path w=\"" + std::to_string(space.width) + "\" h=\"" +
                                  std::to_string(space.height) +
                                  (pathStroke > 0 ? "\">" : "\" stroke=\"0\">");
    for (const Path& path : paths) {
        shapes += pathStart;
        const std::int64_t* point = path.glyph->points.data();
        for (const GlyphOutline::Step step : path.glyph->steps) {
            const StepMarkup& markup = stepMarkup[static_cast<std::size_t>(step)];
            shapes += markup.open;
            for (int i = 0; i < markup.points; ++i, point += 2) {
                // The point in EMU from the glyph's origin, as path units from the corner.
                AppendPoint(shapes, ToUnits(path.left + point[0] - left),
                            ToUnits(path.top + point[1] - top));
            }
            shapes += markup.close;
        }
        shapes += "</a:path>";
    }
    shapes += "</a:pathLst></a:custGeom>";
    AppendFill(shapes, pathColour, pathOpacity);
    if (pathStroke > 0) {
        shapes += "<a:ln w=\"";
        AppendInteger(shapes, pathStroke);
        shapes += "\">";
        AppendFill(shapes, pathColour, pathOpacity);
        shapes += "</a:ln></p:spPr></p:sp>";
    } else {
        shapes += "<a:ln><a:noFill/></a:ln></p:spPr></p:sp>";
    }
    paths.clear();
    rules.clear();
}

void SlideShapes::PathFreeformStart(const PaintPath& path, std::string_view pathAttributes,
                                    bool closeSubpaths) {
    if (!paths.empty()) WriteFreeform();
    const std::optional<Extent> bounds = Bounds(path);
    const PathSpace space =
        FreeformStart("Drawing", std::llround(bounds->left), std::llround(bounds->top),
                      std::llround(bounds->right), std::llround(bounds->bottom));
    const std::int64_t left = space.left, top = space.top;
    shapes += "<a:path w=\"";
    AppendInteger(shapes, space.width);
    shapes += "\" h=\"";
    AppendInteger(shapes, space.height);
    shapes += '"';
    shapes += pathAttributes;
    shapes += '>';
    const double* point = path.points.data();
    bool open = false;  // a filled subpath is closed, as PostScript fills it
    for (const PaintPath::Op op : path.ops) {
        if (op == PaintPath::Op::Move && open && closeSubpaths) shapes += "<a:close/>";
        const StepMarkup& markup = stepMarkup[static_cast<std::size_t>(op)];
        shapes += markup.open;
        for (int i = 0; i < markup.points; ++i, point += 2)
            AppendPoint(shapes, ToUnits(std::llround(point[0]) - left),
                        ToUnits(std::llround(point[1]) - top));
        shapes += markup.close;
        open = op != PaintPath::Op::Close;
    }
    if (open && closeSubpaths) shapes += "<a:close/>";
    shapes += "</a:path></a:pathLst></a:custGeom>";
}

void SlideShapes::Blip(std::int32_t opacity) {
    shapes += "<a:blip r:embed=\"rIm";
    AppendInteger(shapes, std::int64_t(pictures.size()));
    if (opacity < opaque) {
        shapes += "\"><a:alphaModFix amt=\"";
        AppendInteger(shapes, opacity);
        shapes += "\"/></a:blip>";
    } else {
        shapes += "\"/>";
    }
}

void SlideShapes::Picture(const PaintPath& path, std::string png, std::int32_t opacity) {
    if (path.Empty() || png.empty() || opacity == 0) return;
    pictures.push_back({std::make_shared<const std::string>(std::move(png)), "png"});
    PathFreeformStart(path, " stroke=\"0\"", true);
    shapes += "<a:blipFill rotWithShape=\"1\">";
    Blip(opacity);
    shapes +=
        "<a:stretch><a:fillRect/></a:stretch></a:blipFill>"
        "<a:ln><a:noFill/></a:ln></p:spPr></p:sp>";
}

void SlideShapes::Drawing(const PaintPath& path, const DrawingStyle& style) {
    if (path.Empty()) return;
    const bool filled = style.fill != nullptr || style.gradient != nullptr;
    PathFreeformStart(path, filled ? (style.line ? "" : " stroke=\"0\"") : " fill=\"none\"",
                      filled);
    if (style.gradient != nullptr) {
        shapes += "<a:gradFill rotWithShape=\"1\"><a:gsLst>";
        for (const auto& [position, colour] : style.gradient->stops) {
            shapes += "<a:gs pos=\"";
            AppendInteger(shapes,
                          std::clamp<std::int64_t>(std::llround(position * 100000), 0, 100000));
            shapes += "\">";
            AppendColour(shapes, colour, style.opacity);
            shapes += "</a:gs>";
        }
        shapes += "</a:gsLst><a:lin ang=\"";
        const std::int64_t fullTurn = 21600000;  // in 60000ths of a degree
        AppendInteger(
            shapes, (std::llround(style.gradient->angle * 60000) % fullTurn + fullTurn) % fullTurn);
        shapes += "\" scaled=\"0\"/></a:gradFill>";
    } else if (style.fill != nullptr) {
        AppendFill(shapes, *style.fill, style.opacity);
    } else {
        shapes += "<a:noFill/>";
    }
    if (style.line == nullptr) {
        shapes += "<a:ln><a:noFill/></a:ln></p:spPr></p:sp>";
        return;
    }
    // PostScript's thinnest line is a device pixel: here a quarter of a point.
    const StrokeStyle& line = *style.line;
    const double lineWidth = std::max(line.width, 3175.0);
    static constexpr std::string_view caps[] = {"flat", "rnd", "sq"};
    shapes += "<a:ln w=\"";
    AppendInteger(shapes, std::min<std::int64_t>(std::llround(lineWidth), 20116800));
    shapes += "\" cap=\"";
    shapes += caps[static_cast<std::size_t>(line.cap)];
    shapes += "\">";
    AppendFill(shapes, style.lineColour, style.opacity);
    if (!line.dash.empty()) {
        // Dashes and gaps in thousandths of a percent of the line's width; an odd
        // pattern repeats to make pairs.
        shapes += "<a:custDash>";
        const std::size_t count =
            line.dash.size() % 2 == 0 ? line.dash.size() : 2 * line.dash.size();
        const auto share = [&](double emu) {
            return std::clamp<std::int64_t>(std::llround(emu / lineWidth * 100000), 0, 2147483647);
        };
        for (std::size_t i = 0; i < count; i += 2) {
            shapes += "<a:ds d=\"";
            AppendInteger(shapes, share(line.dash[i % line.dash.size()]));
            shapes += "\" sp=\"";
            AppendInteger(shapes, share(line.dash[(i + 1) % line.dash.size()]));
            shapes += "\"/>";
        }
        shapes += "</a:custDash>";
    }
    if (line.join == 1) {
        shapes += "<a:round/>";
    } else if (line.join == 2) {
        shapes += "<a:bevel/>";
    } else {
        shapes += "<a:miter lim=\"";
        AppendInteger(shapes, std::clamp<std::int64_t>(std::llround(line.miterLimit * 100000), 0,
                                                       2147483647));
        shapes += "\"/>";
    }
    shapes += "</a:ln></p:spPr></p:sp>";
}

void SlideShapes::Click(const SlideLink& link) {
    shapes += "<a:hlinkClick r:id=\"rId";
    AppendInteger(shapes, link.relationship);
    shapes += link.toSlide ? "\" action=\"ppaction://hlinksldjump\"/>" : "\"/>";
}

void SlideShapes::Underlay(std::size_t from, RgbColour cover, std::int64_t width,
                           std::int64_t height) {
    if (!paths.empty()) WriteFreeform();
    if (from >= shapes.size()) return;
    // The cover is written at the end, then what came before `from` moves after it, in
    // place (a page's shapes may be large).
    ShapeStart("Cover");
    shapes += "<p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>";
    Box(0, 0, std::max<std::int64_t>(width, 1), std::max<std::int64_t>(height, 1));
    shapes += "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>";
    AppendFill(shapes, cover);
    shapes += "<a:ln><a:noFill/></a:ln></p:spPr></p:sp>";
    // [before from][layer][cover] -> [layer][cover][before from]
    std::rotate(shapes.begin(), shapes.begin() + std::ptrdiff_t(from), shapes.end());
}

void SlideShapes::TextLine(std::int64_t left, std::int64_t top, std::int64_t width,
                           std::int64_t height, const std::vector<TextRun>& runs,
                           std::int64_t rotation) {
    if (!paths.empty()) WriteFreeform();
    ShapeStart("Text");
    shapes += "<p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr>";
    Box(left, top, std::max<std::int64_t>(width, 1), std::max<std::int64_t>(height, 1), rotation);
    shapes +=
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr>"
        "<p:txBody><a:bodyPr wrap=\"none\" lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\">"
        "<a:noAutofit/></a:bodyPr><a:lstStyle/><a:p>";
    for (const TextRun& run : runs) {
        shapes += "<a:r><a:rPr sz=\"";
        AppendInteger(shapes, run.size);
        if (run.bold) shapes += "\" b=\"1";
        if (run.italic) shapes += "\" i=\"1";
        if (run.spacing != 0) {
            shapes += "\" spc=\"";
            AppendInteger(shapes, run.spacing);
        }
        shapes += "\">";
        if (run.ink != nullptr) {
            AppendFill(shapes, *run.ink);
        } else {
            shapes += "<a:noFill/>";
        }
        shapes += "<a:latin typeface=\"";
        shapes += run.typeface;
        shapes += "\"/>";
        shapes += "</a:rPr><a:t>";
        AppendEscaped(shapes, run.text);
        shapes += "</a:t></a:r>";
    }
    shapes += "</a:p></p:txBody></p:sp>";
}

void SlideShapes::LinkArea(std::int64_t left, std::int64_t top, std::int64_t width,
                           std::int64_t height, const SlideLink& link) {
    if (!paths.empty()) WriteFreeform();
    ShapeStart("Link", &link);
    shapes += "<p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr>";
    Box(left, top, std::max<std::int64_t>(width, 1), std::max<std::int64_t>(height, 1));
    shapes +=
        "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/><a:ln><a:noFill/></a:ln>"
        "</p:spPr></p:sp>";
}

std::string SlideShapes::Finish(const RgbColour* background) {
    if (!paths.empty()) WriteFreeform();
    std::string slide;
    slide.reserve(slideStart.size() + shapeTreeStart.size() + shapes.size() + 200);
    slide += slideStart;
    if (background != nullptr) {
        slide += "<p:bg><p:bgPr>";
        AppendFill(slide, *background);
        slide += "<a:effectLst/></p:bgPr></p:bg>";
    }
    slide += shapeTreeStart;
    slide += shapes;
    slide += slideEnd;
    shapes.clear();
    shapeCount = 0;
    return slide;
}

void SlideShapes::FilePicture(std::shared_ptr<const std::string> bytes, std::string extension,
                              const Affine& placement,
                              const std::optional<std::array<double, 4>>& crop,
                              std::int32_t opacity) {
    if (!bytes || bytes->empty() || opacity == 0) return;
    if (!paths.empty()) WriteFreeform();
    // The part shown, and where its corners go.
    const std::array<double, 4> part = crop.value_or(std::array<double, 4>{0, 0, 1, 1});
    const auto [a, b, c, d, e, f] = placement;
    const double ex = e + a * part[0] + c * part[1], ey = f + b * part[0] + d * part[1];
    const double ux = a * (part[2] - part[0]), uy = b * (part[2] - part[0]);  // across
    const double wx = c * (part[3] - part[1]), wy = d * (part[3] - part[1]);  // down
    const double width = std::hypot(ux, uy), height = std::hypot(wx, wy);
    if (!(width >= 1 && height >= 1) || !std::isfinite(ex + ey)) return;
    // A rectangle turned about its centre; rows that run upwards flip it.
    const bool flipped = ux * wy - uy * wx < 0;
    const double angle = std::atan2(uy, ux) * 180 / std::numbers::pi;
    const std::int64_t rotation = (std::llround(angle * 60000) % 21600000 + 21600000) % 21600000;
    const double cx = ex + (ux + wx) / 2, cy = ey + (uy + wy) / 2;
    pictures.push_back({std::move(bytes), std::move(extension)});
    ++shapeCount;
    shapes += "<p:pic><p:nvPicPr><p:cNvPr id=\"";
    AppendInteger(shapes, std::int64_t{shapeCount} + 1);
    shapes += "\" name=\"Picture ";
    AppendInteger(shapes, shapeCount);
    shapes +=
        "\"/><p:cNvPicPr><a:picLocks noChangeAspect=\"1\"/></p:cNvPicPr><p:nvPr/></p:nvPicPr>"
        "<p:blipFill>";
    Blip(opacity);
    if (crop) {
        // In thousandths of a percent, from each edge.
        const auto share = [](double value) {
            return std::llround(std::clamp(value, -1.0, 2.0) * 100000);
        };
        shapes += "<a:srcRect l=\"";
        AppendInteger(shapes, share(part[0]));
        shapes += "\" t=\"";
        AppendInteger(shapes, share(part[1]));
        shapes += "\" r=\"";
        AppendInteger(shapes, share(1 - part[2]));
        shapes += "\" b=\"";
        AppendInteger(shapes, share(1 - part[3]));
        shapes += "\"/>";
    }
    shapes += "<a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr><a:xfrm";
    if (rotation != 0) {
        shapes += " rot=\"";
        AppendInteger(shapes, rotation);
        shapes += '"';
    }
    if (flipped) shapes += " flipV=\"1\"";
    shapes += "><a:off x=\"";
    AppendInteger(shapes, std::llround(cx - width / 2));
    shapes += "\" y=\"";
    AppendInteger(shapes, std::llround(cy - height / 2));
    shapes += "\"/><a:ext cx=\"";
    AppendInteger(shapes, std::llround(width));
    shapes += "\" cy=\"";
    AppendInteger(shapes, std::llround(height));
    shapes += "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
}
