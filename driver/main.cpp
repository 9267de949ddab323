// deckgen: converts a DVI file into a presentation saved as an MHT web archive.
#include "driver/RunConverter.h"
#include "writer/SlideWriter.h"

int main(int argc, char** argv) {
    return RunConverter(argc, argv, "Usage: deckgen file.dvi file.mht\n",
                        [](const char* dviName, const char* mhtName) {
                            SlideWriter writer(dviName, mhtName);
                            writer.Run();
                        });
}
