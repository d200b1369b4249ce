// The application context: the single instance of every record the shell, the operations
// and the front ends share. A test builds a fresh one in one line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ops/dispatcher.h"
#include "ops/param_block.h"
#include "raw/dark.h"
#include "shell/app_kernels.h"
#include "shell/batch_state.h"
#include "shell/settings.h"
#include "shell/ui.h"
#include "shell/view_state.h"
#include "workspace/workspace.h"

namespace orva {

struct ShellState {
    int all_images = 0;  // processing commands and zoom act on every open image
    int area_copy_mode = 0;
    int area_corner_x[2] = {0, 0}, area_corner_y[2] = {0, 0};
    // Last mouse position in the image window; (-1, -1) until the mouse has come in, so that
    // nothing is read out before.
    int mouse_x = -1, mouse_y = -1;
    int client_width = 800, client_height = 512;
    int selected_slot = -1;  // answer of the image selection dialog
    // Save dialog memory: default extension (".BMP" at start) and the last filter index.
    std::string default_extension = ".BMP";
    int save_filter_index = 1;
    // Current directory with a trailing separator, taken at start-up; prefixed to dialog
    // results that are not absolute paths.
    std::string folder;
};

struct AppContext {
    explicit AppContext(Ui& ui_port, const OpKernels& op_kernels = AppKernels());
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    Ui& ui;
    const OpKernels& kernels;
    Workspace ws;
    Settings settings;
    ParamBlock params;
    ShellState shell;
    ViewState view;
    BatchState batch;
    DarkStore darks;  // the dark file list and the master dark
};

// Every setting to its default. keep_workspace 0 (start-up) also empties all slots;
// 1 (the "initialise all settings" command) keeps open images.
void InitSettings(AppContext& ctx, int keep_workspace);

// Start-up: defaults, "orva.ovg" from the current directory when present, then the files
// named on the command line.
void StartUp(AppContext& ctx, const std::vector<std::string>& files);

// "%d(%s) size:%dx%d %d%%" for the current slot; empty without an image.
std::string WindowTitle(const AppContext& ctx);

}  // namespace orva
