// Frames of a calibrated stack read a band of rows at a time, whatever holds them: a FITS file
// mapped into memory, or a frame written once to a nameless temporary file (a calibrated,
// demosaiced or resampled light) so that any number of them fit in bounded memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "imageio/file_io.h"
#include "imageio/formats.h"
#include "raw/decoders/raw_mosaic.h"

namespace orva {

class FrameRows {
public:
    virtual ~FrameRows() = default;
    int width = 0, height = 0, planes = 0;
    std::string path;  // where it came from, for messages
    // Rows [y0, y0 + count) of plane c into `out`, count x width values.
    virtual void Read(int c, int y0, int count, float* out) const = 0;
    // False once a read failed (the values read are NaN then).
    virtual bool healthy() const { return true; }
    // A colour sensor's mosaic (one plane, rows from the top): its colour pattern and white
    // balance, no samples. Nullptr for frames of grey or colour planes.
    virtual const RawMosaic* mosaic() const { return nullptr; }
    std::size_t pixels() const { return static_cast<std::size_t>(width) * height; }
};
using FrameList = std::vector<std::unique_ptr<FrameRows>>;

// A FITS file, mapped; the pages of rows read are given back at once, so a frame read band
// by band holds no more than a band. A one-plane file whose header names a Bayer pattern
// (BAYERPAT RGGB, BGGR, GRBG or GBRG, shifted by XBAYROFF and YBAYROFF) is a mosaic and reads
// rows from the top as a camera's mosaic does: turned round unless ROWORDER is 'TOP-DOWN'.
// Other patterns are refused, as a mosaic read as grey would stack into a checkered picture.
class FitsFrame final : public FrameRows {
public:
    IoResult Open(const std::string& file);
    void Read(int c, int y0, int count, float* out) const override;
    const RawMosaic* mosaic() const override { return layout_.width > 0 ? &layout_ : nullptr; }
    // The header's cards; of a mosaic, without those describing the mosaic and its row order,
    // which no longer hold once it is demosaiced.
    const std::vector<std::string>& cards() const { return cards_; }

private:
    MappedFile file_;
    FitsRows rows_;
    RawMosaic layout_;
    std::vector<std::string> cards_;
};

// A frame written once, plane by plane, then read back in rows.
class WrittenFrame : public FrameRows {
public:
    virtual IoResult WritePlane(int c, const float* values) = 0;  // width x height values
};

// Held in memory (huge-page friendly), while the frames together fit the memory allowed.
class HeldFrame final : public WrittenFrame {
public:
    HeldFrame() = default;
    ~HeldFrame() override;
    HeldFrame(const HeldFrame&) = delete;
    HeldFrame& operator=(const HeldFrame&) = delete;

    IoResult Create(int width, int height, int planes);
    IoResult WritePlane(int c, const float* values) override;
    void Read(int c, int y0, int count, float* out) const override;

private:
    float* data_ = nullptr;
};

// In a file that has no name from the moment it is made, so nothing is left behind however
// the program ends. It lives in $TMPDIR (or the system's temporary folder) unless another
// folder is given.
class SpoolFrame final : public WrittenFrame {
public:
    SpoolFrame() = default;
    ~SpoolFrame() override;
    SpoolFrame(const SpoolFrame&) = delete;
    SpoolFrame& operator=(const SpoolFrame&) = delete;

    IoResult Create(int width, int height, int planes, const std::string& folder = {});
    IoResult WritePlane(int c, const float* values) override;
    void Read(int c, int y0, int count, float* out) const override;
    bool healthy() const override { return !failed_; }

private:
    int fd_ = -1;
    mutable bool failed_ = false;
};

// A camera RAW file's sensor mosaic: one plane, black removed, rows from the top as the
// sensor reads them. Decoded once and kept in a temporary file; `layout` holds the colour
// pattern and white balance (no samples).
class RawFrame final : public FrameRows {
public:
    IoResult Open(const std::string& file, const std::string& folder);
    void Read(int c, int y0, int count, float* out) const override {
        spool_.Read(c, y0, count, out);
    }
    bool healthy() const override { return spool_.healthy(); }
    const RawMosaic* mosaic() const override { return &layout; }
    RawMosaic layout;

private:
    SpoolFrame spool_;
};

}  // namespace orva
