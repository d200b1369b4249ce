#include "raw/dng_write.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "common/parallel.h"

namespace orva {

namespace {

constexpr int kPhotometricLinearRaw = 34892;  // DNG linear raw: three samples per pixel

// Tags the raw decoder reads from the main directory that libtiff only knows inside an
// EXIF directory.
const TIFFFieldInfo kExtraTags[] = {
    {33434, 1, 1, TIFF_RATIONAL, FIELD_CUSTOM, 1, 0, const_cast<char*>("ExposureTime")},
    {33437, 1, 1, TIFF_RATIONAL, FIELD_CUSTOM, 1, 0, const_cast<char*>("FNumber")},
    {34855, 1, 1, TIFF_SHORT, FIELD_CUSTOM, 1, 0, const_cast<char*>("ISOSpeedRatings")},
};

// Sets a counted real-valued tag whichever precision this libtiff stores it in.
bool SetReals(TIFF* tif, uint32_t tag, const double* v, int n) {
    const TIFFField* f = TIFFFieldWithTag(tif, tag);
    if (f == nullptr) return false;
    if (TIFFFieldSetGetSize(f) == 8) return TIFFSetField(tif, tag, n, v) == 1;
    float fv[16];
    for (int i = 0; i < n && i < 16; ++i) fv[i] = static_cast<float>(v[i]);
    return TIFFSetField(tif, tag, n, fv) == 1;
}

bool SetReal(TIFF* tif, uint32_t tag, double v) {
    const TIFFField* f = TIFFFieldWithTag(tif, tag);
    if (f == nullptr) return false;
    if (TIFFFieldSetGetSize(f) == 8) return TIFFSetField(tif, tag, v) == 1;
    return TIFFSetField(tif, tag, static_cast<float>(v)) == 1;
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

}  // namespace

IoResult WriteDng(const std::string& path, const DngMosaic& m) {
    const int spp = m.linear ? 3 : 1;
    if (m.width < 1 || m.height < 1 ||
        m.samples.size() != static_cast<std::size_t>(m.width) * m.height * spp)
        return IoResult::Fail(IoStatus::Unsupported, "inconsistent mosaic");
    TIFFSetWarningHandler(nullptr);
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpen(path.c_str(), "w"));
    if (!tif) return IoResult::Fail(IoStatus::CannotOpen, "cannot create " + path);
    TIFF* t = tif.get();
    TIFFMergeFieldInfo(t, kExtraTags, 3);
    const uint8_t version[4] = {1, 4, 0, 0};
    bool ok = TIFFSetField(t, TIFFTAG_SUBFILETYPE, 0) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(m.width)) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(m.height)) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                            m.linear ? kPhotometricLinearRaw : PHOTOMETRIC_CFA) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(m.height)) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_MAKE, m.make.c_str()) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_MODEL, m.model.c_str()) == 1;
    const std::string unique = m.make + " " + m.model;
    ok = ok && TIFFSetField(t, TIFFTAG_UNIQUECAMERAMODEL, unique.c_str()) == 1;
    if (!m.date_time.empty()) ok = ok && TIFFSetField(t, TIFFTAG_DATETIME, m.date_time.c_str());
    ok = ok && TIFFSetField(t, TIFFTAG_DNGVERSION, version) == 1;
    ok = ok && TIFFSetField(t, TIFFTAG_DNGBACKWARDVERSION, version) == 1;
    if (!m.linear) {
        const uint16_t dims[2] = {2, 2};
        ok = ok && TIFFSetField(t, TIFFTAG_CFAREPEATPATTERNDIM, dims) == 1;
        ok = ok && TIFFSetField(t, TIFFTAG_CFAPATTERN, 4, m.pattern.data()) == 1;
    }
    const double black[1] = {static_cast<double>(m.black)};
    ok = ok && SetReals(t, TIFFTAG_BLACKLEVEL, black, 1);
    const uint32_t white[1] = {m.white};
    ok = ok && TIFFSetField(t, TIFFTAG_WHITELEVEL, 1, white) == 1;
    ok = ok && SetReals(t, TIFFTAG_COLORMATRIX1, m.colour_matrix.data(), 9);
    ok = ok && SetReals(t, TIFFTAG_ASSHOTNEUTRAL, m.as_shot_neutral.data(), 3);
    ok = ok && TIFFSetField(t, TIFFTAG_CALIBRATIONILLUMINANT1, 21) == 1;  // D65
    if (m.exposure > 0) ok = ok && SetReal(t, 33434, m.exposure);
    if (m.f_number > 0) ok = ok && SetReal(t, 33437, m.f_number);
    if (m.iso > 0) ok = ok && TIFFSetField(t, 34855, static_cast<uint16_t>(m.iso)) == 1;
    if (!ok) return IoResult::Fail(IoStatus::WriteFailed, "cannot set the DNG tags");
    const tmsize_t bytes = static_cast<tmsize_t>(m.samples.size() * sizeof(uint16_t));
    if (TIFFWriteEncodedStrip(t, 0, const_cast<uint16_t*>(m.samples.data()), bytes) != bytes)
        return IoResult::Fail(IoStatus::WriteFailed, "cannot write " + path);
    if (!TIFFWriteDirectory(t))
        return IoResult::Fail(IoStatus::WriteFailed, "cannot write " + path);
    return IoResult::Ok();
}

DngMosaic SampleMosaic(int width, int height) {
    DngMosaic m;
    m.width = width;
    m.height = height;
    m.samples.resize(static_cast<std::size_t>(width) * height);
    m.black = 256;
    m.white = 16383;
    m.as_shot_neutral = {0.5, 1.0, 0.7};
    m.make = "ORVA";
    m.model = "Synthetic";
    m.date_time = "2024:03:15 21:30:05";
    m.exposure = 30;
    m.f_number = 4;
    m.iso = 800;
    ForEachRowBand(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            for (int x = 0; x < width; ++x) {
                const double u = static_cast<double>(x) / width,
                             v = static_cast<double>(y) / height;
                const double ring = std::sin(40.0 * std::hypot(u - 0.5, v - 0.5));
                const double rgb[3] = {0.25 + 0.2 * u * ring, 0.15 + 0.25 * v,
                                       0.3 - 0.2 * u + 0.1 * ((x / 16 + y / 16) % 2)};
                const int cell = (y % 2) * 2 + (x % 2);
                const double level = std::clamp(rgb[m.pattern[static_cast<std::size_t>(cell)]] *
                                                    (cell == 1 || cell == 2 ? 1.0 : 0.6),
                                                0.0, 1.0);
                m.samples[static_cast<std::size_t>(y) * width + x] =
                    static_cast<uint16_t>(m.black + level * (m.white - m.black));
            }
        }
    });
    return m;
}

}  // namespace orva
