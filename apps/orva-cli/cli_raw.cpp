#include "cli_raw.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli_args.h"
#include "cli_ops.h"
#include "raw/dng_write.h"

namespace orva {

namespace {

int Usage(const std::string& problem) {
    return CliUsage(problem, (std::string("usage:\n") + kSampleRawUsage).c_str());
}

}  // namespace

int SampleRawCommand(int argc, char** argv) {
    std::vector<std::string> p;
    for (int i = 2; i < argc; ++i) {
        if (LooksLikeOption(argv[i])) return Usage(UnknownOption(argv[i]));
        p.emplace_back(argv[i]);
    }
    if (p.size() != 1 && p.size() != 3) return Usage("sample-raw needs OUT.dng [WIDTH HEIGHT]");
    int w = 768, h = 512;
    if (p.size() == 3 && (!ParseWhole(p[1], 2, 20000, w) || !ParseWhole(p[2], 2, 20000, h)))
        return Usage("sample-raw needs WIDTH and HEIGHT from 2 to 20000");
    const IoResult r = WriteDng(p[0], SampleMosaic(w, h));
    if (!r.ok()) return CliFail(p[0] + ": " + r.detail);
    return 0;
}

}  // namespace orva
