// `orva-cli batch`: runs a batch file over files as dropping them on the window would, and
// writes batch files without the desktop.
#pragma once

namespace orva {

int BatchMain(int argc, char** argv);

}  // namespace orva
