#include "fonts/FontTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Failure.h"
#include "fonts/TfmLookup.h"

std::int32_t ScaledDimension(std::int32_t fixWord, std::int32_t scaledSize) {
    const double value = std::trunc(double(fixWord) * double(scaledSize) * 0x1p-20);
    if (value < -2147483648.0 || value > 2147483647.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t FontTable::DefineFont(std::int32_t k, std::int32_t s, std::int32_t d,
                                   const std::string& name) {
    const auto found = entries.find(k);
    TfmFont* font = found == entries.end() ? nullptr : found->second.get();
    if (font && font->name == name) return font->metrics->checksum;
    // No entry may stand without metrics, and an empty name has no TFM file.
    if (name.empty()) throw Failure("Font " + std::to_string(k) + " is defined with an empty name");

    auto metrics = std::make_unique<TfmMetrics>();
    if (const auto known = prefetched.find(name); known != prefetched.end()) {
        metrics->LoadTfmFile(name, known->second, japanese);
    } else {
        metrics->LoadTfm(name, japanese);
    }
    if (!font) {
        font = entries.emplace(k, std::make_unique<TfmFont>()).first->second.get();
        font->number = k;
    }
    font->name = name;
    font->scaledSize = s;
    font->metrics = std::move(metrics);
    const TfmMetrics& loaded = *font->metrics;
    font->scaled.resize(loaded.width.size());
    for (std::size_t i = 0; i < loaded.width.size(); ++i) {
        font->scaled[i] = {ScaledDimension(loaded.width[i], s),
                           ScaledDimension(loaded.height[i], s),
                           ScaledDimension(loaded.depth[i], s)};
    }
    ++font->generation;
    // The TFM design size is a fix_word in points; DVI gives it in units of 2^-16 pt.
    if (d != font->metrics->designSize >> 4) {
        throw Failure("Font " + name + " design size does not match tfm file");
    }
    return font->metrics->checksum;
}

std::vector<std::string> FontTable::Prefetch(const std::vector<std::string>& names) {
    prefetched = FindTfmFiles(names);
    std::vector<std::string> missing;
    for (const std::string& name : names)
        if (!prefetched.contains(name)) missing.push_back(name);
    return missing;
}

std::vector<std::string> FontTable::PrefetchedNames() const {
    std::vector<std::string> names;
    for (const auto& [name, path] : prefetched) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

void FontTable::SelectFont(std::int32_t k) {
    const auto found = entries.find(k);
    Require(found != entries.end(), "Font number not found");
    current = found->second.get();
}

void FontTable::Clear() {
    current = nullptr;
    entries.clear();
    prefetched.clear();
}
