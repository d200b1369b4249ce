// JPEG files through libjpeg: decoding to 16-bit planes, JFIF writing with the quality-75
// tables, and EXIF JPEG writing.
//
// libjpeg reports a fatal error through error_exit, which must not return; ours jumps back
// to the call that started the job. The jobs below therefore keep every C++ object with a
// destructor outside the stretch between setjmp and the libjpeg calls, and the libjpeg
// state is destroyed by the caller whatever happened.
//
// libjpeg's warnings about the data (a premature end, corrupt entropy data, stray bytes
// before a marker) refuse the file as damaged: libjpeg would pad or guess the missing parts
// and carry on, and a cut-off or corrupted file would then look like a good picture. Only
// warnings about metadata that does not change the pixels are passed over.
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "common/parallel.h"
#include "imageio/exif.h"
#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "imageio/reader_support.h"

namespace orva {

namespace {

// No real file has nearly as many scans; hostile ones use them to make decoding crawl.
constexpr int kMaxScans = 1000;
constexpr uint32_t kMaxJpegSide = JPEG_MAX_DIMENSION;
// Rows handed to or taken from libjpeg at a time: about 1 MiB of samples.
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

// What ended a libjpeg job early.
struct Trap {
    std::jmp_buf jump;
    int code = 0;  // libjpeg message code
    bool too_many_scans = false;
    char text[JMSG_LENGTH_MAX] = {};
};

Trap& TrapOf(j_common_ptr cinfo) {
    return *static_cast<Trap*>(cinfo->client_data);
}

[[noreturn]] void TrapError(j_common_ptr cinfo) {
    Trap& trap = TrapOf(cinfo);
    trap.code = cinfo->err->msg_code;
    (*cinfo->err->format_message)(cinfo, trap.text);
    std::longjmp(trap.jump, 1);
}

void TrapWarning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    switch (cinfo->err->msg_code) {
        case JWRN_ADOBE_XFORM:  // an unknown transform code: the colour space is guessed
        case JWRN_JFIF_MAJOR:   // a newer JFIF revision
        case JWRN_BOGUS_ICC:    // colour profiles are not used
            return;
        default: TrapError(cinfo);
    }
}

void Silent(j_common_ptr) {}

void CountScans(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        TrapOf(cinfo).too_many_scans = true;
        std::longjmp(TrapOf(cinfo).jump, 1);
    }
}

void InstallTrap(jpeg_error_mgr& err, Trap& trap, j_common_ptr cinfo) {
    jpeg_std_error(&err);
    err.error_exit = TrapError;
    err.emit_message = TrapWarning;
    err.output_message = Silent;
    cinfo->err = &err;
    cinfo->client_data = &trap;
}

// ---- decoding ----

enum class Samples { Rgb, Grey, InvertedCmyk };

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    jpeg_progress_mgr progress;
    Trap trap;
    std::span<const uint8_t> file;
    DecodedImage* out = nullptr;
    // Set by the checks of our own (as opposed to libjpeg's errors).
    IoStatus status = IoStatus::Ok;
    std::string detail;

    bool Refuse(const IoResult& r) {
        status = r.status;
        detail = r.detail;
        return false;
    }
};

// File rows [first, first + rows) of the batch into their memory rows (bottom row first).
void StoreRows(DecodedImage& out, Samples kind, JSAMPARRAY batch, int first, int rows) {
    const auto w = static_cast<std::size_t>(out.width);
    const int h = out.height;
    const PlaneView red = out.red.view(out.width, h), green = out.green.view(out.width, h),
                    blue = out.blue.view(out.width, h);
    ForEachRowBand(rows, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const JSAMPLE* s = batch[y];
            uint16_t* r = red.row_from_top(first + y);
            uint16_t* g = green.row_from_top(first + y);
            uint16_t* b = blue.row_from_top(first + y);
            switch (kind) {
                case Samples::Rgb:
                    for (std::size_t x = 0; x < w; ++x, s += 3) {
                        r[x] = static_cast<uint16_t>(s[0] << 8);
                        g[x] = static_cast<uint16_t>(s[1] << 8);
                        b[x] = static_cast<uint16_t>(s[2] << 8);
                    }
                    break;
                case Samples::Grey:
                    for (std::size_t x = 0; x < w; ++x) {
                        const auto v = static_cast<uint16_t>(s[x] << 8);
                        r[x] = g[x] = b[x] = v;
                    }
                    break;
                case Samples::InvertedCmyk:
                    // Stored as Adobe writes it, 255 meaning no ink: each colour is the
                    // product of its own and the black "coverage left" (truncated, as
                    // ImageMagick does, so both give the same picture).
                    for (std::size_t x = 0; x < w; ++x, s += 4) {
                        const unsigned k = s[3];
                        r[x] = static_cast<uint16_t>(s[0] * k / 255 << 8);
                        g[x] = static_cast<uint16_t>(s[1] * k / 255 << 8);
                        b[x] = static_cast<uint16_t>(s[2] * k / 255 << 8);
                    }
                    break;
            }
        }
    });
}

