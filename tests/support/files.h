// File and tool helpers shared by the tests of readers and writers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "imageio/formats.h"

namespace orva::testing {

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Writes a one-plane FITS of linear values f(x, y) with the given cards; returns the path.
inline std::string WriteLinear(const std::string& path, int w, int h,
                               const std::function<double(int, int)>& f,
                               std::vector<std::string> cards = {}, bool float32 = true) {
    LinearImage img;
    img.width = w;
    img.height = h;
    img.planes = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.data.push_back(static_cast<float>(f(x, y)));
    img.cards = std::move(cards);
    EXPECT_TRUE(WriteFitsLinear(path, img, float32, {}).ok()) << path;
    return path;
}

// Runs a shell command quietly; its exit status.
inline int Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// Standard output of a shell command.
inline std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p) != nullptr) out += buf;
        pclose(p);
    }
    return out;
}

// Decodes bytes of a format and returns the status; a refused file must leave nothing in
// the output and say why.
inline IoStatus RefusalStatus(int code, const std::vector<uint8_t>& file, std::string* detail,
                              uint64_t budget = UINT64_MAX) {
    DecodedImage img;
    img.memory_budget = budget;
    const IoResult r = DecodeImage(file, code, img);
    if (detail) *detail = r.detail;
    if (!r.ok()) {
        EXPECT_TRUE(img.red.empty());
        EXPECT_EQ(img.width, 0);
        EXPECT_EQ(img.height, 0);
        EXPECT_FALSE(r.detail.empty());
    }
    return r.status;
}

}  // namespace orva::testing

// Tools that scripts/install-deps installs: a missing one fails the test, it never skips.
#define REQUIRE_TOOL(tool)                                                    \
    ASSERT_EQ(::orva::testing::Shell(std::string("command -v ") + (tool)), 0) \
        << (tool) << " is missing; scripts/install-deps installs it and this test needs it"
