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
        k.gamma = [](const PlaneArgs& a, const ParamBlock& block) {
            return ApplyToneCurve(a.plane, a.width, a.height,
                                  GammaCurveFromBlock(block, a.channel));
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
        k.resize = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            if (b[4] == 0) return ResizeNearest(r, b[0], b[1], b[2], b[3]);
            if (b[4] == 2) return ResizeLanczos(r, b[0], b[1], b[2], b[3]);
            return ResizeBilinear(r, b[0], b[1], b[2], b[3]);
        };
        k.quarter_turn = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            return QuarterTurn(r, b[0]);
        };
        k.flip = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            return Mirror(r, b[1] == 4 ? 1 : 2);
        };
        k.rotate = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            return RotateArbitrary(r, b[0]);
        };
        k.distortion = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            return CorrectDistortion(r, b[kDistortionFields.amount.word]);
        };
        k.grey = [](ImageRecord& r, const GreyParams& p) {
            GreyRecord(r, p);
            return true;
        };
        k.saturation = [](ImageRecord& r, const SaturationParams& p) {
            SaturationHueRecord(r, p);
            return true;
        };
        k.lines = [](ImageRecord& r, ParamBlock& b, Workspace& ws, int first_row) {
            return SeparateLines(ws.at(b[0]), r, first_row);
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
