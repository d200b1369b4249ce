<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>BackgroundDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/backg_dialog.ui" line="+5"/>
        <source>バックグランド補正(２次関数近似)</source>
        <translation>Background correction (quadratic fit)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>乗算</source>
        <translation>Multiply</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>引算</source>
        <translation>Subtract</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>中央の濃度</source>
        <translation>Centre level</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>最周辺濃度</source>
        <translation>Edge level</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>R</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>曲線パラメータ</source>
        <translation>Curve parameter</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>3.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>シフト量</source>
        <translation>Offset</translation>
    </message>
</context>
<context>
    <name>BackgroundImageDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/backg2_dialog.ui" line="+5"/>
        <source>バックグランド補正（画像データ参照）</source>
        <translation>Background correction (image data)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>バックグラウンドデータ</source>
        <translation>Background data</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>乗算</source>
        <translation>Multiply</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>引算</source>
        <translation>Subtract</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>シフト量</source>
        <translation>Offset</translation>
    </message>
</context>
<context>
    <name>BackgroundPointsDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/backg3_dialog.ui" line="+5"/>
        <source>バックグランド補正（ポイント指定）</source>
        <translation>Background correction (points)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>乗算</source>
        <translation>Multiply</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>引算</source>
        <translation>Subtract</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>シフト量</source>
        <translation>Offset</translation>
    </message>
</context>
<context>
    <name>ColourChangeHsvDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/colour_change_hsv_dialog.ui" line="+5"/>
        <source>色変更(HSV)</source>
        <translation>Colour change (HSV)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>元の色</source>
        <translation>Original colour</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+36"/>
        <source>色相</source>
        <translation>Hue</translation>
    </message>
    <message>
        <location line="-27"/>
        <location line="+36"/>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <location line="-27"/>
        <location line="+36"/>
        <source>明度</source>
        <translation>Value</translation>
    </message>
    <message>
        <location line="-24"/>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>変更後の色</source>
        <translation>New colour</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>許容量</source>
        <translation>Tolerance</translation>
    </message>
</context>
<context>
    <name>ColourChangeRgbDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/colour_change_rgb_dialog.ui" line="+5"/>
        <source>色変更(RGB)</source>
        <translation>Colour change (RGB)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>元の色</source>
        <translation>Original colour</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+36"/>
        <source>R(赤)</source>
        <translation>R (red)</translation>
    </message>
    <message>
        <location line="-27"/>
        <location line="+36"/>
        <source>G(緑)</source>
        <translation>G (green)</translation>
    </message>
    <message>
        <location line="-27"/>
        <location line="+36"/>
        <source>B(青)</source>
        <translation>B (blue)</translation>
    </message>
    <message>
        <location line="-24"/>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>変更後の色</source>
        <translation>New colour</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>許容量</source>
        <translation>Tolerance</translation>
    </message>
</context>
<context>
    <name>CompareDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/diff_dialog.ui" line="+5"/>
        <source>比較</source>
        <translation>Compare</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>基準</source>
        <translation>Reference</translation>
    </message>
</context>
<context>
    <name>CompositeAutoDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/composite_auto_dialog.ui" line="+5"/>
        <source>Composite(Auto)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像1</source>
        <translation>Image 1</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+15"/>
        <location line="+15"/>
        <location line="+15"/>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-42"/>
        <source>画像2</source>
        <translation>Image 2</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>画像3</source>
        <translation>Image 3</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>画像4</source>
        <translation>Image 4</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>合成方法</source>
        <translation>Method</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>平均</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>加算</source>
        <translation>Sum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最大</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最小</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>コントラスト最大</source>
        <translation>Maximum contrast</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>比較範囲</source>
        <translation>Search range</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+36"/>
        <source>ドット</source>
        <translation>pixels</translation>
    </message>
    <message>
        <location line="-33"/>
        <source>比較方法</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>高速(中央と角)</source>
        <translation>Fast (centre and corners)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>高速(中央のみ)</source>
        <translation>Fast (centre only)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>低速(全画素比較)</source>
        <translation>Slow (every pixel)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズ除去</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>移動モード</source>
        <translation>Shift mode</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズレベル</source>
        <translation>Noise level</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>濃度の正規化</source>
        <translation>Normalise levels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>１画素以上ずらす</source>
        <translation>Shift by at least one pixel</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ずらして合成&#x3000;&#x3000;X=</source>
        <translation>Shift   X=</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ドット&#x3000;&#x3000;Y=</source>
        <translation>pixels   Y=</translation>
    </message>
