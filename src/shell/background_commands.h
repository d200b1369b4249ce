// The background corrections (commands 306, 3061, 3062, 307, 3071, 309) and the two-image
// comparison (370): what each hands to operation codes 7 and 50, and the point correction
// that runs when the user ends a background point list.
#pragma once

#include "shell/context.h"

namespace orva {

// Radial background (306): P0 mode, P2..P7 centre and edge levels of R, G, B (for subtract
// centre S - 2E + C and edge S - E with the shift S), P8 the curve.
void FillRadialBackgroundBlock(const AppContext& ctx, const ImageRecord& rec, ParamBlock& block);

void RadialBackgroundCommand(AppContext& ctx);       // 306
void SampleLevelCommand(AppContext& ctx, int mode);  // 3061 (mode 1), 3062 (mode 2)
void ImageBackgroundCommand(AppContext& ctx);        // 307
void MakeBackgroundCommand(AppContext& ctx);         // 3071
// What 3071 does after its dialog: the background of slot `source` generated into a new
// slot (in two passes with half the detection area when the settings say so), then kept as
// the current image (use 0) or used to correct the source by multiplication (1) or
// subtraction with the generated-background shift (2), with an undo copy when `undo`. Null
// on success, else the message saying why not.
const char* GenerateBackground(AppContext& ctx, int source, int use, bool undo);
void BackgroundPointsCommand(AppContext& ctx);  // 309
void CompareImagesCommand(AppContext& ctx);     // 370

// The point correction of the first `count` points of the list on `rec` (the hook the image
// window calls when a list ends).
bool CorrectByBackgroundPoints(AppContext& ctx, ImageRecord& rec, int count);

}  // namespace orva
