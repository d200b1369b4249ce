// The single entry of every image operation: checks and clamps the parameter block (writing
// the clamped values back where the operation keeps them), chooses the planes, provides
// scratch planes and calls the operation's kernel, with its typed parameters where it has
// them. Kernels are plugged in per code through OpKernels; a code whose kernel
// is absent, an unknown code, or a code above 102 changes nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "ops/op_params.h"
#include "ops/param_block.h"
#include "workspace/workspace.h"

namespace orva {

// Operation codes.
enum OpCode : uint32_t {
    kOpSharpen = 0,
    kOpGamma = 1,
    kOpComposite = 3,
    kOpEdge = 5,
    kOpResize = 6,
    kOpBackground = 7,
    kOpCompositePoints = 8,
    kOpCompositeLrgb = 9,
    kOpRotate = 10,
    kOpGrey = 20,
    kOpSaturation = 22,
    kOpLinesEven = 30,
    kOpLinesOdd = 31,
    kOpMakeBackground = 50,
    kOpDistortion = 60,
    kOpWavelet = 101,
    kOpRestore = 102,
};

// One plane processed in place; `scratch` is a plane of the same size owned by the
// dispatcher (null for codes that get none); `channel` is 0 red, 1 green, 2 blue.
// Returns false when the kernel's own working memory ran short; it must then leave its
// plane as it was (planes processed before it keep their result).
struct PlaneArgs {
    uint16_t* plane;
    uint16_t* scratch;
    int width, height;
    int channel;
};
using PlaneKernel = std::function<bool(const PlaneArgs&, const ParamBlock&)>;
// A plane kernel that takes its operation's typed parameters, made from the block once by
// the dispatcher (ops/op_params.h).
template <class Params>
using TypedPlaneKernel = std::function<bool(const PlaneArgs&, const Params&)>;

// All three planes together with three scratch planes (edge enhancement on colour).
struct RgbArgs {
    uint16_t* planes[3];
    uint16_t* scratch[3];
    int width, height;
};
using RgbKernel = std::function<void(const RgbArgs&, const EdgeParams&)>;

// Whole-record operations: size changes, new images, compositing. They replace planes
// through the record and return false when memory ran short (the record is then unchanged).
// Compositing and the background corrections also read other slots' pictures.
template <class Params>
using WorkspaceKernel = std::function<bool(ImageRecord&, const Params&, const Workspace&)>;
using GreyKernel = std::function<bool(ImageRecord&, const GreyParams&)>;
using SaturationKernel = std::function<bool(ImageRecord&, const SaturationParams&)>;
using ResizeKernel = std::function<bool(ImageRecord&, const ResizeParams&)>;
using RotateKernel = std::function<bool(ImageRecord&, const RotateParams&)>;
using DistortionKernel = std::function<bool(ImageRecord&, const DistortionParams&)>;

// Line separation into `dst` from the picture in slot P0: source rows first_row,
// first_row + 2, ... each fill two result rows (first_row is 0 for code 30, 1 for code 31).
using LinesKernel = std::function<bool(const ImageRecord& src, ImageRecord& dst, int first_row)>;

// The generated background of `src` (the picture in slot P0) into `dst`.
using MakeBackgroundKernel =
    std::function<bool(const ImageRecord& src, ImageRecord& dst, const MakeBackgroundParams&)>;

// Twofold wavelet enlargement of one plane: fills `out` with (2w) x (2h) samples.
using EnlargeKernel = std::function<bool(const uint16_t* in, int width, int height, Plane& out,
                                         const WaveletParams&)>;

struct OpKernels {
    TypedPlaneKernel<SharpenParams> sharpen;       // 0
    TypedPlaneKernel<GammaParams> gamma;           // 1
    WorkspaceKernel<CompositeParams> composite;    // 3
    TypedPlaneKernel<EdgeParams> edge;             // 5, one plane
    RgbKernel edge_rgb;                            // 5, three planes together
    ResizeKernel resize;                           // 6
    WorkspaceKernel<BackgroundParams> background;  // 7; levels and shifts arrive in 0..255
                                                   // units, the kernel scales them (x 256)
    WorkspaceKernel<PointCompositeParams> composite_points;  // 8
    WorkspaceKernel<LrgbParams> composite_lrgb;              // 9
    RotateKernel rotate;                                     // 10, general angle
    RotateKernel quarter_turn;                               // 10, exactly +-90 or +-180 degrees
    RotateKernel flip;                                       // 10, P1 = 4 or 5
    GreyKernel grey;                                         // 20
    SaturationKernel saturation;                             // 22
    LinesKernel lines;                                       // 30 and 31
    MakeBackgroundKernel make_background;                    // 50
    DistortionKernel distortion;                             // 60
    TypedPlaneKernel<WaveletParams> wavelet;                 // 101 in place
    EnlargeKernel wavelet_enlarge;                           // 101 with P14 = 1
    TypedPlaneKernel<RestoreParams> restore;                 // 102
};

// True when the code has what it needs to run (used to enable commands).
bool OperationAvailable(const OpKernels& k, uint32_t code);

// Runs operation `code` on `rec`. Returns false only when memory ran short: a scratch or
// result allocation, which leaves `rec` unchanged, or a plane kernel's working memory, which
// leaves the planes before it processed. Unknown codes return true and change nothing, as
// does a record whose planes hold fewer than width x height samples.
bool Dispatch(uint32_t code, ImageRecord& rec, ParamBlock& block, Workspace& ws,
              const OpKernels& kernels);

}  // namespace orva
