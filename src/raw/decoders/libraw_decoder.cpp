#include "raw/decoders/libraw_decoder.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "common/parallel.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "raw/decoders/raw_mosaic.h"

namespace orva {

namespace {

IoResult Fail(IoStatus s, std::string why) {
    return IoResult::Fail(s, std::move(why));
}

IoResult FromLibRawCode(int code) {
    switch (code) {
        case LIBRAW_SUCCESS: return IoResult::Ok();
        case LIBRAW_FILE_UNSUPPORTED:
            return Fail(IoStatus::NotThisFormat, "not a camera RAW file the decoder knows");
        case LIBRAW_UNSUFFICIENT_MEMORY:
            return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW data");
        case LIBRAW_TOO_BIG: return Fail(IoStatus::TooLarge, "the RAW data is too large");
        case LIBRAW_IO_ERROR: return Fail(IoStatus::Damaged, "the RAW file is truncated");
        default:
            return Fail(IoStatus::Damaged, std::string("RAW decoder: ") + LibRaw::strerror(code));
    }
}

IoResult FromException(LibRaw_exceptions e) {
    switch (e) {
        case LIBRAW_EXCEPTION_ALLOC:
        case LIBRAW_EXCEPTION_MEMPOOL:
            return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW data");
        case LIBRAW_EXCEPTION_TOOBIG: return Fail(IoStatus::TooLarge, "the RAW data is too large");
        case LIBRAW_EXCEPTION_IO_EOF: return Fail(IoStatus::Damaged, "the RAW file is truncated");
        default: return Fail(IoStatus::Damaged, "the RAW data is damaged");
    }
}

// trunc(65535 * (v / 65535)^0.45) for every 16-bit value.
const std::vector<uint16_t>& PowerTable() {
    static const std::vector<uint16_t> table = [] {
        std::vector<uint16_t> t(65536);
        const double k = 65535.0 / std::pow(65535.0, 0.45);
        for (int v = 0; v < 65536; ++v) {
            const double p = std::pow(static_cast<double>(v), 0.45) * k;
            t[static_cast<std::size_t>(v)] = static_cast<uint16_t>(std::clamp(p, 0.0, 65535.0));
        }
        return t;
    }();
    return table;
}

// Bytes a development of a width x height mosaic needs at most beyond the file: the raw
// buffer, the four-channel mosaic (which later holds the two luminance images of the fast
// development) and the three output planes.
uint64_t BytesNeeded(uint64_t raw_pixels, uint64_t pixels) {
    return raw_pixels * 8 + pixels * 8 + pixels * 6;
}

class OrvaLibRaw final : public LibRaw {
public:
    OrvaLibRaw() : LibRaw(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK) {}

    // Open and identify, then check what the file declares before anything large is taken.
    IoResult Open(std::span<const uint8_t> bytes, uint64_t budget,
                  uint64_t max_pixels = kMaxReadPixels) {
        imgdata.params.use_camera_wb = 1;
        const uint64_t mb = std::max<uint64_t>(budget >> 20, 1);
        imgdata.params.max_raw_memory_mb = static_cast<unsigned>(std::min<uint64_t>(mb, 2048));
        if (bytes.empty()) return Fail(IoStatus::Damaged, "the file is empty");
        // The buffer stream only reads; LibRaw's interface is not const-correct.
        void* data = const_cast<uint8_t*>(bytes.data());
        if (IoResult r = FromLibRawCode(open_buffer(data, bytes.size())); !r.ok()) return r;
        const libraw_image_sizes_t& s = imgdata.sizes;
        if (s.raw_width < 1 || s.raw_height < 1 || s.width < 1 || s.height < 1)
            return Fail(IoStatus::Damaged, "the RAW sizes are zero");
        const uint64_t raw_pixels = uint64_t{s.raw_width} * s.raw_height;
        const uint64_t pixels = uint64_t{s.width} * s.height;
        if (raw_pixels > kMaxReadPixels)
            return Fail(IoStatus::TooLarge, "the RAW dimensions are too large");
        if (pixels > max_pixels)
            return Fail(IoStatus::TooLarge,
                        std::to_string(s.width) + "x" + std::to_string(s.height) +
                            " is more than the limit of " + std::to_string(max_pixels) + " pixels");
        // No raw format stores a sample in less than one bit; uncompressed data must be in
        // the file whole.
        if (raw_pixels > uint64_t{bytes.size()} * 8)
            return Fail(IoStatus::Damaged, "the RAW sizes do not fit the file");
        const auto& u = libraw_internal_data.unpacker_data;
        if (imgdata.idata.dng_version != 0 && u.tiff_compress == 1) {
            const uint64_t bits = std::max<uint64_t>(u.tiff_bps, 1);
            const uint64_t samples = std::max<uint64_t>(u.tiff_samples, 1);
            const uint64_t need = raw_pixels * bits * samples / 8;
            const uint64_t offset = u.data_offset > 0 ? static_cast<uint64_t>(u.data_offset) : 0;
            if (offset > bytes.size() || need > bytes.size() - offset)
                return Fail(IoStatus::Damaged, "the RAW data runs past the end of the file");
        }
        if (BytesNeeded(raw_pixels, pixels) > budget)
            return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW data");
        return IoResult::Ok();
    }

