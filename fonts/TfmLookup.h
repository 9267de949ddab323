// Locating a font's TFM file. The converter links the kpsewhich lookup; tools that
// must not start processes (fuzz targets) link a lookup of their own instead.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// Returns the path of the TFM file of font `name` (area and name bytes of the DVI
// definition), or throws "Failed to find " + name + ".tfm file".
std::string FindTfmFile(const std::string& name);

// Looks up the TFM files of `names` in one go, ahead of their definitions (a DVI
// file's postamble lists every font its pages define), and returns the paths found, by
// font name. Nothing fails here: a name not found is left out, for FindTfmFile to
// report when its definition is read.
std::unordered_map<std::string, std::string> FindTfmFiles(const std::vector<std::string>& names);
