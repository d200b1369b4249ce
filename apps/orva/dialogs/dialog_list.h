// The table of dialogs: one line per dialog resource name and the function that builds it,
// std::unique_ptr<QDialog> Make...(AppContext&, QWidget* parent), defined in the dialog's own
// source. Included by dialogs.cpp twice (declarations, then the lookup table); no include
// guard on purpose.
ORVA_DIALOG("DISPCONF", MakeDisplaySettingsDialog)
ORVA_DIALOG("SELECT", MakeSelectDialog)
ORVA_DIALOG("SHARP", MakeSharpenDialog)
ORVA_DIALOG("EDGE", MakeEdgeDialog)
ORVA_DIALOG("RESIZE", MakeResizeDialog)
ORVA_DIALOG("CUT", MakeCropDialog)
ORVA_DIALOG("ROUND", MakeRotateDialog)
ORVA_DIALOG("WAIKYOKU", MakeDistortionDialog)
ORVA_DIALOG("HDR", MakeDynamicRangeDialog)
ORVA_DIALOG("GAMMA", MakeGammaDialog)
ORVA_DIALOG("LEVEL", MakeLevelDialog)
ORVA_DIALOG("WAVELET", MakeWaveletDialog)
ORVA_DIALOG("RESTORE", MakeRestoreDialog)
ORVA_DIALOG("GRAY", MakeGreyDialog)
ORVA_DIALOG("COLORUP", MakeSaturationHueDialog)
ORVA_DIALOG("CHGRGB", MakeColourChangeRgbDialog)
ORVA_DIALOG("CHGHSV", MakeColourChangeHsvDialog)
ORVA_DIALOG("LV", MakeNoiseDialog)
ORVA_DIALOG("RAWMODE", MakeRawDialog)
ORVA_DIALOG("DARK", MakeDarkDialog)