    // The size of the developed picture when it is known right after opening: the
    // development keeps the sensor's visible size unless it turns a rotated (Fuji) sensor
    // upright or stretches non-square pixels.
    bool SizeKnownAtOpen() const {
        return libraw_internal_data.internal_output_params.fuji_width == 0 &&
               imgdata.sizes.pixel_aspect == 1.0;
    }
    void TakeSize(DecodedImage& out) const {
        out.width = imgdata.sizes.width;
        out.height = imgdata.sizes.height;
    }

    IoResult Unpack() {
        if (IoResult r = FromLibRawCode(unpack()); !r.ok()) return r;
        if (error_count() > 0) return Fail(IoStatus::Damaged, "the RAW data is damaged");
        return IoResult::Ok();
    }

    // The decoder's clean-up, black handling and scaling with the camera white balance.
    IoResult CleanUpAndScale() {
        const bool bayer = imgdata.idata.filters != 0 || imgdata.idata.colors == 1;
        const auto& io = libraw_internal_data.internal_output_params;
        const bool inline_black = bayer && !io.zero_is_bad;
        if (IoResult r = FromLibRawCode(raw2image_ex(inline_black ? 1 : 0)); !r.ok()) return r;
        return Guard([&] {
            if (io.zero_is_bad) remove_zeroes();
            if (!inline_black || !imgdata.color.data_maximum) {
                adjust_bl();
                subtract_black_internal();
            }
            libraw_decoder_info_t info{};
            get_decoder_info(&info);
            if (!(info.decoder_flags & LIBRAW_DECODER_FIXEDMAXC)) adjust_maximum();
            if (!imgdata.params.no_auto_scale) scale_colors();
        });
    }

    IoResult SubtractDarkAndPreInterpolate(const RawDark* dark, int control) {
        if (imgdata.image == nullptr) return Fail(IoStatus::Damaged, "no RAW mosaic");
        if (dark != nullptr && dark->width == imgdata.sizes.iwidth &&
            dark->height == imgdata.sizes.iheight) {
            SubtractRawDark(imgdata.image, imgdata.sizes.iwidth, imgdata.sizes.iheight, *dark,
                            control & 0xFF, control >> 8);
            // The dark carried the black level; nothing more is taken off.
            imgdata.color.black = 0;
            std::fill(std::begin(imgdata.color.cblack), std::end(imgdata.color.cblack), 0u);
        }
        return Guard([&] { pre_interpolate(); });
    }

    RawDark CopyMosaic() const {
        RawDark d;
        d.width = imgdata.sizes.iwidth;
        d.height = imgdata.sizes.iheight;
        const std::size_t n = static_cast<std::size_t>(d.width) * d.height * 4;
        d.samples.assign(&imgdata.image[0][0], &imgdata.image[0][0] + n);
        return d;
    }

