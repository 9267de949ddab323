// A stand-in for kpsewhich, put first on PATH for the life of the object. It prints
// the answer a test gave for each file name it is asked about (nothing otherwise) and
// logs every request, one line of arguments each, so tests can count lookups.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class FakeKpsewhich {
  public:
    FakeKpsewhich() {
        char pattern[] = "/tmp/deckgen-kpse-XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::create_directory(dir / "answers");
        Write("kpsewhich",
              "#!/bin/sh\n"
              "echo \"$*\" >> '" +
                  (dir / "calls").string() +
                  "'\n"
                  "for name in \"$@\"; do cat '" +
                  (dir / "answers").string() +
                  "'/\"$name\" 2>/dev/null; done\n"
                  "exit 3\n");
        std::filesystem::permissions(dir / "kpsewhich", std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
        setenv("PATH", (dir.string() + ":" + savedPath).c_str(), 1);
    }
    ~FakeKpsewhich() {
        setenv("PATH", savedPath.c_str(), 1);
        std::filesystem::remove_all(dir);
    }

    // The exact bytes printed for a request of `fileName`.
    void Answer(const std::string& fileName, const std::string& output) {
        Write("answers/" + fileName, output);
    }
    // Stores a TFM file for font `name` and answers its path, as kpsewhich does.
    std::string AddFont(const std::string& name, const std::string& tfm) {
        Write(name + ".tfm", tfm);
        Answer(name + ".tfm", (dir / (name + ".tfm")).string() + "\n");
        return (dir / (name + ".tfm")).string();
    }
    // The requests so far, one line each: its file names, separated by blanks.
    std::string Calls() const {
        std::ifstream in(dir / "calls");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir;

  private:
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string savedPath;
};
