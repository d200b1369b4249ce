#include "shell/sharpen_edge_commands.h"

#include "ops/op_params.h"

namespace orva {

void FillSharpenBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    PutSharpenWords(ctx.settings.sharpen, block);
}

void FillEdgeBlock(const AppContext& ctx, const ImageRecord&, ParamBlock& block) {
    PutEdgeWords(ctx.settings.edge, block);
}

}  // namespace orva
