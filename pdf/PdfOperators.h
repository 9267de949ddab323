// PDF's content operators as PostScript procedures, so that the interpreter that runs
// a page's PostScript runs the content dvipdfmx's specials put on the page as well.
#pragma once

#include <string_view>

// Defines, in userdict, the procedures the PDF content of a document's specials runs
// with: `pdfops` (the operators, begun around each piece of content), and the named
// objects' store (`pdfdefine`, `pdfput`, `pdfref`) and page resources (`pdfresources`)
// in global VM, which the pages' save and restore leave alone.
extern const std::string_view pdfOperators;