bool RunDecode(DecodeJob& job) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    if (setjmp(job.trap.jump)) return false;
    jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
    InstallTrap(job.err, job.trap, reinterpret_cast<j_common_ptr>(&cinfo));
    job.progress.progress_monitor = CountScans;
    cinfo.progress = &job.progress;
    jpeg_mem_src(&cinfo, job.file.data(), static_cast<unsigned long>(job.file.size()));
    jpeg_read_header(&cinfo, TRUE);

    const uint32_t w = cinfo.image_width, h = cinfo.image_height;
    DecodedImage& out = *job.out;
    if (IoResult r = CheckImageSize(w, h, out.max_pixels); !r.ok()) return job.Refuse(r);
    // Huffman coding spends at least one bit on every 8 x 8 block of every component, so a
    // file too short for that cannot hold the picture it declares. (Arithmetic coding has
    // no such floor; the pixel limit and the memory budget still hold.)
    if (!cinfo.arith_code) {
        uint64_t blocks = 0;
        for (int c = 0; c < cinfo.num_components; ++c)
            blocks +=
                uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks;
        if (blocks > uint64_t{job.file.size()} * 8)
            return job.Refuse(Fail(IoStatus::Damaged, "file too short for the image size"));
    }
    Samples kind;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo.out_color_space = JCS_GRAYSCALE;
            kind = Samples::Grey;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo.out_color_space = JCS_RGB;
            kind = Samples::Rgb;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            // Four-colour files are written inverted by Adobe and everyone following it;
            // other decoders assume so whether or not the Adobe marker says it.
            cinfo.out_color_space = JCS_CMYK;
            kind = Samples::InvertedCmyk;
            break;
        default:
            job.status = IoStatus::Unsupported;
            job.detail = "JPEG colour space is not supported";
            return false;
    }
    if (StopAtHeader(out, w, h)) return true;
    if (IoResult r = AllocateImage(out, w, h); !r.ok()) return job.Refuse(r);
    // libjpeg's own buffers (a progressive file keeps all its coefficients) count against
    // the same budget; beyond it libjpeg stops with an error instead of taking more.
    const uint64_t budget = out.memory_budget;
    if (budget < static_cast<uint64_t>(LONG_MAX))
        cinfo.mem->max_memory_to_use = static_cast<long>(budget);

    jpeg_start_decompress(&cinfo);
    const std::size_t row_bytes =
        std::size_t{w} * static_cast<std::size_t>(cinfo.output_components);
    const auto batch_rows = static_cast<JDIMENSION>(std::min<std::size_t>(
        h, std::max<std::size_t>(static_cast<std::size_t>(cinfo.rec_outbuf_height),
                                 kBatchBytes / row_bytes)));
    JSAMPARRAY batch =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   static_cast<JDIMENSION>(row_bytes), batch_rows);
    while (cinfo.output_scanline < h) {
        const JDIMENSION first = cinfo.output_scanline;
        JDIMENSION rows = 0;
        while (rows < batch_rows && cinfo.output_scanline < h) {
            const JDIMENSION got = jpeg_read_scanlines(&cinfo, batch + rows, batch_rows - rows);
            if (got == 0) {
                job.status = IoStatus::Damaged;
                job.detail = "JPEG decoder stalled";
                return false;
            }
            rows += got;
        }
        StoreRows(out, kind, batch, static_cast<int>(first), static_cast<int>(rows));
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

IoResult LibjpegFailure(const Trap& trap) {
    if (trap.too_many_scans) return Fail(IoStatus::Damaged, "JPEG file has too many scans");
    switch (trap.code) {
        case JWRN_JPEG_EOF:
            return Fail(IoStatus::Damaged, "JPEG file ends before its picture data does");
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:
            return Fail(IoStatus::OutOfMemory, "not enough memory to decode the JPEG file");
        case JERR_BAD_PRECISION:
        case JERR_SOF_UNSUPPORTED:
        case JERR_CONVERSION_NOTIMPL:
        case JERR_NOT_COMPILED: return IoResult::Fail(IoStatus::Unsupported, trap.text);
        default: return IoResult::Fail(IoStatus::Damaged, trap.text);
    }
}

// ---- writing ----

struct EncodeJob {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    jpeg_destination_mgr dest;
    Trap trap;
    FileSink* sink = nullptr;                // where the bytes go: a file,
    std::vector<uint8_t>* memory = nullptr;  // or memory
    JOCTET* out_buffer = nullptr;            // what libjpeg fills before it goes to the sink
    std::size_t out_size = 0;
    const ImageRecord* rec = nullptr;
    JSAMPLE* rows = nullptr;  // a batch of interleaved RGB rows
    JSAMPROW* row_pointers = nullptr;
    int batch_rows = 0;
};

// The destination callbacks get the libjpeg state, the first member of its job.
static_assert(std::is_standard_layout_v<EncodeJob>);
EncodeJob& EncodeJobOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<EncodeJob*>(cinfo);
}

