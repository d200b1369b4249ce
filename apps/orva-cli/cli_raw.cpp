#include "cli_raw.h"

#include <cstdio>
#include <cstdlib>

#include "raw/dng_write.h"

namespace orva {

int SampleRawCommand(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "orva-cli: sample-raw needs OUT.dng [WIDTH HEIGHT]\n%s",
                     kSampleRawUsage);
        return 2;
    }
    const int w = argc == 5 ? std::atoi(argv[3]) : 768;
    const int h = argc == 5 ? std::atoi(argv[4]) : 512;
    if (w < 2 || h < 2 || w > 20000 || h > 20000) {
        std::fprintf(stderr, "orva-cli: sample-raw size out of range\n");
        return 2;
    }
    const IoResult r = WriteDng(argv[2], SampleMosaic(w, h));
    if (!r.ok()) {
        std::fprintf(stderr, "orva-cli: %s: %s\n", argv[2], r.detail.c_str());
        return 1;
    }
    return 0;
}

}  // namespace orva
