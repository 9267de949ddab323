// The package frame: header, main document, presentation part, the opening and
// closing of every slide document with its page frame, and the trailer.
#include "writer/SlideWriter.h"

#include "writer/PackageText.h"

SlideWriter::SlideWriter(const std::string& dviName, const std::string& mhtName) {
    Open(dviName);
    out.Create(mhtName);
    // num / den gives a DVI unit in units of 10^-7 m; 72 / 254000 turns those into points.
    pointsPerUnit = (double(num) / double(den)) * (double(mag) * 0.001) * 0.0002834645669291339;
    topEdges.SetScale(pointsPerUnit, offsetY);
    PrepareTextBoxes();
}

SlideWriter::~SlideWriter() {
    out.Close();
    colourStack.clear();
}

void SlideWriter::Run() {
    WriteHeader();
    ReadPages();
    WriteTrailer();
}

void SlideWriter::WriteHeader() {
    WriteLines(package::header);
    out.Text(package::htmlStartTag).EndLine();
    WriteLines(package::mainDocumentAndPresentation);
    // The slide list follows the postamble's page count, not the pages walked later.
    for (std::uint32_t i = 1; i <= totalPages; ++i) {
        out.Text("        <p:slide id=3D\"").Integer(i).Text("\" href=3D\"slide").FourDigits(i);
        out.Text(".htm\"/>").EndLine();
    }
    WriteLines(package::presentationEnd);
}

void SlideWriter::WriteTrailer() {
    out.EndLine();
    out.Text(package::boundary).Text("--").EndLine();
}

void SlideWriter::OnBeginPage(std::int32_t n) {
    out.Text(package::boundary).EndLine();
    out.Text("Content-Location: file:///C:/91765DE5/deckgen_files/slide")
        .FourDigits(static_cast<std::uint32_t>(n))
        .Text(".htm")
        .EndLine();
    out.Text(package::quotedPrintable).EndLine();
    out.Text(package::htmlType).EndLine();
    out.EndLine();
    out.Text(package::htmlStartTag).EndLine();
    WriteLines(package::slideOpening);
}

void SlideWriter::OnEndPage(std::int32_t) {
    // The page frame: an invisible rectangle over the page box.
    const double f = pointsPerUnit;
    out.Text("<v:rect id=3D\"_x0000_s").Text(shapeNumber.Text());
    out.Text("\" style=3D'position:absolute;left:").Number(minH * f + offsetX);
    out.Text("pt;top:").Number(minV * f + offsetY);
    out.Text("pt;width:").Number((double(maxH) - double(minH)) * f);
    out.Text("pt;height:").Number((double(maxV) - double(minV)) * f);
    out.Text(
        "pt;mso-wrap-style:none;v-text-anchor:middle' filled=3D\"t\" stroked=3D\"t\" "
        "strokecolor=3D\"black [1]\">"
        "    <v:stroke opacity=3D\"0\" color2=3D\"white [0]\"/>"
        "    <v:fill opacity=3D\"0\" color2=3D\"white [0]\"/>"
        "\t<v:shadow color=3D\"gray [2]\"/></v:rect>");
    out.EndLine();
    WriteLines(package::slideClosing);
    shapeNumber.Next();
}

void SlideWriter::OnSpecial(std::string text) {
    ApplyColourSpecial(text, colourStack);
}