void StartDestination(j_compress_ptr cinfo) {
    EncodeJob& job = EncodeJobOf(cinfo);
    job.dest.next_output_byte = job.out_buffer;
    job.dest.free_in_buffer = job.out_size;
}

void Emit(EncodeJob& job, std::size_t n) {
    if (job.sink != nullptr)
        job.sink->Write(job.out_buffer, n);
    else
        job.memory->insert(job.memory->end(), job.out_buffer, job.out_buffer + n);
}

boolean FlushDestination(j_compress_ptr cinfo) {
    EncodeJob& job = EncodeJobOf(cinfo);
    Emit(job, job.out_size);
    StartDestination(cinfo);
    return TRUE;
}

void EndDestination(j_compress_ptr cinfo) {
    EncodeJob& job = EncodeJobOf(cinfo);
    Emit(job, job.out_size - job.dest.free_in_buffer);
}

// Memory rows for file rows [first, first + rows) as interleaved 8-bit RGB, top row first.
void FormatRows(const EncodeJob& job, int first, int rows) {
    const ImageRecord& rec = *job.rec;
    const auto w = static_cast<std::size_t>(rec.width);
    const ConstPlaneView red = rec.red.view(rec.width, rec.height);
    const ConstPlaneView green = rec.single_plane ? red : rec.green.view(rec.width, rec.height);
    const ConstPlaneView blue = rec.single_plane ? red : rec.blue.view(rec.width, rec.height);
    ForEachRowBand(rows, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            JSAMPLE* o = job.rows + static_cast<std::size_t>(y) * 3 * w;
            const uint16_t* r = red.row_from_top(first + y);
            const uint16_t* g = green.row_from_top(first + y);
            const uint16_t* b = blue.row_from_top(first + y);
            for (std::size_t x = 0; x < w; ++x, o += 3) {
                o[0] = static_cast<JSAMPLE>(r[x] >> 8);
                o[1] = static_cast<JSAMPLE>(g[x] >> 8);
                o[2] = static_cast<JSAMPLE>(b[x] >> 8);
            }
        }
    });
}

