// The command ids: menu items, toolbar cells, keys and internal commands all name their
// command by one of these. The numbers are those of the menus and the batch steps and are
// kept stable, since settings and tests refer to them.
#pragma once

namespace orva {

enum CommandId : int {
    // File
    kCmdOpen = 101,
    kCmdSave = 102,
    kCmdClose = 104,
    kCmdCloseAll = 105,
    kCmdPrint = 111,
    kCmdExit = 121,
    kCmdDarkFiles = 131,
    kCmdRawSettings = 132,
    kCmdInitSettings = 133,
    kCmdSaveSettings = 134,
    kCmdLoadSettings = 135,
    // Edit
    kCmdCopyZoomToAll = 200,  // internal: after the all-images toggle
    kCmdUndo = 201,
    kCmdRedo = 202,
    kCmdCopy = 211,
    kCmdAreaCopy = 212,
    kCmdCrop = 213,
    // Processing, compositing and background
    kCmdSharpen = 301,
    kCmdCompositeAuto = 302,
    kCmdEdge = 303,
    kCmdResize = 304,
    kCmdRotate = 305,
    kCmdBackground = 306,
    kCmdBackgroundImage = 307,
    kCmdCompositePoints = 308,
    kCmdBackgroundPoints = 309,
    kCmdGamma = 311,
    kCmdGrey = 312,
    kCmdLrgb = 313,
    kCmdSaturationHue = 314,
    kCmdDynamicRange = 315,
    kCmdWavelet = 316,
    kCmdRestore = 317,
    kCmdLevel = 318,
    kCmdLineSeparation = 320,
    kCmdDistortion = 330,
    kCmdColourChangeRgb = 331,
    kCmdColourChangeHsv = 332,
    kCmdLrgbFourImages = 360,
    kCmdCompareImages = 370,
    kCmdNoise = 777,
    kCmdCompositeFiles = 3021,
    kCmdCalibratedStack = 3025,  // ours: calibrated stacking of any number of frames
    kCmdLiveStack = 3026,        // ours: live stacking of the lights landing in a folder
    kCmdSampleCentre = 3061,
    kCmdSampleEdge = 3062,
    kCmdMakeBackground = 3071,
    // View
    kCmdZoomIn = 401,
    kCmdZoomOut = 402,
    kCmdHistogram = 411,
    kCmdPointReport = 412,
    kCmdCrossSection = 413,
    kCmdSelectImage = 421,
    kCmdDisplaySettings = 422,
    kCmdAutoStretch = 430,  // ours: a display-only stretch of linear data
    // Help
    kCmdHelp = 501,
    kCmdVersion = 502,
    kCmdExamples = 503,
    kCmdHelpInside = 504,  // ours: the help in ORVA's own window
    // Batch
    kCmdBatchSettings = 801,
    kCmdBatchStart = 802,
    kCmdBatchStop = 803,
    kCmdBatchOpen = 808,
    kCmdBatchSave = 809,
    kCmdRepaintToolbar = 999,  // internal: the strip's notice changed
};

}  // namespace orva
