#include "ops/default_kernels.h"

#include "ops/colour.h"
#include "ops/geometry.h"
#include "ops/noise_lines.h"
#include "ops/op_settings.h"
#include "ops/restore.h"
#include "ops/sharpen_edge.h"
#include "ops/tone.h"
#include "ops/wavelet.h"

namespace orva {

// Each operation family plugs its kernels in here as it lands.
const OpKernels& DefaultKernels() {
    static const OpKernels kernels = [] {
        OpKernels k;
        k.gamma = [](const PlaneArgs& a, const GammaParams& p) {
            return ApplyToneCurve(a.plane, a.width, a.height,
                                  p.curves[static_cast<std::size_t>(a.channel)]);
        };
        k.sharpen = [](const PlaneArgs& a, const SharpenParams& p) {
            return SharpenPlane(a.plane, a.scratch, a.width, a.height, p);
        };
        k.edge = [](const PlaneArgs& a, const EdgeParams& p) {
            EdgePlane(a.plane, a.scratch, a.width, a.height, p);
            return true;
        };
        k.edge_rgb = [](const RgbArgs& a, const EdgeParams& p) {
            EdgeRgb(a.planes, a.scratch, a.width, a.height, p);
        };
        k.resize = [](ImageRecord& r, const ResizeParams& p) { return Resize(r, p); };
        k.quarter_turn = [](ImageRecord& r, const RotateParams& p) {
            return QuarterTurn(r, p.thousandths);
        };
        k.flip = [](ImageRecord& r, const RotateParams& p) { return Mirror(r, p.mirror); };
        k.rotate = [](ImageRecord& r, const RotateParams& p) {
            return RotateArbitrary(r, p.thousandths);
        };
        k.distortion = [](ImageRecord& r, const DistortionParams& p) {
            return CorrectDistortion(r, p.amount);
        };
        k.grey = [](ImageRecord& r, const GreyParams& p) {
            GreyRecord(r, p);
            return true;
        };
        k.saturation = [](ImageRecord& r, const SaturationParams& p) {
            SaturationHueRecord(r, p);
            return true;
        };
        k.lines = [](const ImageRecord& src, ImageRecord& dst, int first_row) {
            return SeparateLines(src, dst, first_row);
        };
        k.wavelet = [](const PlaneArgs& a, const WaveletParams& p) {
            return WaveletPlane(a.plane, a.width, a.height, p.gains);
        };
        k.wavelet_enlarge = [](const uint16_t* in, int w, int h, Plane& out,
                               const WaveletParams& p) {
            return WaveletEnlarge(in, w, h, p.filter_order, p.gains, out);
        };
        k.restore = [](const PlaneArgs& a, const RestoreParams& p) {
            return RestorePlane(a.plane, a.width, a.height, p);
        };
        return k;
    }();
    return kernels;
}

}  // namespace orva