    // The sensor data as black-subtracted floats and its colour pattern, for calibration on
    // the mosaic. Samples below the black level stay negative rather than being cut to 0.
    IoResult CopyLinearMosaic(RawMosaic& out) {
        const unsigned filters = imgdata.idata.filters;
        const bool xtrans = filters == LIBRAW_XTRANS;
        if (imgdata.idata.colors != 3 || imgdata.idata.is_foveon || (filters < 1000 && !xtrans) ||
            libraw_internal_data.internal_output_params.fuji_width != 0)
            return Fail(IoStatus::Unsupported, "the RAW file has no three-colour filter mosaic");
        const int period = xtrans ? 6 : 2;
        // The decoder's channel (0..3, the second green of a Bayer pattern may be 3) of each
        // pattern cell; a Bayer pattern must repeat every two rows.
        std::array<int, 36> channel{};
        for (int y = 0; y < (xtrans ? 6 : 8); ++y)
            for (int x = 0; x < period; ++x) {
                const int c = fcol(y, x);
                const std::size_t at = static_cast<std::size_t>((y % period) * 6 + x);
                if (c < 0 || c > 3 || (y >= period && channel[at] != c))
                    return Fail(IoStatus::Unsupported, "the RAW colour pattern is not Bayer");
                channel[at] = c;
            }
        RawMosaic m;
        m.period = period;
        bool seen[3] = {false, false, false};
        for (int y = 0; y < period; ++y)
            for (int x = 0; x < period; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * 6 + x);
                m.cfa[at] = static_cast<uint8_t>(channel[at] == 3 ? 1 : channel[at]);
                seen[m.cfa[at]] = true;
            }
        if (!seen[0] || !seen[1] || !seen[2])
            return Fail(IoStatus::Unsupported, "the RAW colour pattern lacks a colour");