</context>
<context>
    <name>CompositeFilesDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/composite_files_dialog.ui" line="+5"/>
        <source>Composite(Multi Files)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ファイル削除</source>
        <translation>Remove file</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>合成方法</source>
        <translation>Method</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>平均</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>加算</source>
        <translation>Sum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最大</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最小</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>コントラスト最大</source>
        <translation>Maximum contrast</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>比較範囲</source>
        <translation>Search range</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ドット</source>
        <translation>pixels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>比較方法</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>高速(中央と角)</source>
        <translation>Fast (centre and corners)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>高速(中央のみ)</source>
        <translation>Fast (centre only)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>低速(全画素比較)</source>
        <translation>Slow (every pixel)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズ除去</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>移動モード</source>
        <translation>Shift mode</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズレベル</source>
        <translation>Noise level</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>濃度の正規化</source>
        <translation>Normalise levels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>１画素以上ずらす</source>
        <translation>Shift by at least one pixel</translation>
    </message>
</context>
<context>
    <name>CompositePointsDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/composite_points_dialog.ui" line="+5"/>
        <source>Composite(By point)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像1</source>
        <translation>Image 1</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-96"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>A (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-90"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>B (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-90"/>
        <source>画像2</source>
        <translation>Image 2</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>画像3</source>
        <translation>Image 3</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>画像4</source>
        <translation>Image 4</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>合成方法</source>
        <translation>Method</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>平均</source>
        <translation>Average</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>加算</source>
        <translation>Sum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最大</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>最小</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>コントラスト最大</source>
        <translation>Maximum contrast</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズ除去</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>移動モード</source>
        <translation>Shift mode</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズレベル</source>
        <translation>Noise level</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>濃度の正規化</source>
        <translation>Normalise levels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ずらして合成&#x3000;&#x3000;X=</source>
        <translation>Shift   X=</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ドット&#x3000;&#x3000;Y=</source>
        <translation>pixels   Y=</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>ドット</source>
        <translation>pixels</translation>
    </message>
</context>
<context>
    <name>CropDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/crop_dialog.ui" line="+5"/>
        <source>切り出しとサイズ変更</source>
        <translation>Crop and resize</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>切り出し</source>
        <translation>Crop</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>基準</source>
        <translation>Reference</translation>
    </message>
    <message>
        <location line="+33"/>
        <location line="+21"/>
        <source>サイズ</source>
        <translation>Size</translation>
    </message>
    <message>
        <location line="-18"/>
        <location line="+21"/>
        <source>X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-15"/>
        <location line="+21"/>
        <source>Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-12"/>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>拡大率</source>
        <translation>Scale</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DarkDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/dark_dialog.ui" line="+5"/>
        <source>Dark file Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>欠陥画素（ダークの方が値が大）の処理</source>
        <translation>Defective pixels (dark brighter than the image)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>元のまま(引かない)</source>
        <translation>Keep (do not subtract)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>0にする</source>
        <translation>Set to 0</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>周辺画素平均</source>
        <translation>Average of neighbours</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>欠陥画素判定レベル</source>
        <translation>Defect threshold</translation>
    </message>
</context>
<context>
    <name>DisplaySettingsDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/display_settings_dialog.ui" line="+5"/>
        <source>表示設定</source>
        <translation>Display settings</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>表示ビット数</source>
        <translation>Display bits</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>画像情報表示</source>
        <translation>Show image information</translation>
    </message>
</context>
<context>
    <name>DistortionDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/distortion_dialog.ui" line="+5"/>
        <source>歪曲収差補正</source>
        <translation>Distortion correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>角での補正量</source>
        <translation>Correction at the corners</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>画素</source>
        <translation>pixels</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>+なら外側へ、-なら中心へ移動</source>
        <translation>+ moves outwards, - towards the centre</translation>
    </message>
</context>
<context>
    <name>DynamicRangeDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/dynamic_range_dialog.ui" line="+5"/>
        <source>新階調補正</source>
        <translation>Dynamic range correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>補正を行う階調差</source>
        <translation>Tone difference corrected</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>補正強度</source>
        <translation>Strength</translation>
    </message>
</context>
<context>
    <name>EdgeDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/edge_dialog.ui" line="+5"/>
        <source>Edge Enhance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>R</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>エッジ強調の範囲(0-255)</source>
        <translation>Edge range (0-255)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>平滑化の強度(0-50)</source>
        <translation>Smoothing strength (0-50)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>強調の強度(0-50)</source>
        <translation>Enhancement strength (0-50)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>明暗の閾値</source>
        <translation>Light/dark threshold</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GammaDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/gamma_dialog.ui" line="+5"/>
        <source>GAMMA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>全色</source>
        <translation>All colours</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>R(赤)</source>
        <translation>R (red)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>G(緑)</source>
        <translation>G (green)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>B(青)</source>
        <translation>B (blue)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>直線</source>
        <translation>Straight</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>曲線</source>
        <translation>Curve</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>初期化</source>
        <translation>Reset</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>元の値</source>
        <translation>Input</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>→&#x3000;変換後</source>
        <translation>→ output</translation>
    </message>
</context>
<context>
    <name>GreyDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/grey_dialog.ui" line="+5"/>
        <source>白黒化</source>
        <translation>Monochrome</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>RGB最大値</source>
        <translation>RGB maximum</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>RGB最小値</source>
        <translation>RGB minimum</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>標準輝度</source>
        <translation>Standard luminance</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>マニュアル輝度</source>
        <translation>Manual luminance</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>R</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LevelDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/level_dialog.ui" line="+5"/>
        <source>LEVEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>全色</source>
        <translation>All colours</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>R(赤)</source>
        <translation>R (red)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>G(緑)</source>
        <translation>G (green)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>B(青)</source>
        <translation>B (blue)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>入力</source>
        <translation>Input</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+51"/>
        <source>最小</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <location line="-42"/>
        <location line="+51"/>
        <source>最大</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location line="-42"/>
        <source>明るさ</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>コントラスト</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ガンマ</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>初期化</source>
        <translation>Reset</translation>
    </message>
</context>
<context>
    <name>LiveStackDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/live_stack_dialog.cpp" line="+49"/>
        <source>読み込めません</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画素数が上限を超えています</source>
        <translation>more pixels than allowed</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>最初のフレームと大きさか種類が違います</source>
        <translation>not the size or kind of the first frame</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>星が見つかりません</source>
        <translation>no stars</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>FWHM %1 px が上限を超えています</source>
        <translation>FWHM %1 px above the limit</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>FWHM %1 px が採用済みの中央値の1.5倍を超えています</source>
        <translation>FWHM %1 px, over 1.5 times the median of those accepted</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>最初のフレームの星と一致しません</source>
        <translation>its stars match none of the first frame's</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1: 不採用（%2）</source>
        <translation>%1: rejected (%2)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1: 採用 — 星 %2、FWHM %3 px、ずれ %4, %5 px、回転 %6°</source>
        <translation>%1: accepted — %2 stars, FWHM %3 px, shift %4, %5 px, rotation %6°</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>ライブスタック</source>
        <translation>Live stack</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>バイアス</source>
        <translation>Bias</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ダーク</source>
        <translation>Dark</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>フラット</source>
        <translation>Flat</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>位置合わせ</source>
        <translation>Registration</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>星（回転・拡大も補正）</source>
        <translation>Stars (rotation and scale too)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>平行移動のみ</source>
        <translation>Shift only</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>外れ値除去</source>
        <translation>Rejection</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>シグマクリップ</source>
        <translation>Sigma clipping</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>ウィンザー化シグマクリップ</source>
        <translation>Winsorized sigma clipping</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>無し</source>
        <translation>None</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+112"/>
        <location line="+65"/>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location line="-176"/>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>（使わない）</source>
        <translation>(not used)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>参照…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>フォルダがありません: %1</source>
        <translation>No such folder: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>マスターファイルがありません: %1</source>
        <translation>No such master file: %1</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>待機中…</source>
        <translation>Waiting…</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>%1枚、露出 %2 秒</source>
        <translation>%1 frame(s), %2 s exposure</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>ライブスタックを続けられません: %1</source>
        <translation>Live stacking cannot go on: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>（停止）</source>
        <translation>(stopped)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>再開</source>
        <translation>Resume</translation>
    </message>
</context>
<context>
    <name>LrgbDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/lrgb_dialog.ui" line="+5"/>
        <source>L+RGB画像合成</source>
        <translation>L+RGB composite</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>輝度(L)画像</source>
        <translation>Luminance (L) image</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+24"/>
        <source>A (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-15"/>
        <location line="+24"/>
        <source>B (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-15"/>
        <source>色(RGB)画像</source>
        <translation>Colour (RGB) image</translation>
    </message>
</context>
<context>
    <name>LrgbFourDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/lrgb_four_dialog.ui" line="+5"/>
        <source>LRGB composite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>L(輝度)</source>
        <translation>L (luminance)</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-96"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>A (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-90"/>
        <location line="+33"/>
        <location line="+33"/>
        <location line="+33"/>
        <source>B (x,y)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-90"/>
        <source>R(赤)</source>
        <translation>R (red)</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>G(緑)</source>
        <translation>G (green)</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>B(青)</source>
        <translation>B (blue)</translation>
    </message>
</context>
<context>
    <name>MakeBackgroundDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/makebg_dialog.ui" line="+5"/>
        <source>Make background</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>背景検出領域(8-512)</source>
        <translation>Background search area (8-512)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>平均化領域(2-16)</source>
        <translation>Averaging area (2-16)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>２分割処理</source>
        <translation>Process in two halves</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>輝度0を除外する</source>
        <translation>Leave out luminance 0</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>無し(バックグランドデータ作成)</source>
        <translation>None (make background data)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>乗算補正</source>
        <translation>Multiplying correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>引算補正</source>
        <translation>Subtracting correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>シフト量</source>
        <translation>Offset</translation>
    </message>
</context>
<context>
    <name>NoiseDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/noise_dialog.ui" line="+5"/>
        <source>Noise Reduction</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>処理エリア(3-5)</source>
        <translation>Window size (3-5)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ノイズ除去の強度(1-5)</source>
        <translation>Noise reduction strength (1-5)</translation>
    </message>
</context>
<context>
    <name>RawDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/raw_dialog.ui" line="+5"/>
        <source>RAW現像設定</source>
        <translation>RAW development settings</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ORVA現像アルゴリズム(高速)</source>
        <translation>ORVA algorithm (fast)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>RAWデコーダー標準アルゴリズム(低速)</source>
        <translation>RAW decoder standard algorithm (slow)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ガンマ R</source>
        <translation>Gamma R</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ガンマ G</source>
        <translation>Gamma G</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ガンマ B</source>
        <translation>Gamma B</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>黒レベル R</source>
        <translation>Black level R</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>白レベル R</source>
        <translation>White level R</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>黒レベル G</source>
        <translation>Black level G</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>白レベル G</source>
        <translation>White level G</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>黒レベル B</source>
        <translation>Black level B</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>白レベル B</source>
        <translation>White level B</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>シャープネス</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>半径1画素</source>
        <translation>Radius 1 pixel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>半径2画素</source>
        <translation>Radius 2 pixels</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>偽色抑制</source>
        <translation>False colour suppression</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>色相</source>
        <translation>Hue</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>品質(低速時)</source>
        <translation>Quality (slow algorithm)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>初期設定</source>
        <translation>Defaults</translation>
    </message>
</context>
<context>
    <name>ResizeDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/resize_dialog.ui" line="+5"/>
        <source>サイズ変更</source>
        <translation>Resize</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>X方向サイズ</source>
        <translation>Width</translation>
    </message>
    <message>
        <location line="+6"/>
        <location line="+12"/>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <location line="-6"/>
        <source>Y方向サイズ</source>
        <translation>Height</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>縦横の比を変えない</source>
        <translation>Keep the aspect ratio</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Nearest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Bilinear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Lanczos(拡大)/Bilinear(縮小)</source>
        <translation>Lanczos (enlarge) / Bilinear (reduce)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Lanczos</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RestoreDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/restore_dialog.ui" line="+5"/>
        <source>ボケ補正</source>
        <translation>Blur restoration</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>繰り返し回数</source>
        <translation>Iterations</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+6"/>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-6"/>
        <location line="+6"/>
        <source>2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-6"/>
        <location line="+6"/>
        <source>3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-6"/>
        <source>4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>強調</source>
        <translation>Strength</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>フィルターの広がり</source>
        <translation>Filter width</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>フィルターの鈍り</source>
        <translation>Filter softness</translation>
    </message>
</context>
<context>
    <name>RotateDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/rotate_dialog.ui" line="+5"/>
        <source>回転</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>左９０度回転</source>
        <translation>Rotate 90° left</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>右９０度回転</source>
        <translation>Rotate 90° right</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>１８０度回転</source>
        <translation>Rotate 180°</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>角度指定(左回転が正)</source>
        <translation>By angle (left is positive)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>左右反転</source>
        <translation>Mirror left-right</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>上下反転</source>
        <translation>Flip top-bottom</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>度</source>
        <translation>degrees</translation>
    </message>
</context>
<context>
    <name>SaturationHueDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/saturation_hue_dialog.ui" line="+5"/>
        <source>彩度/色相調整</source>
        <translation>Saturation/Hue</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>彩度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>色相</source>
        <translation>Hue</translation>
    </message>
</context>
<context>
    <name>SelectDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/select_dialog.ui" line="+5"/>
        <source>画像選択</source>
        <translation>Select image</translation>
    </message>
</context>
<context>
    <name>SharpenDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/sharpen_dialog.ui" line="+5"/>
        <source>Sharp and Smooth</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>R</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>G</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+6"/>
        <source>平均値のフィルター係数</source>
        <translation>Averaging filter coefficients</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>鈍り</source>
        <translation>Softness</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>平滑化の範囲(0-255)</source>
        <translation>Smoothing range (0-255)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>平滑化の強度(0-50)</source>
        <translation>Smoothing strength (0-50)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>強調の強度(0-50)</source>
        <translation>Enhancement strength (0-50)</translation>
    </message>
</context>
<context>
    <name>WaveletDialog</name>
    <message>
        <location filename="../apps/orva/dialogs/wavelet_dialog.ui" line="+5"/>
        <source>ウェーブレット変換</source>
        <translation>Wavelet transform</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>5(L)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>1(H)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+12"/>
        <source>変換無し</source>
        <translation>No change</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>弱</source>
        <translation>Weak</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>中</source>
        <translation>Medium</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>強</source>
        <translation>Strong</translation>
    </message>
</context>
<context>
    <name>orva</name>
    <message>
        <location filename="../src/batch/batch_steps.cpp" line="+17"/>
        <source>ファイル開く(１枚)</source>
        <translation>Open file (one at a time)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ファイル保存</source>
        <translation>Save file</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>終了</source>
        <translation>End</translation>
    </message>
    <message>
        <location filename="../src/shell/commands.cpp" line="+121"/>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>保存(BMP,JPG,TIF,PPM)(&amp;S)</source>
        <translation>&amp;Save (BMP,JPG,TIF,PPM)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>全画像を閉じる</source>
        <translation>Close all images</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>印刷(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>ダークファイル設定(&amp;B)</source>
        <translation>Dar&amp;k files</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RAW現像設定(&amp;R)</source>
        <translation>&amp;RAW development settings</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全設定の初期化</source>
        <translation>Reset all settings</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>全設定の保存</source>
        <translation>Save all settings</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全設定の読み込み</source>
        <translation>Load all settings</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>アンドゥ(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>リドゥ(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>領域コピー(&amp;A)</source>
        <translation>Copy &amp;area</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>拡大表示(&amp;I)</source>
        <translation>Zoom &amp;in</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>縮小表示(&amp;O)</source>
        <translation>Zoom &amp;out</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ヒストグラム(&amp;H)</source>
        <translation>&amp;Histogram</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ポイント座標(&amp;X)</source>
        <translation>Point &amp;coordinates</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>断面濃度</source>
        <translation>Cross-section</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像選択(&amp;S)</source>
        <translation>&amp;Select image</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>オートストレッチ表示(&amp;T)</source>
        <translation>Auto s&amp;tretch display</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>表示モード設定</source>
        <translation>Display mode settings</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ヘルプ(ORVA内で表示)(&amp;I)</source>
        <translation>Help (shown &amp;inside ORVA)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>バージョン(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>
天体写真とデジタルカメラ画像のための画像処理ソフト</source>
        <translation>
Image processing for astrophotographs and digital camera pictures</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像処理例</source>
        <translation>Processing examples (Japanese)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>バッチ開始</source>
        <translation>Start batch</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>バッチ停止</source>
        <translation>Stop batch</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>バッチファイル開く</source>
        <translation>Open batch file</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>バッチファイル保存</source>
        <translation>Save batch file</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>キャリブレーション合成(&amp;C)</source>
        <translation>&amp;Calibrated stacking</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ライブスタック(&amp;V)</source>
        <translation>Li&amp;ve stack</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>中央背景取り込み</source>
        <translation>Sample centre background</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>周辺背景取り込み</source>
        <translation>Sample edge background</translation>
    </message>
    <message>
        <location filename="../src/shell/messages.h" line="+20"/>
        <source>メモリ不足で実行できません！</source>
        <translation>Not enough memory to run this!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>メモリ不足で画像を開けません！</source>
        <translation>Not enough memory to open the image!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>これ以上、画像を開けません！</source>
        <translation>No more images can be opened!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>これ以上、新たな画像を作れません！</source>
        <translation>No more new images can be made!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>サイズが不適切です！</source>
        <translation>The size is not valid!</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Error:画像ファイルを読み込めませんでした！
%s
(%s)</source>
        <translation>Error: the image file could not be read!
%s
(%s)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:画像ファイルを保存できませんでした！
%s
(%s)</source>
        <translation>Error: the image file could not be saved!
%s
(%s)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>全ての画像データ|*.BMP;*.PNG;*.TIF;*.TIFF;*.PPM;*.PGM;*.JPG;*.JPEG;*.GIF;*.FTS;*.FIT;*.FITS;*.CRW;*.CR2;*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;*.DNG;*.ERF;*.KDC;*.MEF;*.SRW|*.BMP|*.BMP|*.PNG|*.PNG|*.TIF|*.TIF;*.TIFF|*.PPM|*.PPM|*.PGM|*.PGM|*.JPG|*.JPG;*.JPEG|*.GIF|*.GIF|Fits|*.FTS;*.FIT;*.FITS|Digital camera RAW|*.CRW;*.CR2;*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;*.DNG;*.ERF;*.KDC;*.MEF;*.SRW|All|*.*||</source>
        <translation>All image files|*.BMP;*.PNG;*.TIF;*.TIFF;*.PPM;*.PGM;*.JPG;*.JPEG;*.GIF;*.FTS;*.FIT;*.FITS;*.CRW;*.CR2;*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;*.DNG;*.ERF;*.KDC;*.MEF;*.SRW|*.BMP|*.BMP|*.PNG|*.PNG|*.TIF|*.TIF;*.TIFF|*.PPM|*.PPM|*.PGM|*.PGM|*.JPG|*.JPG;*.JPEG|*.GIF|*.GIF|Fits|*.FTS;*.FIT;*.FITS|Digital camera RAW|*.CRW;*.CR2;*.NEF;*.NRW;*.PEF;*.RAF;*.ORF;*.MRW;*.RAW;*.RW2;*.RWL;*.SRF;*.ARW;*.SR2;*.DNG;*.ERF;*.KDC;*.MEF;*.SRW|All|*.*||</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>ORVA設定ファイル(*.ovg)|*.OVG|All|*.*||</source>
        <translation>ORVA settings file (*.ovg)|*.OVG|All|*.*||</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ORVAバッチファイル(*.ovb)|*.OVB|All|*.*||</source>
        <translation>ORVA batch file (*.ovb)|*.OVB|All|*.*||</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>全設定を初期化しますが、良いですか？</source>
        <translation>All settings will be reset. Is that all right?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全設定を保存します。

%sをインストールしたフォルダーに
&quot;orva.ovg&quot;の名前で保存すると、
次回起動時に自動的に読み込まれます！</source>
        <translation>Saves all settings.

Saved as &quot;orva.ovg&quot; in the folder
where %s is installed, they are
read automatically at the next start!</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Error:設定を保存できませんでした！</source>
        <translation>Error: the settings could not be saved!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:設定を読み込めませんでした！</source>
        <translation>Error: the settings could not be read!</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>

A - B 座標の差( %d , %d )
      距離 %d</source>
        <translation>

A - B difference ( %d , %d )
      distance %d</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>AキーとBキーで座標を指定してから
このメニューを選んで下さい！</source>
        <translation>Mark the points with the A and B keys,
then choose this menu entry!</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>サイズが大きすぎ、２倍に拡大できません！
等倍で処理します。</source>
        <translation>The image is too large to be enlarged twice!
It is processed at its own size.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Aキーで色を変更する場所を指定してから
このメニューを選ぶ事も可能です</source>
        <translation>You can also mark the colour to change with the A key
before choosing this menu entry</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>help.htm</source>
        <translation>help_en.htm</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイルを表示できませんでした。
%sをインストールしたフォルダの&quot;help.htm&quot;をご覧下さい。</source>
        <translation>The file could not be shown.
Please read &quot;help_en.htm&quot; in the folder where %s is installed.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ORVA ヘルプ</source>
        <translation>ORVA Help</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ファイルを表示できませんでした。
%sをインストールしたフォルダの&quot;ORVA.htm&quot;をご覧下さい。</source>
        <translation>The file could not be shown.
Please read &quot;ORVA.htm&quot; in the folder where %s is installed.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>バッチ処理の設定が行われていません！</source>
        <translation>The batch has not been set up!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:バッチ処理で一度にコンポジットできるのは１６画像までです！
最初の１６画像だけで処理を行います。</source>
        <translation>Error: a batch can stack at most 16 images at once!
Only the first 16 images are processed.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>＊＊＊&#x3000;バッチ処理中&#x3000;＊＊＊</source>
        <translation>*** Batch running ***</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>バッチモード：ファイルをドラッグアンドドロップして下さい！</source>
        <translation>Batch mode: drag and drop files here!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイル数：%d 枚
処理時間&#x3000;：%d.%02d 秒</source>
        <translation>Files: %d
Time : %d.%02d s</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>詳細設定は不要です。
ファイルをドラッグアンドドロップすると
１枚ずつバッチ処理が実行されます。</source>
        <translation>No details to set.
Files dragged and dropped
are processed one by one.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>複数のファイルをドラッグアンドドロップすると
それらを合成してからバッチ処理が実行されます。
コンポジットの設定のみ行って下さい。</source>
        <translation>Several files dragged and dropped
are stacked first, then processed.
Set up the compositing only.</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>現在の設定は下記の通りです。これでよろしいですか？
  フォルダー：%s
  フォーマット：%s</source>
        <translation>The settings are as follows. Is that all right?
  Folder: %s
  Format: %s</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>正しく設定できていません。仮のファイル名を入力し、保存ボタンを押して下さい。</source>
        <translation>Not set correctly. Type a provisional file name and press the Save button.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>バッチモードでは、バックグランド補正は
乗算補正か引算補正を選択下さい！</source>
        <translation>In batch mode, choose multiplying or
subtracting background correction!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>8.ファイル保存の詳細設定を押し、
保存するフォルダーを設定下さい！</source>
        <translation>Press the details of step 8 (save file)
and set the folder to save to!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>合成するライトフレームが選択されていません！</source>
        <translation>No light frames to stack have been chosen!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイルを保存するフォルダーを確認下さい！</source>
        <translation>Please check the folder the files are saved to!</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>  [オートストレッチ表示中]</source>
        <translation>  [auto-stretched display]</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像の背景選択終了！</source>
        <translation>Background selection finished!</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>画像が２つ以上選択されていません！</source>
        <translation>Fewer than two images are chosen!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>L画像が選択されていません！</source>
        <translation>No L image is chosen!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像が選択されていません！</source>
        <translation>No image is chosen!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>R,G,B画像が選択されていません！</source>
        <translation>The R, G and B images are not chosen!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:ファイル数が１６個を超えました！
超えたファイルは読み込みません！</source>
        <translation>Error: more than 16 files!
The files beyond 16 are not read!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%s %s ほか%d枚</source>
        <translation>%s %s and %d more</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>２つの画像のサイズが異なります！（%dx%d と %dx%d）
このまま比較しますか？</source>
        <translation>The two images differ in size! (%dx%d and %dx%d)
Compare them anyway?</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイルをドラッグアンドドロップして下さい</source>
        <translation>Drag and drop files here</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像中央付近の背景を選択して下さい！</source>
        <translation>Pick the background near the centre of the image!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像角付近の背景を選択して下さい！</source>
        <translation>Pick the background near a corner of the image!</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>画像の背景をできるだけ多く選択して下さい！
終了したい時は右ボタンを押して下さい。</source>
        <translation>Pick as many background points as you can!
Press the right button to finish.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>このファイルは、RAW/FITSではないので設定できません！</source>
        <translation>This file is not RAW or FITS and cannot be used!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>これ以上、ファイルを追加できません！</source>
        <translation>No more files can be added!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:ダークファイルのフォーマットが異なります！</source>
        <translation>Error: the dark files differ in format!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:ダークファイルのサイズが異なります！</source>
        <translation>Error: the dark files differ in size!</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>RAW現像設定</source>
        <translation>RAW development settings</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>合成から除外したライト:</source>
        <translation>Lights left out of the stack:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>合成についての注意:</source>
        <translation>Notes on the stack:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Error:レポートを書き込めませんでした！
%s
(%s)</source>
        <translation>Error: the report could not be written!
%s
(%s)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>RAWフレームを読み込んでいます</source>
        <translation>Reading the RAW frames</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>マスターバイアスを作成中（%d枚）</source>
        <translation>Making the master bias (%d frames)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>マスターダークを作成中（%d枚）</source>
        <translation>Making the master dark (%d frames)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>マスターフラットを作成中（%d枚）</source>
        <translation>Making the master flat (%d frames)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>位置合わせ中&#x3000;%d／%d枚</source>
        <translation>Registering %d/%d frames</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>除外：%s</source>
        <translation>Left out: %s</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>合成中&#x3000;プレーン%d&#x3000;%d／%d行</source>
        <translation>Combining plane %d, row %d/%d</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>完了</source>
        <translation>Done</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ライブスタック %d枚</source>
        <translation>Live stack %d frame(s)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%s に書き込めません: %s</source>
        <translation>Cannot write %s: %s</translation>
    </message>
    <message>
        <location filename="../src/shell/operations.cpp" line="+20"/>
        <source>シャープ/スムーズ(&amp;S)</source>
        <translation>&amp;Sharpen/Smooth</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>シャープ/スムーズ</source>
        <translation>Sharpen/Smooth</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>エッジ強調(&amp;E)</source>
        <translation>&amp;Edge enhancement</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>エッジ強調</source>
        <translation>Edge enhancement</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>サイズ変更(&amp;R)</source>
        <translation>&amp;Resize</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+1"/>
        <source>切り出しとサイズ変更</source>
        <translation>Crop and resize</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>回転(&amp;T)</source>
        <translation>Ro&amp;tate</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>回転</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>歪曲収差補正(&amp;Y)</source>
        <translation>&amp;Distortion correction</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>歪曲収差補正</source>
        <translation>Distortion correction</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>ガンマ補正(&amp;G)</source>
        <translation>&amp;Gamma correction</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ガンマ補正</source>
        <translation>Gamma correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>レベル補正(&amp;L)</source>
        <translation>&amp;Level correction</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>レベル補正</source>
        <translation>Level correction</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ダイナミックレンジ補正(&amp;K)</source>
        <translation>D&amp;ynamic range correction</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ダイナミックレンジ補正</source>
        <translation>Dynamic range correction</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ウェーブレット(&amp;W)</source>
        <translation>&amp;Wavelet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ウェーブレット</source>
        <translation>Wavelet</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+1"/>
        <source>ボケ補正</source>
        <translation>Blur restoration</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>白黒化(&amp;M)</source>
        <translation>&amp;Monochrome</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>彩度／色相調整(&amp;U)</source>
        <translation>Sat&amp;uration/Hue</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>彩度/色相調整</source>
        <translation>Saturation/Hue</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>色変更(RGB)</source>
        <translation>Colour change (RGB)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>色変更(HSV)</source>
        <translation>Colour change (HSV)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ノイズ除去(&amp;N)</source>
        <translation>&amp;Noise reduction</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ノイズ除去</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>奇数／偶数ライン分離(&amp;O)</source>
        <translation>&amp;Odd/even line separation</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>補正実行(&amp;B)</source>
        <translation>Correct &amp;background</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>バックグランド補正（画像データ）(&amp;G)</source>
        <translation>Background correction (&amp;image data)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>バックグランドデータ生成</source>
        <translation>Make background data</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>バックグランド補正</source>
        <translation>Background correction</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>バックグランド補正(ポイント指定)</source>
        <translation>Background correction (points)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>２画像比較</source>
        <translation>Compare two images</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>画像合成-複数ファイル(&amp;M)</source>
        <translation>Composite - &amp;multiple files</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ファイル開く&amp;画像合成</source>
        <translation>Open files &amp;&amp; composite</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>画像合成-自動(&amp;A)</source>
        <translation>Composite - &amp;automatic</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>画像合成-ポイント指定(&amp;P)</source>
        <translation>Composite - by &amp;points</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>L+RGB画像合成(&amp;L)</source>
        <translation>&amp;L+RGB composite</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>L+R+G+B画像合成</source>
        <translation>L+R+G+B composite</translation>
    </message>
    <message>
        <location filename="../src/view/toolbar.cpp" line="+78"/>
        <source>上半分: 次の画像／下半分: 前の画像</source>
        <translation>Upper half: next image / lower half: previous image</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>全画像モードの切り替え</source>
        <translation>Switch the all-images mode</translation>
    </message>
    <message>
        <location filename="../apps/orva/dialogs/batch_dialog.cpp" line="+48"/>
        <source>詳細設定</source>
        <translation>Details</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>時間計測</source>
        <translation>Measure time</translation>
    </message>
    <message>
        <location filename="../apps/orva/dialogs/calibrated_stack_dialog.cpp" line="+83"/>
        <source>キャリブレーション合成</source>
        <translation>Calibrated stacking</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ライト</source>
        <translation>Lights</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>バイアス</source>
        <translation>Bias</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ダーク</source>
        <translation>Darks</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>フラット</source>
        <translation>Flats</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>追加</source>
        <translation>Add</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>クリア</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+8"/>
        <location line="+75"/>
        <source>無し</source>
        <translation>None</translation>
    </message>
    <message>
        <location line="-75"/>
        <source>シグマクリップ</source>
        <translation>Sigma clipping</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ウィンザー化シグマクリップ</source>
        <translation>Winsorized sigma clipping</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最小・最大除外</source>
        <translation>Min/max rejection</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>中央値</source>
        <translation>Median</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>外れ値除去</source>
        <translation>Outlier rejection</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>κ 下・上</source>
        <translation>κ low/high</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>繰り返し</source>
        <translation>Iterations</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>ノイズで重み付け</source>
        <translation>Weight by noise</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>マスターは中央値</source>
        <translation>Median masters</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>星（回転・拡大も補正）</source>
        <translation>Stars (rotation and scale too)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>平行移動のみ</source>
        <translation>Translation only</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>位置合わせ</source>
        <translation>Registration</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>正規化</source>
        <translation>Normalisation</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>加算</source>
        <translation>Additive</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>乗算</source>
        <translation>Multiplicative</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>加算＋スケール</source>
        <translation>Additive + scale</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>全て使用</source>
        <translation>Use all</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>FWHMの良い順に残す</source>
        <translation>Keep the best by FWHM</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>制限なし</source>
        <translation>No limit</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>FWHMの上限</source>
        <translation>FWHM limit</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>（書き出さない）</source>
        <translation>(not written)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>参照…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>レポート（CSV）</source>
        <translation>Report (CSV)</translation>
    </message>
    <message>
        <location filename="../apps/orva/menus.cpp" line="+26"/>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+25"/>
        <source>画像処理(&amp;I)</source>
        <translation>&amp;Image</translation>
    </message>
    <message>
        <location line="-20"/>
        <source>合成</source>
        <translation>&amp;Composite</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>バックグランド</source>
        <translation>Back&amp;ground</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>バッチ(&amp;B)</source>
        <translation>&amp;Batch</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>言語 (Language)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>日本語</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>言語の変更は次回の起動から有効になります。</source>
        <translation>The new language takes effect the next time ORVA starts.</translation>
    </message>
    <message>
        <location filename="../apps/orva/qt_ui.cpp" line="+337"/>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
</context>
</TS>