bool RunEncode(EncodeJob& job) {
    jpeg_compress_struct& cinfo = job.cinfo;
    if (setjmp(job.trap.jump)) return false;
    jpeg_CreateCompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
    InstallTrap(job.err, job.trap, reinterpret_cast<j_common_ptr>(&cinfo));
    job.dest.init_destination = StartDestination;
    job.dest.empty_output_buffer = FlushDestination;
    job.dest.term_destination = EndDestination;
    cinfo.dest = &job.dest;

    const ImageRecord& rec = *job.rec;
    cinfo.image_width = static_cast<JDIMENSION>(rec.width);
    cinfo.image_height = static_cast<JDIMENSION>(rec.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    // The standard tables at half scale, without the baseline limit (which quality 75 never
    // reaches anyway).
    jpeg_set_quality(&cinfo, 75, FALSE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int first = 0; first < rec.height; first += job.batch_rows) {
        const int rows = std::min(job.batch_rows, rec.height - first);
        FormatRows(job, first, rows);
        for (JDIMENSION done = 0; done < static_cast<JDIMENSION>(rows);)
            done += jpeg_write_scanlines(&cinfo, job.row_pointers + done,
                                         static_cast<JDIMENSION>(rows) - done);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

IoResult DecodeJpeg(std::span<const uint8_t> file, DecodedImage& out) {
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8 || file[2] != 0xFF)
        return Fail(IoStatus::NotThisFormat, "not a JPEG file");
    DecodeJob job{};
    job.file = file;
    job.out = &out;
    const bool ok = RunDecode(job);
    jpeg_destroy_decompress(&job.cinfo);
    if (ok) return IoResult::Ok();
    Abandon(out);
    if (job.status != IoStatus::Ok) return Fail(job.status, job.detail);
    return LibjpegFailure(job.trap);
}

namespace {

// The JFIF encoding of the record into `sink` or, without one, into `memory`.
IoResult EncodeJfif(const ImageRecord& rec, FileSink* sink, std::vector<uint8_t>* memory) {
    const std::size_t pixels = rec.pixels();
    if (pixels == 0 || rec.red.size() < pixels ||
        (!rec.single_plane && (rec.green.size() < pixels || rec.blue.size() < pixels)))
        return Fail(IoStatus::Unsupported, "no image to write");
    if (static_cast<uint32_t>(rec.width) > kMaxJpegSide ||
        static_cast<uint32_t>(rec.height) > kMaxJpegSide)
        return Fail(IoStatus::TooLarge, "image too large for a JPEG file");

    const std::size_t row_bytes = 3 * static_cast<std::size_t>(rec.width);
    const int batch_rows = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(rec.height), std::max<std::size_t>(16, kBatchBytes / row_bytes)));
    std::vector<JSAMPLE> rows(row_bytes * static_cast<std::size_t>(batch_rows));
    std::vector<JSAMPROW> row_pointers(static_cast<std::size_t>(batch_rows));
    for (std::size_t i = 0; i < row_pointers.size(); ++i)
        row_pointers[i] = rows.data() + i * row_bytes;
    std::vector<JOCTET> out_buffer(std::size_t{1} << 18);

    EncodeJob job{};
    job.sink = sink;
    job.memory = memory;
    job.out_buffer = out_buffer.data();
    job.out_size = out_buffer.size();
    job.rec = &rec;
    job.rows = rows.data();
    job.row_pointers = row_pointers.data();
    job.batch_rows = batch_rows;
    const bool ok = RunEncode(job);
    jpeg_destroy_compress(&job.cinfo);
    if (!ok) {
        const bool memory_short =
            job.trap.code == JERR_OUT_OF_MEMORY || job.trap.code == JERR_NO_BACKING_STORE;
        return IoResult::Fail(memory_short ? IoStatus::OutOfMemory : IoStatus::WriteFailed,
                              job.trap.text);
    }
    return IoResult::Ok();
}

}  // namespace

IoResult WriteJpegJfif(const std::string& path, const ImageRecord& rec) {
    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    if (IoResult r = EncodeJfif(rec, &sink, nullptr); !r.ok()) return r;
    return sink.Commit();
}

IoResult WriteJpegExif(const std::string& path, const ImageRecord& rec) {
    // The JFIF encoding is made in memory, so no intermediate file can stand in the target
    // folder (or replace a file of the user's there).
    std::vector<uint8_t> jfif;
    if (IoResult r = EncodeJfif(rec, nullptr, &jfif); !r.ok()) return r;
    const std::span<const uint8_t> t = jfif;
    // Our JFIF encoding begins with SOI and the JFIF APP0 segment; both give way to the EXIF
    // block, which brings its own SOI.
    if (t.size() < 6 || t[0] != 0xFF || t[1] != 0xD8 || t[2] != 0xFF || t[3] != 0xE0)
        return Fail(IoStatus::WriteFailed, "JPEG encoding is not as expected");
    const std::size_t rest = 4 + std::size_t{Be16(t.data() + 4)};
    if (rest > t.size()) return Fail(IoStatus::WriteFailed, "JPEG encoding is not as expected");

    FileSink sink;
    if (IoResult r = sink.Open(path); !r.ok()) return r;
    if (rec.exif.size() >= 4 && rec.exif[0] == 0xFF && rec.exif[1] == 0xD8) {
        sink.Write(rec.exif.data(), rec.exif.size());
    } else {
        const auto block = BuildExifTemplate(rec.camera_make, rec.camera_model, rec.date_time,
                                             rec.exposure_time, rec.f_number, rec.iso);
        sink.Write(block.data(), block.size());
        const uint8_t empty_app1[16] = {0xFF, 0xE1, 0x00, 0x0E};
        sink.Write(empty_app1, sizeof empty_app1);
    }
    sink.Write(t.data() + rest, t.size() - rest);
    return sink.Commit();
}

}  // namespace orva