        if (IoResult r = FromLibRawCode(raw2image_ex(0)); !r.ok()) return r;
        const auto& io = libraw_internal_data.internal_output_params;
        if (IoResult r = Guard([&] {
                if (io.zero_is_bad) remove_zeroes();
                adjust_bl();
            });
            !r.ok())
            return r;
        const int w = imgdata.sizes.iwidth, h = imgdata.sizes.iheight;
        if (imgdata.image == nullptr || w < 1 || h < 1 || w != imgdata.sizes.width ||
            h != imgdata.sizes.height)
            return Fail(IoStatus::Damaged, "no RAW mosaic");
        const libraw_colordata_t& col = imgdata.color;
        const float white = static_cast<float>(col.maximum) - static_cast<float>(col.black);
        if (!(white > 0.0f))
            return Fail(IoStatus::Damaged, "the RAW white level is not above its black level");
        // After the decoder's black adjustment cblack[0..3] hold each channel's whole black
        // level and cblack[6..] an optional repeating pattern on top of it.
        const unsigned brows = col.cblack[4], bcols = col.cblack[5];
        const bool black_pattern =
            brows > 0 && bcols > 0 && uint64_t{brows} * bcols <= LIBRAW_CBLACK_SIZE - 6;
        m.width = w;
        m.height = h;
        m.white = white;
        m.wb = AsShotMultipliers();
        try {
            m.samples.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        } catch (const std::bad_alloc&) {
            return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW mosaic");
        }
        ForEachRowBand(h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const ushort(*src)[4] = imgdata.image + static_cast<std::size_t>(y) * w;
                float* dst = m.samples.data() + static_cast<std::size_t>(y) * w;
                for (int x = 0; x < w; ++x) {
                    const int c = channel[static_cast<std::size_t>((y % period) * 6 + x % period)];
                    int64_t black = col.cblack[c];
                    if (black_pattern)
                        black += col.cblack[6 + (static_cast<unsigned>(y) % brows) * bcols +
                                            static_cast<unsigned>(x) % bcols];
                    dst[x] = static_cast<float>(int64_t{src[x][c]} - black);
                }
            }
        });
        out = std::move(m);
        return IoResult::Ok();
    }

    // The camera's as-shot multipliers normalised to green; its daylight ones when the file
    // has none, and 1 when neither is usable.
    std::array<float, 3> AsShotMultipliers() const {
        const auto usable = [](const float* mul) {
            for (int c = 0; c < 3; ++c)
                if (!(mul[c] > 0.0f) || !std::isfinite(mul[c])) return false;
            return true;
        };
        const float* mul = usable(imgdata.color.cam_mul)   ? imgdata.color.cam_mul
                           : usable(imgdata.color.pre_mul) ? imgdata.color.pre_mul
                                                           : nullptr;
        if (mul == nullptr) return {1.0f, 1.0f, 1.0f};
        return {mul[0] / mul[1], 1.0f, mul[2] / mul[1]};
    }

    void TakeCamera(DecodedImage& out) const {
        SetCameraText(out.camera_make, imgdata.idata.make);
        SetCameraText(out.camera_model, imgdata.idata.model);
        SetCameraText(out.date_time, CaptureTime(imgdata.other.timestamp));
        const float iso = imgdata.other.iso_speed;
        out.iso = iso >= 1.0f && iso < 4e9f ? static_cast<uint32_t>(iso) : 0;
        out.exposure_time = PackExposure(imgdata.other.shutter);
        out.f_number = PackAperture(imgdata.other.aperture);
    }

    IoResult Fast(const DevelopParams& p, DecodedImage& out) {
        const int w = imgdata.sizes.iwidth, h = imgdata.sizes.iheight;
        const unsigned filters = imgdata.idata.filters;
        MosaicView m{imgdata.image, w, h,
                     filters == 0               ? kPatternFull
                     : filters == LIBRAW_XTRANS ? kPatternSixBySix
                                                : kPatternBayer};
        TakeCamera(out);
        if (!out.Allocate(w, h)) return Fail(IoStatus::OutOfMemory, "not enough memory");
        const std::array<double, 3> inv = {1.0 / p.gamma[0], 1.0 / p.gamma[1], 1.0 / p.gamma[2]};
        DevelopToneCurve(m, p.black, p.white, inv);
        const std::size_t n = static_cast<std::size_t>(w) * h;
        const PlaneView r = out.red.view(w, h), g = out.green.view(w, h), b = out.blue.view(w, h);
        DevelopDemosaic(m, r, g, b);
        // The mosaic (four samples a pixel) is spent: its memory holds the luminance Y and
        // the sharpened luminance Ys (one sample a pixel each), already paged in.
        uint16_t* spent = &imgdata.image[0][0];
        const PlaneView y(spent, w, h), ys(spent + n, w, h);
        DevelopSharpen(r, g, b, y, ys, p.radius, p.sharpness);
        DevelopColour(r, g, b, y, ys, p.false_colour, p.saturation, p.hue);
        recycle();
        return IoResult::Ok();
    }

    IoResult Reference(int quality, DecodedImage& out) {
        if (quality < 0 || quality > 3) quality = 0;
        IoResult r = Guard([&] {
            const unsigned filters = imgdata.idata.filters;
            if (filters != 0 && !imgdata.params.no_interpolation) {
                if (quality == 0) {
                    lin_interpolate();
                } else if (quality == 1 || imgdata.idata.colors > 3) {
                    vng_interpolate();
                } else if (filters == LIBRAW_XTRANS) {
                    // PPG and AHD know only 2x2 patterns.
                    xtrans_interpolate(quality > 2 ? 3 : 1);
                } else if (quality == 2 && filters > 1000) {
                    ppg_interpolate();
                } else if (filters > 1000) {
                    ahd_interpolate();
                } else {
                    vng_interpolate();
                }
            }
            auto& io = libraw_internal_data.internal_output_params;
            if (io.mix_green) {
                imgdata.idata.colors = 3;
                const std::size_t n =
                    static_cast<std::size_t>(imgdata.sizes.height) * imgdata.sizes.width;
                for (std::size_t i = 0; i < n; ++i)
                    imgdata.image[i][1] =
                        static_cast<ushort>((imgdata.image[i][1] + imgdata.image[i][3]) >> 1);
            }
            if (!imgdata.idata.is_foveon && imgdata.idata.colors == 3 &&
                imgdata.params.med_passes > 0)
                median_filter();
            if (imgdata.params.highlight == 2) blend_highlights();
            if (imgdata.params.highlight > 2) recover_highlights();
            if (imgdata.params.use_fuji_rotate) fuji_rotate();
            if (!libraw_internal_data.output_data.histogram) {
                libraw_internal_data.output_data.histogram =
                    static_cast<int(*)[LIBRAW_HISTOGRAM_SIZE]>(
                        malloc(sizeof(*libraw_internal_data.output_data.histogram) * 4));
                if (!libraw_internal_data.output_data.histogram) throw LIBRAW_EXCEPTION_ALLOC;
            }
            convert_to_rgb();
            if (imgdata.params.use_fuji_rotate) stretch();
        });
        if (!r.ok()) return r;
        const int w = imgdata.sizes.iwidth, h = imgdata.sizes.iheight;
        if (w < 1 || h < 1 || imgdata.image == nullptr)
            return Fail(IoStatus::Damaged, "the RAW development gave no picture");
        TakeCamera(out);
        if (!out.Allocate(w, h)) return Fail(IoStatus::OutOfMemory, "not enough memory");
        const std::vector<uint16_t>& power = PowerTable();
        const bool grey = imgdata.idata.colors == 1;
        // Both cores share the pass, and the first touch of the fresh planes with it.
        ForEachRowBand(h, [&](int y0, int y1) {
            for (int row = y0; row < y1; ++row) {
                const ushort(*src)[4] = imgdata.image + static_cast<std::size_t>(row) * w;
                const std::size_t at = static_cast<std::size_t>(h - 1 - row) * w;
                for (int x = 0; x < w; ++x) {
                    out.red[at + x] = power[src[x][0]];
                    out.green[at + x] = power[src[x][grey ? 0 : 1]];
                    out.blue[at + x] = power[src[x][grey ? 0 : 2]];
                }
            }
        });
        return IoResult::Ok();
    }

