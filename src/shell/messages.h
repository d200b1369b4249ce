// Every text the user sees from the shell, verbatim, in one place. Texts with printf
// conversions are filled with Format() from common/text.h.
#pragma once

#include "common/translate.h"

namespace orva::msg {

inline constexpr const char* kProductName = "ORVA";
inline constexpr const char* kVersionLine = "%s Ver.5.90";

// Message box titles.
inline constexpr const char* kTitleError = "Error !";
inline constexpr const char* kTitleCaution = "Caution !";
inline constexpr const char* kTitleMessage = "Message !";
inline constexpr const char* kTitleSave = "Save or not !";
inline constexpr const char* kTitleAbout = "About %s !";

// Workspace and files.
inline constexpr const char* kNoMemoryRun = ORVA_TEXT("orva", "メモリ不足で実行できません！");
inline constexpr const char* kNoMemoryOpen = ORVA_TEXT("orva", "メモリ不足で画像を開けません！");
inline constexpr const char* kNoSlotOpen = ORVA_TEXT("orva", "これ以上、画像を開けません！");
inline constexpr const char* kNoSlotNew = ORVA_TEXT("orva", "これ以上、新たな画像を作れません！");
inline constexpr const char* kBadSize = ORVA_TEXT("orva", "サイズが不適切です！");
inline constexpr const char* kNotSupported = "%s : %s not support this format !";
inline constexpr const char* kOverwrite = "\"%s\" already exist.\n Do you overwrite file ?";
inline constexpr const char* kSaveChanged = "Image No.%d(%s) is changed !\nDo you save ?";
inline constexpr const char* kWindowTitle = "%d(%s) size:%dx%d %d%%";
inline constexpr const char* kSelectListEntry = "%03d(%s)";
// Our own additions: a file that opened but could not be read, and a write that failed,
// are reported instead of passing silently.
inline constexpr const char* kLoadFailed =
    ORVA_TEXT("orva", "Error:画像ファイルを読み込めませんでした！\n%s\n(%s)");
inline constexpr const char* kSaveFailed =
    ORVA_TEXT("orva", "Error:画像ファイルを保存できませんでした！\n%s\n(%s)");

// Dialog titles and filter lists ("|" separates label and pattern pairs). GIF files are read,
// so the open list shows them too (ours).
inline constexpr const char* kLoadTitle = "LOAD";
inline constexpr const char* kSaveTitle = "SAVE";
inline constexpr const char* kOpenFilter = ORVA_TEXT(
    "orva",
    "全ての画像データ|*.BMP;*.PNG;*.TIF;*.TIFF;*.PPM;*.PGM;*.JPG;*.JPEG;*.GIF;*.FTS;*.FIT;*.FITS;"
    "*.CRW;*.CR2;*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;"
    "*.DNG;*.ERF;*.KDC;*.MEF;*.SRW|*.BMP|*.BMP|*.PNG|*.PNG|*.TIF|*.TIF;*.TIFF|*.PPM|*.PPM|"
    "*.PGM|*.PGM|*.JPG|*.JPG;*.JPEG|*.GIF|*.GIF|Fits|*.FTS;*.FIT;*.FITS|Digital camera "
    "RAW|*.CRW;*.CR2;"
    "*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;*.DNG;*.ERF;"
    "*.KDC;*.MEF;*.SRW|All|*.*||");
inline constexpr const char* kSaveFilter =
    "BMP(24bit)|*.BMP|PNG(24bit)|*.PNG|JPEG(24bit,JFIF)|*.JPG|JPEG(24bit,EXIF)|*.JPG|"
    "TIFF(48bit)|*.TIF|PPM(48bit,bin)|*.PPM|PPM(48bit,ASCII)|*.PPM|FITS(16bit)|*.FIT;*.FTS;*.FITS|"
    "|";
inline constexpr const char* kSettingsFilter =
    ORVA_TEXT("orva", "ORVA設定ファイル(*.ovg)|*.OVG|All|*.*||");
inline constexpr const char* kBatchFilter =
    ORVA_TEXT("orva", "ORVAバッチファイル(*.ovb)|*.OVB|All|*.*||");
inline constexpr const char* kSettingsFileName = "orva.ovg";

// Settings.
inline constexpr const char* kAskInitSettings =
    ORVA_TEXT("orva", "全設定を初期化しますが、良いですか？");
inline constexpr const char* kSaveSettingsInfo = ORVA_TEXT(
    "orva",
    "全設定を保存します。\n\n%sをインストールしたフォルダーに\n\"orva.ovg\"の名前で保存すると、\n"
    "次回起動時に自動的に読み込まれます！");
inline constexpr const char* kSettingsNotSaved =
    ORVA_TEXT("orva", "Error:設定を保存できませんでした！");
inline constexpr const char* kSettingsNotLoaded =
    ORVA_TEXT("orva", "Error:設定を読み込めませんでした！");

// Points.
// With both points set the report is the block of A, a blank line, the block of B, and this.
inline constexpr const char* kPointsDifference =
    ORVA_TEXT("orva", "\n\nA - B 座標の差( %d , %d )\n      距離 %d");
inline constexpr const char* kPointA = "Point A ( %d , %d )\n    R:%d G:%d B:%d";
inline constexpr const char* kPointB = "Point B ( %d , %d )\n    R:%d G:%d B:%d";
inline constexpr const char* kPointADecimal =
    "Point A ( %d , %d )\n    R:%d.%01d G:%d.%01d B:%d.%01d";
inline constexpr const char* kPointBDecimal =
    "Point B ( %d , %d )\n    R:%d.%01d G:%d.%01d B:%d.%01d";
inline constexpr const char* kPointsNone =
    ORVA_TEXT("orva", "AキーとBキーで座標を指定してから\nこのメニューを選んで下さい！");

// Wavelet enlargement refused for an image with a side of 5000 or more.
inline constexpr const char* kWaveletTooLarge =
    ORVA_TEXT("orva", "サイズが大きすぎ、２倍に拡大できません！\n等倍で処理します。");

// Colour changes: how to take the source colour from the picture.
inline constexpr const char* kColourPointHint =
    ORVA_TEXT("orva", "Aキーで色を変更する場所を指定してから\nこのメニューを選ぶ事も可能です");

// Help.
inline constexpr const char* kHelpFile = ORVA_TEXT("orva", "help.htm");
inline constexpr const char* kExamplesFile = "ORVA.htm";
inline constexpr const char* kHelpMissing = ORVA_TEXT(
    "orva",
    "ファイルを表示できませんでした。\n%sをインストールしたフォルダの\"help.htm\"をご覧下さい。");
inline constexpr const char* kHelpWindowTitle = ORVA_TEXT("orva", "ORVA ヘルプ");
inline constexpr const char* kExamplesMissing = ORVA_TEXT(
    "orva",
    "ファイルを表示できませんでした。\n%sをインストールしたフォルダの\"ORVA.htm\"をご覧下さい。");

// Batch.
inline constexpr const char* kBatchNotSetUp =
    ORVA_TEXT("orva", "バッチ処理の設定が行われていません！");
inline constexpr const char* kBatchTooMany =
    ORVA_TEXT("orva",
              "Error:バッチ処理で一度にコンポジットできるのは１６画像までです！\n"
              "最初の１６画像だけで処理を行います。");
inline constexpr const char* kBatchRunning = ORVA_TEXT("orva", "＊＊＊　バッチ処理中　＊＊＊");
inline constexpr const char* kBatchPrompt =
    ORVA_TEXT("orva", "バッチモード：ファイルをドラッグアンドドロップして下さい！");
inline constexpr const char* kBatchTime =
    ORVA_TEXT("orva", "ファイル数：%d 枚\n処理時間　：%d.%02d 秒");
inline constexpr const char* kBatchOpenOneDetail =
    ORVA_TEXT("orva",
              "詳細設定は不要です。\nファイルをドラッグアンドドロップすると\n"
              "１枚ずつバッチ処理が実行されます。");
inline constexpr const char* kBatchCompositeDetail = ORVA_TEXT(
    "orva",
    "複数のファイルをドラッグアンドドロップすると\nそれらを合成してからバッチ処理が実行されます。\n"
    "コンポジットの設定のみ行って下さい。");
inline constexpr const char* kBatchSaveConfirm = ORVA_TEXT(
    "orva",
    "現在の設定は下記の通りです。これでよろしいですか？\n  フォルダー：%s\n  フォーマット：%s");
inline constexpr const char* kBatchSaveRetry = ORVA_TEXT(
    "orva", "正しく設定できていません。仮のファイル名を入力し、保存ボタンを押して下さい。");
inline constexpr const char* kBatchBackgroundMode =
    ORVA_TEXT("orva", "バッチモードでは、バックグランド補正は\n乗算補正か引算補正を選択下さい！");
inline constexpr const char* kBatchNoSaveFolder =
    ORVA_TEXT("orva", "8.ファイル保存の詳細設定を押し、\n保存するフォルダーを設定下さい！");
inline constexpr const char* kNoLightFrames =
    ORVA_TEXT("orva", "合成するライトフレームが選択されていません！");
inline constexpr const char* kBatchCheckFolder =
    ORVA_TEXT("orva", "ファイルを保存するフォルダーを確認下さい！");

// Histogram window, toolbar strip and printing.
inline constexpr const char* kHistogramTitle = "Histgram";
inline constexpr const char* kMaxLineDecimal = "MAX  R:%3d.%01d G:%3d.%01d B:%3d.%01d";
inline constexpr const char* kMaxLine4 = "MAX  R:%4d G:%4d B:%4d";
inline constexpr const char* kMaxLine5 = "MAX  R:%5d G:%5d B:%5d";
inline constexpr const char* kMinLineDecimal = "MIN  R:%3d.%01d G:%3d.%01d B:%3d.%01d";
inline constexpr const char* kMinLine4 = "MIN  R:%4d G:%4d B:%4d";
inline constexpr const char* kMinLine5 = "MIN  R:%5d G:%5d B:%5d";
inline constexpr const char* kAllImagesLabel = " All image ";
inline constexpr const char* kOneImageLabel = "One image";
inline constexpr const char* kPrintDocument = "ORVA(%s)";
// After the main window's title while the display is auto-stretched (ours).
inline constexpr const char* kAutoStretchMark = ORVA_TEXT("orva", "  [オートストレッチ表示中]");

// Image window: the end of a background point list.
inline constexpr const char* kBackgroundPointsDone = ORVA_TEXT("orva", "画像の背景選択終了！");

// Stacking.
inline constexpr const char* kNeedTwoImages =
    ORVA_TEXT("orva", "画像が２つ以上選択されていません！");
inline constexpr const char* kNoLuminanceImage = ORVA_TEXT("orva", "L画像が選択されていません！");
inline constexpr const char* kNoImageChosen =
    ORVA_TEXT("orva", "画像が選択されていません！");  // also DIFF, BACKG2
inline constexpr const char* kNoRgbImages = ORVA_TEXT("orva", "R,G,B画像が選択されていません！");
inline constexpr const char* kTooManyFiles =
    ORVA_TEXT("orva", "Error:ファイル数が１６個を超えました！\n超えたファイルは読み込みません！");
// The name of a multi-file stack: the command, the first file, how many more (ours).
inline constexpr const char* kFilesResultName = ORVA_TEXT("orva", "%s %s ほか%d枚");
// Two pictures of different sizes compared (ours).
inline constexpr const char* kCompareSizesDiffer =
    ORVA_TEXT("orva", "２つの画像のサイズが異なります！（%dx%d と %dx%d）\nこのまま比較しますか？");
inline constexpr const char* kDropFilesHere =
    ORVA_TEXT("orva", "ファイルをドラッグアンドドロップして下さい");
// Background corrections and the two-image comparison.
inline constexpr const char* kSampleCentrePrompt =
    ORVA_TEXT("orva", "画像中央付近の背景を選択して下さい！");
inline constexpr const char* kSampleEdgePrompt =
    ORVA_TEXT("orva", "画像角付近の背景を選択して下さい！");
inline constexpr const char* kBackgroundPointsPrompt = ORVA_TEXT(
    "orva", "画像の背景をできるだけ多く選択して下さい！\n終了したい時は右ボタンを押して下さい。");
inline constexpr const char* kBackgroundListEntry = "%02d(%s)";  // BACKG2 and DIFF lists
// Dark files (dialog DARK) and RAW development (dialog RAWMODE).
inline constexpr const char* kDarkDialogTitle = "Dark file Select";
inline constexpr const char* kDarkNotRawOrFits =
    ORVA_TEXT("orva", "このファイルは、RAW/FITSではないので設定できません！");
inline constexpr const char* kDarkListFull =
    ORVA_TEXT("orva", "これ以上、ファイルを追加できません！");
inline constexpr const char* kDarkMixedFormats =
    ORVA_TEXT("orva", "Error:ダークファイルのフォーマットが異なります！");
inline constexpr const char* kDarkMixedSizes =
    ORVA_TEXT("orva", "Error:ダークファイルのサイズが異なります！");
inline constexpr const char* kDarkListEntry = "%d %s";
inline constexpr const char* kRawDialogTitle = ORVA_TEXT("orva", "RAW現像設定");
// Calibrated stacking (ours): lights left out (not registered, or not among the best).
inline constexpr const char* kLightsLeftOut = ORVA_TEXT("orva", "合成から除外したライト:");
inline constexpr const char* kStackWarnings = ORVA_TEXT("orva", "合成についての注意:");
inline constexpr const char* kStackReportFailed =
    ORVA_TEXT("orva", "Error:レポートを書き込めませんでした！\n%s\n(%s)");
// Its progress lines, as the desktop shows them (the command line prints the engine's own).
inline constexpr const char* kStackReadingRaw = ORVA_TEXT("orva", "RAWフレームを読み込んでいます");
inline constexpr const char* kStackMasterBias =
    ORVA_TEXT("orva", "マスターバイアスを作成中（%d枚）");
inline constexpr const char* kStackMasterDark = ORVA_TEXT("orva", "マスターダークを作成中（%d枚）");
inline constexpr const char* kStackMasterFlat =
    ORVA_TEXT("orva", "マスターフラットを作成中（%d枚）");
inline constexpr const char* kStackRegistering = ORVA_TEXT("orva", "位置合わせ中　%d／%d枚");
inline constexpr const char* kStackLeftOut = ORVA_TEXT("orva", "除外：%s");
inline constexpr const char* kStackCombining = ORVA_TEXT("orva", "合成中　プレーン%d　%d／%d行");
inline constexpr const char* kStackDone = ORVA_TEXT("orva", "完了");

// Live stacking: the image slot that shows the stack, and a save that failed.
inline constexpr const char* kLiveStackName = ORVA_TEXT("orva", "ライブスタック %d枚");
inline constexpr const char* kLiveStackSaveFailed = ORVA_TEXT("orva", "%s に書き込めません: %s");

}  // namespace orva::msg
