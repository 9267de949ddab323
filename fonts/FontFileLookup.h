// Locating the other files of TeX's font tree (font maps, Type 1 fonts, encoding
// files) through kpsewhich, for the programs that draw glyphs from their outlines.
#pragma once

#include <string>
#include <vector>

// Returns the path kpsewhich gives for `fileName` (a name with its extension), or an
// empty string when the file is not found or kpsewhich cannot be started.
std::string FindFontFile(const std::string& fileName);

// Returns the path of a font file named `fileName` that fontconfig knows (the system's
// fonts, outside TeX's tree), or an empty string. fontconfig is asked once.
std::string FindSystemFontFile(const std::string& fileName);

// Forgets kpsewhich's answers so far: each file is looked up once in a process, until
// this is called (when the files may have changed).
void ForgetFontFileLookups();

// Looks up files (names with their extensions) in one run of kpsewhich, so that
// FindFontFile answers them without another.
void PrefetchFontFiles(const std::vector<std::string>& fileNames);

// Returns the path kpsewhich gives for a configuration file of `program` (dvips,
// dvipdfmx) in kpsewhich's `format` ("dvips config"), or an empty string.
std::string FindConfigFile(const std::string& fileName, const std::string& program,
                           const std::string& format);

// Returns the path of the PK file of font `name` at `dpi` dots per inch, which kpsewhich
// has Metafont make (mktexpk) when it is missing; empty when there is none.
std::string FindBitmapFont(const std::string& name, int dpi);