private:
    // Runs decoder steps that report failure by throwing.
    template <typename F>
    IoResult Guard(F&& steps) {
        try {
            steps();
            return IoResult::Ok();
        } catch (const LibRaw_exceptions& e) {
            return FromException(e);
        } catch (const std::bad_alloc&) {
            return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW data");
        }
    }
};

// The steps common to pictures and darks, up to the scaled mosaic.
IoResult LoadScaledMosaic(OrvaLibRaw& lr, std::span<const uint8_t> bytes, uint64_t budget) {
    if (IoResult r = lr.Open(bytes, budget); !r.ok()) return r;
    if (IoResult r = lr.Unpack(); !r.ok()) return r;
    return lr.CleanUpAndScale();
}

// The decoder hands these over as single-precision floats: 1/250 s arrives as 0.00399999991
// and F5.6 as 5.59999990. Truncating those would show 1/249.9 and F5.5, so values within a
// thousandth below a whole number count as that number.
double Trunc(double v) {
    return std::floor(v + 1e-3);
}

}  // namespace

uint32_t PackExposure(double t) {
    if (!(t > 0.0) || !std::isfinite(t)) return 0;
    uint32_t num, den;
    if (t >= 1.0) {
        const double tenths = Trunc(10.0 * t);
        if (tenths <= 65535.0) {
            num = static_cast<uint32_t>(tenths), den = 10;
        } else {
            num = static_cast<uint32_t>(std::min(Trunc(t), 65535.0)), den = 1;
        }
    } else {
        const double d = Trunc(10.0 / t);
        if (d <= 65535.0) {
            num = 10, den = static_cast<uint32_t>(d);
        } else {
            num = 1, den = static_cast<uint32_t>(std::min(Trunc(1.0 / t), 65535.0));
        }
    }
    return num << 16 | den;
}

