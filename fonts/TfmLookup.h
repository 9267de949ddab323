// Locating a font's TFM file. The converter links the kpsewhich lookup; tools that
// must not start processes (fuzz targets) link a lookup of their own instead.
#pragma once

#include <string>

// Returns the path of the TFM file of font `name` (area and name bytes of the DVI
// definition), or throws "Failed to find " + name + ".tfm file".
std::string FindTfmFile(const std::string& name);
