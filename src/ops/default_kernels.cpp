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

namespace {

EdgeParams EdgeParamsFromBlock(const ParamBlock& b) {
    const auto& f = kEdgeFields;
    return EdgeParams{Word(b, f.range), Word(b, f.emphasis), Word(b, f.threshold),
                      Word(b, f.smooth_strength)};
}

}  // namespace

// Each operation family plugs its kernels in here as it lands.
const OpKernels& DefaultKernels() {
    static const OpKernels kernels = [] {
        OpKernels k;
        k.gamma = [](const PlaneArgs& a, const ParamBlock& block) {
            return ApplyToneCurve(a.plane, a.width, a.height,
                                  GammaCurveFromBlock(block, a.channel));
        };
        k.sharpen = [](const PlaneArgs& a, const ParamBlock& b) {
            const auto& f = kSharpenFields;
            return SharpenPlane(a.plane, a.scratch, a.width, a.height,
                                SharpenParams{Word(b, f.radius), Word(b, f.smooth_range),
                                              Word(b, f.smooth_strength), Word(b, f.emphasis),
                                              Word(b, f.blunting)});
        };
        k.edge = [](const PlaneArgs& a, const ParamBlock& b) {
            EdgePlane(a.plane, a.scratch, a.width, a.height, EdgeParamsFromBlock(b));
            return true;
        };
        k.edge_rgb = [](const RgbArgs& a, const ParamBlock& b) {
            EdgeRgb(a.planes, a.scratch, a.width, a.height, EdgeParamsFromBlock(b));
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
        k.grey = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            const auto& f = kGreyFields;
            GreyRecord(r, GreyParams{Word(b, f.mode), Word(b, f.weight_r), Word(b, f.weight_g),
                                     Word(b, f.weight_b)});
            return true;
        };
        k.saturation = [](ImageRecord& r, ParamBlock& b, Workspace&) {
            SaturationHueRecord(r, b[0], b[1]);
            return true;
        };
        k.lines = [](ImageRecord& r, ParamBlock& b, Workspace& ws, int first_row) {
            return SeparateLines(ws.at(b[0]), r, first_row);
        };
        k.wavelet = [](const PlaneArgs& a, const ParamBlock& b) {
            return WaveletPlane(a.plane, a.width, a.height, WaveletGainsFromBlock(b));
        };
        k.wavelet_enlarge = [](const uint16_t* in, int w, int h, Plane& out, const ParamBlock& b) {
            return WaveletEnlarge(in, w, h, Word(b, kWaveletFields.filter_order),
                                  WaveletGainsFromBlock(b), out);
        };
        k.restore = [](const PlaneArgs& a, const ParamBlock& b) {
            const auto& f = kRestoreFields;
            return RestorePlane(a.plane, a.width, a.height,
                                RestoreParams{Word(b, f.spread), Word(b, f.blunting),
                                              Word(b, f.iterations), Word(b, f.emphasis)});
        };
        return k;
    }();
    return kernels;
}

}  // namespace orva
