#include "raw/dng_write.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"

namespace orva {

namespace {

constexpr int kPhotometricLinearRaw = 34892;  // DNG linear raw: three samples per pixel

// Tags the raw decoder reads from the main directory that libtiff only knows inside an
// EXIF directory.
const TIFFFieldInfo kExtraTags[] = {
    {33434, 1, 1, TIFF_RATIONAL, FIELD_CUSTOM, 1, 0, const_cast<char*>("ExposureTime")},
    {33437, 1, 1, TIFF_RATIONAL, FIELD_CUSTOM, 1, 0, const_cast<char*>("FNumber")},
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

// Appends an EXIF directory holding the ISO speed to a little-endian TIFF file (`file`, the
// temporary file written for `path`) whose first directory has an EXIF pointer of 0, and
// points it there.
IoResult AppendExifIso(const std::string& file_path, const std::string& path, int iso) {
    std::FILE* f = std::fopen(file_path.c_str(), "r+b");
    if (f == nullptr) return IoResult::Fail(IoStatus::CannotOpen, "cannot reopen " + path);
    std::vector<uint8_t> file;
    uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        file.insert(file.end(), buf, buf + n);
    bool ok = file.size() >= 8 && file[0] == 'I';
    const auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(file[at] | file[at + 1] << 8);
    };
    std::size_t entry = 0;
    if (ok) {
        const std::size_t ifd = file[4] | file[5] << 8 | file[6] << 16 | std::size_t{file[7]} << 24;
        ok = ifd + 2 <= file.size();
        for (unsigned e = 0; ok && e < u16(ifd); ++e) {
            const std::size_t at = ifd + 2 + 12 * std::size_t{e};
            if (at + 12 > file.size()) break;
            if (u16(at) == TIFFTAG_EXIFIFD) entry = at;
        }
    }
    ok = ok && entry != 0;
    const std::size_t exif = (file.size() + 1) / 2 * 2;
    if (ok) {
        // One entry: ISOSpeedRatings, SHORT, count 1; no next directory.
        uint8_t dir[2 + 12 + 4 + 1] = {0};
        const std::size_t pad = exif - file.size();
        dir[pad + 0] = 1;
        const uint8_t e[12] = {
            0x27, 0x88, 3, 0, 1, 0, 0, 0, static_cast<uint8_t>(iso), static_cast<uint8_t>(iso >> 8),
            0,    0};
        std::memcpy(dir + pad + 2, e, sizeof e);
        ok = std::fseek(f, 0, SEEK_END) == 0 && std::fwrite(dir, 1, pad + 18, f) == pad + 18;
        const uint8_t offset[4] = {static_cast<uint8_t>(exif), static_cast<uint8_t>(exif >> 8),
                                   static_cast<uint8_t>(exif >> 16),
                                   static_cast<uint8_t>(exif >> 24)};
        // The entry's type becomes LONG, its value the directory's offset.
        const uint8_t type_long[2] = {4, 0};
        ok = ok && std::fseek(f, static_cast<long>(entry + 2), SEEK_SET) == 0 &&
             std::fwrite(type_long, 1, 2, f) == 2 &&
             std::fseek(f, static_cast<long>(entry + 8), SEEK_SET) == 0 &&
             std::fwrite(offset, 1, 4, f) == 4;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok ? IoResult::Ok()
              : IoResult::Fail(IoStatus::WriteFailed, "cannot add EXIF to " + path);
}

// libtiff's messages about a failed write stay off the terminal: the result says it.
int DropMessage(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// libtiff writes by name: into the temporary file of the sink.
TIFF* OpenForWriting(const std::string& file_path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, DropMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, DropMessage, nullptr);
    TIFF* tif = TIFFOpenExt(file_path.c_str(), "w", options);
    TIFFOpenOptionsFree(options);
    return tif;
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
    // The temporary file is renamed over the target once the EXIF directory is in place too.
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    std::unique_ptr<TIFF, TiffCloser> tif(OpenForWriting(sink.temp_path()));
    if (!tif) return IoResult::Fail(IoStatus::CannotOpen, "cannot create " + path);
    TIFF* t = tif.get();
    TIFFMergeFieldInfo(t, kExtraTags, 2);
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
        const bool six = m.pattern6.size() == 36;
        const uint16_t dims[2] = {static_cast<uint16_t>(six ? 6 : 2),
                                  static_cast<uint16_t>(six ? 6 : 2)};
        ok = ok && TIFFSetField(t, TIFFTAG_CFAREPEATPATTERNDIM, dims) == 1;
        ok = ok && TIFFSetField(t, TIFFTAG_CFAPATTERN, six ? 36 : 4,
                                six ? m.pattern6.data() : m.pattern.data()) == 1;
    }
    const int grid = m.black_repeat;
    if (grid > 1 && grid <= 4 && m.black_grid.size() == static_cast<std::size_t>(grid * grid)) {
        const uint16_t repeat[2] = {static_cast<uint16_t>(grid), static_cast<uint16_t>(grid)};
        ok = ok && TIFFSetField(t, TIFFTAG_BLACKLEVELREPEATDIM, repeat) == 1;
        ok = ok && SetReals(t, TIFFTAG_BLACKLEVEL, m.black_grid.data(), grid * grid);
    } else {
        const double black[1] = {static_cast<double>(m.black)};
        ok = ok && SetReals(t, TIFFTAG_BLACKLEVEL, black, 1);
    }
    const uint32_t white[1] = {m.white};
    ok = ok && TIFFSetField(t, TIFFTAG_WHITELEVEL, 1, white) == 1;
    ok = ok && SetReals(t, TIFFTAG_COLORMATRIX1, m.colour_matrix.data(), 9);
    ok = ok && SetReals(t, TIFFTAG_ASSHOTNEUTRAL, m.as_shot_neutral.data(), 3);
    ok = ok && TIFFSetField(t, TIFFTAG_CALIBRATIONILLUMINANT1, 21) == 1;  // D65
    if (m.exposure > 0) ok = ok && SetReal(t, 33434, m.exposure);
    if (m.f_number > 0) ok = ok && SetReal(t, 33437, m.f_number);
    // The decoder takes the ISO speed from an EXIF directory only: its pointer is written
    // here and the directory itself appended once libtiff is done.
    if (m.iso > 0) ok = ok && TIFFSetField(t, TIFFTAG_EXIFIFD, uint64_t{0}) == 1;
    if (!ok) return IoResult::Fail(IoStatus::WriteFailed, "cannot set the DNG tags");
    const tmsize_t bytes = static_cast<tmsize_t>(m.samples.size() * sizeof(uint16_t));
    if (TIFFWriteEncodedStrip(t, 0, const_cast<uint16_t*>(m.samples.data()), bytes) != bytes)
        return IoResult::Fail(IoStatus::WriteFailed, "cannot write " + path);
    if (!TIFFWriteDirectory(t))
        return IoResult::Fail(IoStatus::WriteFailed, "cannot write " + path);
    tif.reset();
    if (m.iso > 0)
        if (IoResult r = AppendExifIso(sink.temp_path(), path, m.iso); !r.ok()) return r;
    return sink.Commit();
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
