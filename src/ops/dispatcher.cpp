#include "ops/dispatcher.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "ops/op_settings.h"

namespace orva {

namespace {

// Plane selections use the channel-mask bits: 4 red, 2 green, 1 blue.
constexpr int kAllPlanes = kMaskRed | kMaskGreen | kMaskBlue;

bool Selected(int selection, int channel) {
    return (selection & (kMaskRed >> channel)) != 0;
}

bool SinglePlane(const ImageRecord& rec) {
    return rec.single_plane == 1;
}

// A kernel is handed raw pointers and trusts width x height; a record whose planes are
// shorter than that is left alone instead of being read or written past its end.
bool PlanesHold(const ImageRecord& rec, int selection) {
    const std::size_t n = rec.pixels();
    for (int c = 0; c < 3; ++c) {
        if (Selected(selection, c) && (n == 0 || rec.plane(c).size() < n)) return false;
    }
    return true;
}

// Runs `kernel` on each selected plane, red, green, blue in that order, with one scratch
// plane shared by all of them when `with_scratch` is set.
template <class Params>
bool RunPlanes(const std::function<bool(const PlaneArgs&, const Params&)>& kernel, ImageRecord& rec,
               const Params& params, int selection, bool with_scratch) {
    if (!kernel || selection == 0 || !PlanesHold(rec, selection)) return true;
    Plane scratch;
    if (with_scratch && !scratch.Allocate(rec.pixels())) return false;
    for (int c = 0; c < 3; ++c) {
        if (!Selected(selection, c)) continue;
        const PlaneArgs args{rec.plane(c).data(), with_scratch ? scratch.data() : nullptr,
                             rec.width, rec.height, c};
        if (!kernel(args, params)) return false;
    }
    return true;
}

template <class Params>
bool RunWithWorkspace(const WorkspaceKernel<Params>& kernel, ImageRecord& rec,
                      Params (*take)(ParamBlock&), ParamBlock& block, const Workspace& ws) {
    return kernel ? kernel(rec, take(block), ws) : true;
}

// Copies red into green and blue, first giving them full-size buffers when they lack them.
bool SpreadRed(ImageRecord& rec) {
    const std::size_t n = rec.pixels();
    Plane fresh[2];
    for (int i = 0; i < 2; ++i) {
        if (rec.plane(i + 1).size() < n && !fresh[i].Allocate(n)) return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (!fresh[i].empty()) rec.plane(i + 1) = std::move(fresh[i]);
        std::memcpy(rec.plane(i + 1).data(), rec.red.data(), n * sizeof(uint16_t));
    }
    return true;
}

bool Sharpen(ImageRecord& rec, ParamBlock& block, const OpKernels& k) {
    const SharpenParams params = TakeSharpenWords(block);
    const int mask = block[5] & kAllPlanes;
    const int selection = SinglePlane(rec) ? (mask != 0 ? kMaskRed : 0) : mask;
    return RunPlanes(k.sharpen, rec, params, selection, true);
}

bool Gamma(ImageRecord& rec, const ParamBlock& block, const OpKernels& k) {
    if (!k.gamma) return true;
    const GammaParams params = GammaParamsOf(block);
    if (!SinglePlane(rec)) return RunPlanes(k.gamma, rec, params, kAllPlanes, false);
    // A grey picture keeps to the red plane, curved with the first channel's points.
    if (!params.per_channel) return RunPlanes(k.gamma, rec, params, kMaskRed, false);
    // Per-channel curves on a grey picture tint it: each channel starts from the grey
    // values, and the result is a colour picture from here on.
    if (!PlanesHold(rec, kMaskRed)) return true;
    if (!SpreadRed(rec)) return false;
    rec.single_plane = 0;
    return RunPlanes(k.gamma, rec, params, kAllPlanes, false);
}

bool Edge(ImageRecord& rec, ParamBlock& block, const OpKernels& k) {
    const EdgeParams params = TakeEdgeWords(block);
    const int mask = block[5] & kAllPlanes;
    if (SinglePlane(rec)) {
        return RunPlanes(k.edge, rec, params, mask != 0 ? kMaskRed : 0, true);
    }
    if (mask != kAllPlanes) return RunPlanes(k.edge, rec, params, mask, true);
    if (!k.edge_rgb || !PlanesHold(rec, kAllPlanes)) return true;
    Plane scratch[3];
    RgbArgs args{};
    for (int c = 0; c < 3; ++c) {
        if (!scratch[c].Allocate(rec.pixels())) return false;
        args.planes[c] = rec.plane(c).data();
        args.scratch[c] = scratch[c].data();
    }
    args.width = rec.width;
    args.height = rec.height;
    k.edge_rgb(args, params);
    return true;
}

bool Rotate(ImageRecord& rec, ParamBlock& block, const OpKernels& k) {
    const RotateParams p = TakeRotateWords(block);
    const int angle = p.thousandths;
    const RotateKernel& kernel =
        p.mirror != 0                                                              ? k.flip
        : angle == 90000 || angle == -90000 || angle == 180000 || angle == -180000 ? k.quarter_turn
                                                                                   : k.rotate;
    return kernel ? kernel(rec, p) : true;
}

// The doubled planes are all made before any is stored, so a shortage leaves the record as
// it was. A grey picture enlarges only red; green and blue get copies of the result so that
// every plane of the record keeps holding width x height samples.
bool WaveletEnlarge(ImageRecord& rec, const WaveletParams& params, const OpKernels& k) {
    if (!k.wavelet_enlarge) return true;
    const bool single = SinglePlane(rec);
    const int selection = single ? kMaskRed : kAllPlanes;
    if (!PlanesHold(rec, selection)) return true;
    if (rec.width > INT_MAX / 2 || rec.height > INT_MAX / 2) return false;
    const int width = rec.width * 2, height = rec.height * 2;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Plane out[3];
    for (int c = 0; c < 3; ++c) {
        if (!Selected(selection, c)) continue;
        if (!k.wavelet_enlarge(rec.plane(c).data(), rec.width, rec.height, out[c], params) ||
            out[c].size() < n) {
            return false;
        }
    }
    if (single) {
        for (int c = 1; c < 3; ++c) {
            if (!out[c].Allocate(n)) return false;
            std::memcpy(out[c].data(), out[0].data(), n * sizeof(uint16_t));
        }
    }
    for (int c = 0; c < 3; ++c) rec.plane(c) = std::move(out[c]);
    rec.width = width;
    rec.height = height;
    return true;
}

bool Wavelet(ImageRecord& rec, ParamBlock& block, const OpKernels& k) {
    const WaveletParams params = WaveletParamsOf(block);
    if (block[kWaveletFields.enlarge.word] == 1) return WaveletEnlarge(rec, params, k);
    return RunPlanes(k.wavelet, rec, params, SinglePlane(rec) ? kMaskRed : kAllPlanes, false);
}

// Codes that build a new picture from slot P0 need that slot to hold one.
bool SourceSlotHoldsImage(const ParamBlock& block, const Workspace& ws) {
    return Workspace::Valid(block[0]) && ws.at(block[0]).occupied();
}

}  // namespace

bool OperationAvailable(const OpKernels& k, uint32_t code) {
    switch (code) {
        case kOpSharpen: return static_cast<bool>(k.sharpen);
        case kOpGamma: return static_cast<bool>(k.gamma);
        case kOpComposite: return static_cast<bool>(k.composite);
        case kOpEdge: return k.edge && k.edge_rgb;
        case kOpResize: return static_cast<bool>(k.resize);
        case kOpBackground: return static_cast<bool>(k.background);
        case kOpCompositePoints: return static_cast<bool>(k.composite_points);
        case kOpCompositeLrgb: return static_cast<bool>(k.composite_lrgb);
        case kOpRotate: return k.rotate && k.quarter_turn && k.flip;
        case kOpGrey: return static_cast<bool>(k.grey);
        case kOpSaturation: return static_cast<bool>(k.saturation);
        case kOpLinesEven:
        case kOpLinesOdd: return static_cast<bool>(k.lines);
        case kOpMakeBackground: return static_cast<bool>(k.make_background);
        case kOpDistortion: return static_cast<bool>(k.distortion);
        case kOpWavelet: return k.wavelet && k.wavelet_enlarge;
        case kOpRestore: return static_cast<bool>(k.restore);
        default: return false;
    }
}

bool Dispatch(uint32_t code, ImageRecord& rec, ParamBlock& block, Workspace& ws,
              const OpKernels& k) {
    switch (code) {
        // Codes that work on the record's own picture have nothing to do without one.
        case kOpSharpen:
        case kOpGamma:
        case kOpEdge:
        case kOpResize:
        case kOpBackground:
        case kOpRotate:
        case kOpGrey:
        case kOpSaturation:
        case kOpDistortion:
        case kOpWavelet:
        case kOpRestore:
            if (!rec.occupied()) return true;
            break;
        default: break;
    }

    switch (code) {
        case kOpSharpen: return Sharpen(rec, block, k);
        case kOpGamma: return Gamma(rec, block, k);
        case kOpEdge: return Edge(rec, block, k);
        case kOpResize: return k.resize ? k.resize(rec, TakeResizeWords(block)) : true;
        case kOpBackground:
            if (!PlanesHold(rec, SinglePlane(rec) ? kMaskRed : kAllPlanes)) return true;
            return RunWithWorkspace(k.background, rec, TakeBackgroundWords, block, ws);
        case kOpRotate: return Rotate(rec, block, k);
        case kOpGrey: return k.grey ? k.grey(rec, GreyParamsOf(block)) : true;
        case kOpSaturation:
            if (SinglePlane(rec) || !k.saturation) return true;
            return k.saturation(rec, TakeSaturationWords(block));
        case kOpDistortion:
            return k.distortion ? k.distortion(rec, DistortionParamsOf(block)) : true;
        case kOpWavelet: return Wavelet(rec, block, k);
        case kOpRestore:
            return RunPlanes(k.restore, rec, RestoreParamsOf(block),
                             SinglePlane(rec) ? kMaskRed : kAllPlanes, true);

        // Compositing writes its result into the record passed, whatever it held.
        case kOpComposite: return RunWithWorkspace(k.composite, rec, TakeCompositeWords, block, ws);
        case kOpCompositePoints:
            return RunWithWorkspace(k.composite_points, rec, TakePointCompositeWords, block, ws);
        case kOpCompositeLrgb:
            return k.composite_lrgb ? k.composite_lrgb(rec, LrgbParamsOf(block), ws) : true;

        case kOpLinesEven:
        case kOpLinesOdd:
            if (!k.lines || !SourceSlotHoldsImage(block, ws)) return true;
            return k.lines(ws.at(block[0]), rec, code == kOpLinesEven ? 0 : 1);
        case kOpMakeBackground:
            if (!k.make_background || !SourceSlotHoldsImage(block, ws)) return true;
            {
                const MakeBackgroundParams p = TakeMakeBackgroundWords(block);
                return k.make_background(ws.at(p.source), rec, p);
            }

        default: return true;
    }
}

}  // namespace orva
