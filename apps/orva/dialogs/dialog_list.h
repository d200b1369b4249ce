// The table of dialogs: one line per dialog resource name and the function that builds it,
// std::unique_ptr<QDialog> Make...(AppContext&, QWidget* parent), defined in the dialog's own
// source. Included by dialogs.cpp twice (declarations, then the lookup table); no include
// guard on purpose.
ORVA_DIALOG("DISPCONF", MakeDispconfDialog)
ORVA_DIALOG("SELECT", MakeSelectDialog)
ORVA_DIALOG("SHARP", MakeSharpDialog)
ORVA_DIALOG("EDGE", MakeEdgeDialog)
ORVA_DIALOG("RESIZE", MakeResizeDialog)
ORVA_DIALOG("CUT", MakeCutDialog)
ORVA_DIALOG("ROUND", MakeRoundDialog)
ORVA_DIALOG("WAIKYOKU", MakeWaikyokuDialog)
ORVA_DIALOG("HDR", MakeHdrDialog)
ORVA_DIALOG("GAMMA", MakeGammaDialog)
ORVA_DIALOG("LEVEL", MakeLevelDialog)
ORVA_DIALOG("WAVELET", MakeWaveletDialog)
ORVA_DIALOG("RESTORE", MakeRestoreDialog)
ORVA_DIALOG("GRAY", MakeGrayDialog)
ORVA_DIALOG("COLORUP", MakeColorUpDialog)
ORVA_DIALOG("CHGRGB", MakeChgRgbDialog)
ORVA_DIALOG("CHGHSV", MakeChgHsvDialog)
ORVA_DIALOG("LV", MakeLvDialog)