uint32_t PackAperture(double f) {
    if (!(f > 0.0) || !std::isfinite(f)) return 0;
    const double tenths = std::min(Trunc(10.0 * f), 65535.0);
    if (tenths < 1.0) return 0;
    return static_cast<uint32_t>(tenths) << 16 | 10u;
}

std::string CaptureTime(std::time_t t) {
    if (t == 0) return {};
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

IoResult DecodeRawBytes(std::span<const uint8_t> bytes, const RawDecodeRequest& request,
                        DecodedImage& out) {
    // LibRaw keeps large tables inside the object, so it lives on the heap.
    std::unique_ptr<OrvaLibRaw> lr;
    try {
        lr = std::make_unique<OrvaLibRaw>();
    } catch (const std::bad_alloc&) {
        return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW decoder");
    }
    DecodedImage img;
    img.memory_budget = request.memory_budget;
    IoResult r = lr->Open(bytes, request.memory_budget, request.max_pixels);
    if (r.ok() && request.header_only && lr->SizeKnownAtOpen()) {
        lr->TakeCamera(img);
        lr->TakeSize(img);
        out = std::move(img);
        return IoResult::Ok();
    }
    if (r.ok()) r = lr->Unpack();
    if (r.ok()) r = lr->CleanUpAndScale();
    if (r.ok()) r = lr->SubtractDarkAndPreInterpolate(request.dark, request.dark_control);
    if (r.ok())
        r = request.mode == 0 ? lr->Fast(request.develop, img)
                              : lr->Reference(request.mode - 1, img);
    if (!r.ok()) return r;
    out = std::move(img);
    return IoResult::Ok();
}

IoResult ReadRawDarkBytes(std::span<const uint8_t> bytes, uint64_t memory_budget, RawDark& out) {
    std::unique_ptr<OrvaLibRaw> lr;
    try {
        lr = std::make_unique<OrvaLibRaw>();
    } catch (const std::bad_alloc&) {
        return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW decoder");
    }
    if (IoResult r = LoadScaledMosaic(*lr, bytes, memory_budget); !r.ok()) return r;
    try {
        out = lr->CopyMosaic();
    } catch (const std::bad_alloc&) {
        return Fail(IoStatus::OutOfMemory, "not enough memory for the dark frame");
    }
    return IoResult::Ok();
}

IoResult ReadRawMosaicBytes(std::span<const uint8_t> bytes, uint64_t memory_budget,
                            RawMosaic& out) {
    std::unique_ptr<OrvaLibRaw> lr;
    try {
        lr = std::make_unique<OrvaLibRaw>();
    } catch (const std::bad_alloc&) {
        return Fail(IoStatus::OutOfMemory, "not enough memory for the RAW decoder");
    }
    if (IoResult r = lr->Open(bytes, memory_budget); !r.ok()) return r;
    if (IoResult r = lr->Unpack(); !r.ok()) return r;
    if (IoResult r = lr->CopyLinearMosaic(out); !r.ok()) return r;
    const auto& id = lr->imgdata.idata;
    out.make.assign(id.make, strnlen(id.make, sizeof id.make));
    out.model.assign(id.model, strnlen(id.model, sizeof id.model));
    out.exposure = lr->imgdata.other.shutter;
    out.iso = lr->imgdata.other.iso_speed;
    return IoResult::Ok();
}

IoResult ReadRawMosaic(const std::string& path, uint64_t memory_budget, RawMosaic& out) {
    MappedFile file;
    if (IoResult r = file.Open(path); !r.ok()) return r;
    return ReadRawMosaicBytes(file.bytes(), memory_budget, out);
}

IoResult ReadRawDark(const std::string& path, uint64_t memory_budget, RawDark& out) {
    MappedFile file;
    if (IoResult r = file.Open(path); !r.ok()) return r;
    return ReadRawDarkBytes(file.bytes(), memory_budget, out);
}

}  // namespace orva
