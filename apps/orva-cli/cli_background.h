// The extra inputs of the background operations of 'orva-cli apply': the background picture
// (background-image), the picture compared with (compare) and the clicked places
// (background-points).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "shell/context.h"

namespace orva {

struct BackgroundCliArgs {
    std::string background;                   // --background FILE
    std::string with;                         // --with FILE
    std::vector<std::pair<int, int>> points;  // --points X,Y ... (y from the top)
};

// Takes --background, --with or --points at argv[i] (advancing i past its values). Returns
// false when argv[i] is none of them; sets *error for a malformed value.
bool ParseBackgroundOption(int argc, char** argv, int& i, BackgroundCliArgs& args,
                           std::string* error);

// Before the operation on slot 0: loads the extra picture into slot 1 and points the
// operation's setting at it; checks what the operation needs. False with a reason.
bool PrepareBackgroundCli(AppContext& ctx, const std::string& op, const BackgroundCliArgs& args,
                          std::string* error);

// After the operation's command: clicks the places and ends the list (background-points),
// and reports a radial correction that had no edge levels to work with.
bool FinishBackgroundCli(AppContext& ctx, const std::string& op, const BackgroundCliArgs& args,
                         std::string* error);

}  // namespace orva
