<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DialogMessages</name>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
</context>
<context>
    <name>tintwell::ColorEditDialog</name>
    <message>
        <source>基本色(&amp;B):</source>
        <translation>&amp;Basic colors:</translation>
    </message>
    <message>
        <source>色合い(&amp;E):</source>
        <translation>Hu&amp;e:</translation>
    </message>
    <message>
        <source>鮮やかさ(&amp;S):</source>
        <translation>&amp;Sat:</translation>
    </message>
    <message>
        <source>明るさ(&amp;L):</source>
        <translation>&amp;Val:</translation>
    </message>
    <message>
        <source>赤(&amp;R):</source>
        <translation>&amp;Red:</translation>
    </message>
    <message>
        <source>緑(&amp;G):</source>
        <translation>&amp;Green:</translation>
    </message>
    <message>
        <source>青(&amp;U):</source>
        <translation>Bl&amp;ue:</translation>
    </message>
    <message>
        <source>色の設定</source>
        <translation>Edit Color</translation>
    </message>
    <message>
        <source>適用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>色番号</source>
        <translation>Index</translation>
    </message>
</context>
<context>
    <name>tintwell::FileListModel</name>
    <message>
        <source>%1
選択した色のピクセル数: %2</source>
        <translation>%1
Pixels of the selected colors: %2</translation>
    </message>
</context>
<context>
    <name>tintwell::HelpDialog</name>
    <message>
        <source>Tintwell ヘルプ</source>
        <translation>Tintwell Help</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>tintwell::MainWindow</name>
    <message>
        <source>消去</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>全消去</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>色まとめ</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>ファイル出力</source>
        <translation>Write files</translation>
    </message>
    <message>
        <source>パレット保存</source>
        <translation>Save palette</translation>
    </message>
    <message>
        <source>パレット</source>
        <translation>Palette</translation>
    </message>
</context>
<context>
    <name>tintwell::OutputDirDialog</name>
    <message>
        <source>参&#x3000;照</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>出&#x3000;力</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>出力ディレクトリを指定して下さい</source>
        <translation>Choose the output folder</translation>
    </message>
</context>
<context>
    <name>tintwell::OverwriteDialog</name>
    <message>
        <source>上書きの確認</source>
        <translation>Confirm Overwrite</translation>
    </message>
    <message>
        <source>は、すでに存在します。上書きしますか？</source>
        <translation>already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>すべて上書き</source>
        <translation>Yes to all</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tintwell::PaletteSaveDialog</name>
    <message>
        <source>拡張子 (%1) は不要です</source>
        <translation>No extension (%1) needed</translation>
    </message>
    <message>
        <source>パレットの保存</source>
        <translation>Save Palette</translation>
    </message>
    <message>
        <source>現在のファイルに上書きする</source>
        <translation>Overwrite the current file</translation>
    </message>
    <message>
        <source>名前を付けて保存する</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tintwell::PaletteSettingsDialog</name>
    <message>
        <source>パレットの設定</source>
        <translation>Palette Settings</translation>
    </message>
    <message>
        <source>256色固定パレットを使用する</source>
        <translation>Fixed 256-color palette</translation>
    </message>
    <message>
        <source>16色固定パレットを使用する</source>
        <translation>Fixed 16-color palette</translation>
    </message>
    <message>
        <source>ＲＧＢのビット数を設定する</source>
        <translation>Bits per RGB channel</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>設&#x3000;定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tintwell::PreviewWindow</name>
    <message>
        <source>元の色</source>
        <translation>Original colors</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>%1倍</source>
        <translation>%1×</translation>
    </message>
    <message>
        <source>(%1, %2)  元の色 %3,%4,%5  パレット番号 %6</source>
        <translation>(%1, %2)  original color %3,%4,%5  entry %6</translation>
    </message>
    <message>
        <source>読み込み中…</source>
        <translation>Loading…</translation>
    </message>
</context>
<context>
    <name>tintwell::RefusalListDialog</name>
    <message>
        <source>ほかにも読み込めなかったファイルがあります（%1 件）。</source>
        <translation>%1 more file(s) could not be read.</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>理由</source>
        <translation>Reason</translation>
    </message>
</context>
</TS>
