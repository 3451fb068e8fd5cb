<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_TW">
<context>
    <name>Caption</name>
    <message>
        <source>售價</source>
        <translation>售價</translation>
    </message>
    <message>
        <source>武器攻擊力上限</source>
        <translation>武器攻擊力上限</translation>
    </message>
    <message>
        <source>經驗值獲得上限</source>
        <translation>經驗值獲得上限</translation>
    </message>
    <message>
        <source>氣力+命中(單)</source>
        <translation>氣力+命中(單)</translation>
    </message>
    <message>
        <source>氣力+命中(雙)</source>
        <translation>氣力+命中(雙)</translation>
    </message>
    <message>
        <source>氣力+不命中(單)</source>
        <translation>氣力+不命中(單)</translation>
    </message>
    <message>
        <source>氣力+不命中(雙)</source>
        <translation>氣力+不命中(雙)</translation>
    </message>
    <message>
        <source>氣力+回避(單)</source>
        <translation>氣力+回避(單)</translation>
    </message>
    <message>
        <source>氣力+回避(雙)</source>
        <translation>氣力+回避(雙)</translation>
    </message>
    <message>
        <source>氣力+傷害(單)</source>
        <translation>氣力+傷害(單)</translation>
    </message>
    <message>
        <source>氣力+傷害(雙)</source>
        <translation>氣力+傷害(雙)</translation>
    </message>
    <message>
        <source>氣力+擊墜(單)</source>
        <translation>氣力+擊墜(單)</translation>
    </message>
    <message>
        <source>氣力+擊墜(雙)</source>
        <translation>氣力+擊墜(雙)</translation>
    </message>
    <message>
        <source>氣力+自軍被擊墜(單)</source>
        <translation>氣力+自軍被擊墜(單)</translation>
    </message>
    <message>
        <source>氣力+自軍被擊墜(雙)</source>
        <translation>氣力+自軍被擊墜(雙)</translation>
    </message>
    <message>
        <source>精神</source>
        <translation>精神</translation>
    </message>
    <message>
        <source>修得等級</source>
        <translation>修得等級</translation>
    </message>
    <message>
        <source>性格</source>
        <translation>性格</translation>
    </message>
    <message>
        <source>搭乘限制</source>
        <translation>搭乘限制</translation>
    </message>
    <message>
        <source>關注作品</source>
        <translation>關注作品</translation>
    </message>
    <message>
        <source>登場作品</source>
        <translation>登場作品</translation>
    </message>
    <message>
        <source>特殊技能A</source>
        <translation>特殊技能A</translation>
    </message>
    <message>
        <source>特殊技能B</source>
        <translation>特殊技能B</translation>
    </message>
    <message>
        <source>格鬥</source>
        <translation>格鬥</translation>
    </message>
    <message>
        <source>射擊</source>
        <translation>射擊</translation>
    </message>
    <message>
        <source>技量</source>
        <translation>技量</translation>
    </message>
    <message>
        <source>防禦</source>
        <translation>防禦</translation>
    </message>
    <message>
        <source>回避</source>
        <translation>回避</translation>
    </message>
    <message>
        <source>命中</source>
        <translation>命中</translation>
    </message>
    <message>
        <source>精神 %1</source>
        <translation>精神 %1</translation>
    </message>
    <message>
        <source>修得等級 %1</source>
        <translation>修得等級 %1</translation>
    </message>
    <message>
        <source>消耗SP</source>
        <translation>消耗SP</translation>
    </message>
    <message>
        <source>指針</source>
        <translation>指針</translation>
    </message>
    <message>
        <source>指針 ptr(%1)</source>
        <translation>指針 ptr(%1)</translation>
    </message>
    <message>
        <source>等級</source>
        <translation>等級</translation>
    </message>
    <message>
        <source>等級/種類</source>
        <translation>等級/種類</translation>
    </message>
    <message>
        <source>氣力/種類</source>
        <translation>氣力/種類</translation>
    </message>
    <message>
        <source>CT%/命中</source>
        <translation>CT%/命中</translation>
    </message>
    <message>
        <source>攻擊力</source>
        <translation>攻擊力</translation>
    </message>
    <message>
        <source>底力L</source>
        <translation>底力L</translation>
    </message>
    <message>
        <source>裝甲</source>
        <translation>裝甲</translation>
    </message>
    <message>
        <source>小機體圖像</source>
        <translation>小機體圖像</translation>
    </message>
    <message>
        <source>大機體圖像</source>
        <translation>大機體圖像</translation>
    </message>
    <message>
        <source>地圖小圖示</source>
        <translation>地圖小圖示</translation>
    </message>
    <message>
        <source>名稱指針1</source>
        <translation>名稱指針1</translation>
    </message>
    <message>
        <source>名稱指針2</source>
        <translation>名稱指針2</translation>
    </message>
    <message>
        <source>名稱指針3</source>
        <translation>名稱指針3</translation>
    </message>
    <message>
        <source>換乘限制</source>
        <translation>換乘限制</translation>
    </message>
    <message>
        <source>裝甲值</source>
        <translation>裝甲值</translation>
    </message>
    <message>
        <source>擊破費</source>
        <translation>擊破費</translation>
    </message>
    <message>
        <source>首項武器代碼</source>
        <translation>首項武器代碼</translation>
    </message>
    <message>
        <source>武器數量</source>
        <translation>武器數量</translation>
    </message>
    <message>
        <source>武器改造費用</source>
        <translation>武器改造費用</translation>
    </message>
    <message>
        <source>移動類型</source>
        <translation>移動類型</translation>
    </message>
    <message>
        <source>移動力</source>
        <translation>移動力</translation>
    </message>
    <message>
        <source>照準值</source>
        <translation>照準值</translation>
    </message>
    <message>
        <source>運動性</source>
        <translation>運動性</translation>
    </message>
    <message>
        <source>基本經驗值</source>
        <translation>基本經驗值</translation>
    </message>
    <message>
        <source>強化零件格數</source>
        <translation>強化零件格數</translation>
    </message>
    <message>
        <source>默認BGM</source>
        <translation>默認BGM</translation>
    </message>
    <message>
        <source>搭乘人數</source>
        <translation>搭乘人數</translation>
    </message>
    <message>
        <source>機體體積</source>
        <translation>機體體積</translation>
    </message>
    <message>
        <source>隊長機師代碼</source>
        <translation>隊長機師代碼</translation>
    </message>
    <message>
        <source>隊長機體代碼</source>
        <translation>隊長機體代碼</translation>
    </message>
    <message>
        <source>機體改造段數</source>
        <translation>機體改造段數</translation>
    </message>
    <message>
        <source>武器改造段數</source>
        <translation>武器改造段數</translation>
    </message>
    <message>
        <source>X座標</source>
        <translation>X座標</translation>
    </message>
    <message>
        <source>Y座標</source>
        <translation>Y座標</translation>
    </message>
    <message>
        <source>登場順序</source>
        <translation>登場順序</translation>
    </message>
    <message>
        <source>補正等級</source>
        <translation>補正等級</translation>
    </message>
    <message>
        <source>行動時間</source>
        <translation>行動時間</translation>
    </message>
    <message>
        <source>敵我判定</source>
        <translation>敵我判定</translation>
    </message>
    <message>
        <source>強化配件</source>
        <translation>強化配件</translation>
    </message>
    <message>
        <source>技能配件</source>
        <translation>技能配件</translation>
    </message>
    <message>
        <source>隊友機師代碼</source>
        <translation>隊友機師代碼</translation>
    </message>
    <message>
        <source>隊友機體代碼</source>
        <translation>隊友機體代碼</translation>
    </message>
    <message>
        <source>戰場配置</source>
        <translation>戰場配置</translation>
    </message>
    <message>
        <source>武器</source>
        <translation>武器</translation>
    </message>
    <message>
        <source>武器屬性</source>
        <translation>武器屬性</translation>
    </message>
    <message>
        <source>必要條件A</source>
        <translation>必要條件A</translation>
    </message>
    <message>
        <source>必要條件B</source>
        <translation>必要條件B</translation>
    </message>
    <message>
        <source>無效化A</source>
        <translation>無效化A</translation>
    </message>
    <message>
        <source>無效化B</source>
        <translation>無效化B</translation>
    </message>
    <message>
        <source>殘彈</source>
        <translation>殘彈</translation>
    </message>
    <message>
        <source>殘彈武器編號</source>
        <translation>殘彈武器編號</translation>
    </message>
    <message>
        <source>氣力</source>
        <translation>氣力</translation>
    </message>
    <message>
        <source>最大射程</source>
        <translation>最大射程</translation>
    </message>
    <message>
        <source>最小射程</source>
        <translation>最小射程</translation>
    </message>
    <message>
        <source>MAP範圍</source>
        <translation>MAP範圍</translation>
    </message>
    <message>
        <source>合體攻擊機體代碼</source>
        <translation>合體攻擊機體代碼</translation>
    </message>
    <message>
        <source>合體攻擊機師代碼</source>
        <translation>合體攻擊機師代碼</translation>
    </message>
    <message>
        <source>特殊效果</source>
        <translation>特殊效果</translation>
    </message>
    <message>
        <source>效果等級</source>
        <translation>效果等級</translation>
    </message>
    <message>
        <source>改造幅度</source>
        <translation>改造幅度</translation>
    </message>
    <message>
        <source>空</source>
        <translation>空</translation>
    </message>
    <message>
        <source>陸</source>
        <translation>陸</translation>
    </message>
    <message>
        <source>海</source>
        <translation>海</translation>
    </message>
    <message>
        <source>宇</source>
        <translation>宇</translation>
    </message>
    <message>
        <source>等級%1</source>
        <translation>等級%1</translation>
    </message>
    <message>
        <source>底力L%1</source>
        <translation>底力L%1</translation>
    </message>
    <message>
        <source>機體特殊能力%1</source>
        <translation>機體特殊能力%1</translation>
    </message>
    <message>
        <source>機體特殊能力%1  OSkill</source>
        <translation>機體特殊能力%1  OSkill</translation>
    </message>
    <message>
        <source>HP改造</source>
        <translation>HP改造</translation>
    </message>
    <message>
        <source>EN改造</source>
        <translation>EN改造</translation>
    </message>
    <message>
        <source>照準值改造</source>
        <translation>照準值改造</translation>
    </message>
    <message>
        <source>運動性改造</source>
        <translation>運動性改造</translation>
    </message>
    <message>
        <source>裝甲值改造</source>
        <translation>裝甲值改造</translation>
    </message>
    <message>
        <source>武器改造</source>
        <translation>武器改造</translation>
    </message>
    <message>
        <source>劍裝備</source>
        <translation>劍裝備</translation>
    </message>
    <message>
        <source>銃裝備</source>
        <translation>銃裝備</translation>
    </message>
    <message>
        <source>シールド裝備</source>
        <translation>シールド裝備</translation>
    </message>
    <message>
        <source>アンチビームシールド裝備</source>
        <translation>アンチビームシールド裝備</translation>
    </message>
    <message>
        <source>ビームシールド裝備</source>
        <translation>ビームシールド裝備</translation>
    </message>
    <message>
        <source>修理裝置</source>
        <translation>修理裝置</translation>
    </message>
    <message>
        <source>補給裝置</source>
        <translation>補給裝置</translation>
    </message>
    <message>
        <source>搭載</source>
        <translation>搭載</translation>
    </message>
    <message>
        <source>分身</source>
        <translation>分身</translation>
    </message>
    <message>
        <source>ミラージュコロイド</source>
        <translation>ミラージュコロイド</translation>
    </message>
    <message>
        <source>イリュージョンプロテクト</source>
        <translation>イリュージョンプロテクト</translation>
    </message>
    <message>
        <source>ステルス裝置</source>
        <translation>ステルス裝置</translation>
    </message>
    <message>
        <source>L1ビームコート</source>
        <translation>L1ビームコート</translation>
    </message>
    <message>
        <source>L2ビームコート</source>
        <translation>L2ビームコート</translation>
    </message>
    <message>
        <source>L3ビームコート</source>
        <translation>L3ビームコート</translation>
    </message>
    <message>
        <source> ラミネート裝甲</source>
        <translation> ラミネート裝甲</translation>
    </message>
    <message>
        <source>ヤタノカガミ</source>
        <translation>ヤタノカガミ</translation>
    </message>
    <message>
        <source>電磁シールド</source>
        <translation>電磁シールド</translation>
    </message>
    <message>
        <source>擴散マント</source>
        <translation>擴散マント</translation>
    </message>
    <message>
        <source>PS裝甲</source>
        <translation>PS裝甲</translation>
    </message>
    <message>
        <source>VPS裝甲</source>
        <translation>VPS裝甲</translation>
    </message>
    <message>
        <source>バリアL1</source>
        <translation>バリアL1</translation>
    </message>
    <message>
        <source>バリアL2</source>
        <translation>バリアL2</translation>
    </message>
    <message>
        <source>バリアL3</source>
        <translation>バリアL3</translation>
    </message>
    <message>
        <source>陽電子リフレクター </source>
        <translation>陽電子リフレクター </translation>
    </message>
    <message>
        <source>ヴォワチュールリュミエール</source>
        <translation>ヴォワチュールリュミエール</translation>
    </message>
    <message>
        <source>フォトンマットバリア</source>
        <translation>フォトンマットバリア</translation>
    </message>
    <message>
        <source>イージス裝備</source>
        <translation>イージス裝備</translation>
    </message>
    <message>
        <source>ノルンシステム</source>
        <translation>ノルンシステム</translation>
    </message>
    <message>
        <source>バイオ裝甲</source>
        <translation>バイオ裝甲</translation>
    </message>
    <message>
        <source>フレアシールド</source>
        <translation>フレアシールド</translation>
    </message>
    <message>
        <source>エンジェルウォール</source>
        <translation>エンジェルウォール</translation>
    </message>
    <message>
        <source>エルドラブロック</source>
        <translation>エルドラブロック</translation>
    </message>
    <message>
        <source>ガーディアンカーテン</source>
        <translation>ガーディアンカーテン</translation>
    </message>
    <message>
        <source>クリスタル·ハート</source>
        <translation>クリスタル·ハート</translation>
    </message>
    <message>
        <source>Oスキル:加速</source>
        <translation>Oスキル:加速</translation>
    </message>
    <message>
        <source>Oスキル:重力</source>
        <translation>Oスキル:重力</translation>
    </message>
    <message>
        <source>重力 </source>
        <translation>重力 </translation>
    </message>
    <message>
        <source>時間停止</source>
        <translation>時間停止</translation>
    </message>
    <message>
        <source>衝擊</source>
        <translation>衝擊</translation>
    </message>
    <message>
        <source>透明化</source>
        <translation>透明化</translation>
    </message>
    <message>
        <source>恐怖具現化</source>
        <translation>恐怖具現化</translation>
    </message>
    <message>
        <source>變形</source>
        <translation>變形</translation>
    </message>
    <message>
        <source>オーバーフリーズ</source>
        <translation>オーバーフリーズ</translation>
    </message>
    <message>
        <source>OSkill 硬化</source>
        <translation>OSkill 硬化</translation>
    </message>
    <message>
        <source>OSkill 怪力</source>
        <translation>OSkill 怪力</translation>
    </message>
    <message>
        <source>OSkill 竊盜</source>
        <translation>OSkill 竊盜</translation>
    </message>
    <message>
        <source>同化</source>
        <translation>同化</translation>
    </message>
    <message>
        <source>マジンパワー</source>
        <translation>マジンパワー</translation>
    </message>
    <message>
        <source>銅鐸パワー </source>
        <translation>銅鐸パワー </translation>
    </message>
    <message>
        <source>エモーショナルモード</source>
        <translation>エモーショナルモード</translation>
    </message>
    <message>
        <source>クリシュナ‧ハート</source>
        <translation>クリシュナ‧ハート</translation>
    </message>
    <message>
        <source>特殊效果武器無?</source>
        <translation>特殊效果武器無?</translation>
    </message>
    <message>
        <source>HP回復L1</source>
        <translation>HP回復L1</translation>
    </message>
    <message>
        <source>HP回復L2</source>
        <translation>HP回復L2</translation>
    </message>
    <message>
        <source>HP回復L3</source>
        <translation>HP回復L3</translation>
    </message>
    <message>
        <source>Nジャマーキャンセラー</source>
        <translation>Nジャマーキャンセラー</translation>
    </message>
    <message>
        <source>ハイパーデュートリオン</source>
        <translation>ハイパーデュートリオン</translation>
    </message>
    <message>
        <source>EN回復L1</source>
        <translation>EN回復L1</translation>
    </message>
    <message>
        <source>EN回復L2</source>
        <translation>EN回復L2</translation>
    </message>
    <message>
        <source>EN回復L3</source>
        <translation>EN回復L3</translation>
    </message>
</context>
<context>
    <name>rt::AppContext</name>
    <message>
        <source>Open NDS</source>
        <translation>開啟 NDS</translation>
    </message>
    <message>
        <source>NDS ROM images (*.nds)</source>
        <translation>NDS ROM 映像 (*.nds)</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>儲存(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>捨棄(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Overwrite</source>
        <translation>覆寫(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>重新讀取(&amp;R)</translation>
    </message>
    <message>
        <source>%1 it anyway? Its recorded bytes then replace what the image holds there now.</source>
        <translation>仍要%1嗎？記錄的位元組將取代映像中該處現有的內容。</translation>
    </message>
    <message>
        <source>

Save them?</source>
        <translation>

要儲存嗎？</translation>
    </message>
    <message>
        <source>Discard the edits?</source>
        <translation>要捨棄這些修改嗎？</translation>
    </message>
    <message>
        <source>

Overwrite them?</source>
        <translation>

要覆寫嗎？</translation>
    </message>
    <message>
        <source>Reload the record?</source>
        <translation>要重新讀取這筆記錄嗎？</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>另外 %1 筆</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>

Set the old history aside and start a new one for this image?</source>
        <translation>

要將舊的歷史記錄擱置，為這個映像開始新的歷史記錄嗎？</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>儲存</translation>
    </message>
</context>
<context>
    <name>rt::CheckWindow</name>
    <message>
        <source>Check</source>
        <translation>檢查</translation>
    </message>
    <message>
        <source>Filter: table, field, rule or any word of the message</source>
        <translation>篩選：表格、欄位、規則或訊息中的任何字詞</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>只顯示錯誤</translation>
    </message>
    <message>
        <source>Check again</source>
        <translation>重新檢查</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Severity</source>
        <translation>嚴重程度</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>欄位</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>規則</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>訊息</translation>
    </message>
    <message>
        <source>Double-click opens the record in its editor</source>
        <translation>按兩下以在編輯器中開啟該記錄</translation>
    </message>
    <message>
        <source>No image is chosen: Open NDS first.</source>
        <translation>尚未選擇映像：請先按「開啟 NDS」。</translation>
    </message>
    <message>
        <source>The check could not read the image: %1</source>
        <translation>檢查無法讀取映像：%1</translation>
    </message>
    <message>
        <source>error</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>No problems in %1.</source>
        <translation>%1 沒有任何問題。</translation>
    </message>
    <message>
        <source>%1: %2 error(s), %3 warning(s).</source>
        <translation>%1：%2 個錯誤，%3 個警告。</translation>
    </message>
    <message>
        <source>Every broken or suspicious link and value of the image</source>
        <translation>映像中每個損壞或可疑的連結與數值</translation>
    </message>
</context>
<context>
    <name>rt::ChoiceForm</name>
    <message>
        <source>No row of the list is selected; nothing was saved.</source>
        <translation>清單中沒有選取任何一列；未儲存任何內容。</translation>
    </message>
</context>
<context>
    <name>rt::CompareWindow</name>
    <message>
        <source>Compare</source>
        <translation>比較</translation>
    </message>
    <message>
        <source>Filter: table, record, field or value</source>
        <translation>篩選：表格、記錄、欄位或數值</translation>
    </message>
    <message>
        <source>Table / record / field</source>
        <translation>表格 / 記錄 / 欄位</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>控制項</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>舊值</translation>
    </message>
    <message>
        <source>New</source>
        <translation>新值</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Comparing "%1" with "%2"...</source>
        <translation>正在比較「%1」與「%2」……</translation>
    </message>
    <message>
        <source>%1 record(s)</source>
        <translation>%1 筆記錄</translation>
    </message>
    <message>
        <source>Double-click to open this record in %1</source>
        <translation>按兩下以在 %1 中開啟這筆記錄</translation>
    </message>
    <message>
        <source>Other bytes</source>
        <translation>其他位元組</translation>
    </message>
    <message>
        <source>%1 byte(s)</source>
        <translation>%1 個位元組</translation>
    </message>
    <message>
        <source>Bytes that differ where no field of a table shows the difference</source>
        <translation>不屬於任何表格欄位的相異位元組</translation>
    </message>
    <message>
        <source>The images are the same.</source>
        <translation>兩個映像相同。</translation>
    </message>
    <message>
        <source>%1 field(s) of %2 record(s) differ.</source>
        <translation>%2 筆記錄中有 %1 個欄位不同。</translation>
    </message>
    <message>
        <source>%1 other byte(s) in %2 range(s) differ.</source>
        <translation>另有 %2 個範圍內的 %1 個位元組不同。</translation>
    </message>
    <message>
        <source>The images have %1 and %2 bytes.</source>
        <translation>兩個映像分別有 %1 與 %2 個位元組。</translation>
    </message>
    <message>
        <source>"%1" (old) against the chosen image (new): %2</source>
        <translation>「%1」（舊）對比所選映像（新）：%2</translation>
    </message>
    <message>
        <source>%1 has no record %2 in the chosen image.</source>
        <translation>所選映像中 %1 沒有記錄 %2。</translation>
    </message>
    <message>
        <source>Compare with...</source>
        <translation>比較對象……</translation>
    </message>
    <message>
        <source>Every field that differs from another image, such as a clean copy</source>
        <translation>與另一個映像（例如未修改的副本）不同的每個欄位</translation>
    </message>
    <message>
        <source>Export patch...</source>
        <translation>匯出修補檔……</translation>
    </message>
    <message>
        <source>A BPS patch of every change saved to the image since its history began</source>
        <translation>自歷史記錄開始以來儲存到映像的所有變更的 BPS 修補檔</translation>
    </message>
    <message>
        <source>No ROM image has been chosen: open one first (Open NDS).</source>
        <translation>尚未選擇 ROM 映像：請先開啟一個（開啟 NDS）。</translation>
    </message>
    <message>
        <source>Compare with (the clean image)</source>
        <translation>比較對象（未修改的映像）</translation>
    </message>
    <message>
        <source>NDS images (*.nds);;All files (*)</source>
        <translation>NDS 映像 (*.nds);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>Export patch</source>
        <translation>匯出修補檔</translation>
    </message>
    <message>
        <source>BPS patch (*.bps)</source>
        <translation>BPS 修補檔 (*.bps)</translation>
    </message>
    <message>
        <source>The patch cannot be written over the image itself; choose another file.</source>
        <translation>修補檔不能寫在映像本身上；請選擇其他檔案。</translation>
    </message>
    <message>
        <source>"%1" has no history: nothing was saved to it, so there is no change to put in a patch.</source>
        <translation>「%1」沒有歷史記錄：尚未儲存任何內容，因此沒有可放入修補檔的變更。</translation>
    </message>
    <message>
        <source>Wrote %1: %2 byte(s) in %3 run(s) differ from the image as its history began (CRC32 %4 before, %5 now).</source>
        <translation>已寫入 %1：%3 段中有 %2 個位元組與歷史記錄開始時的映像不同（之前 CRC32 %4，現在 %5）。</translation>
    </message>
    <message>
        <source>Save change set...</source>
        <translation>儲存變更集……</translation>
    </message>
    <message>
        <source>Every difference as field changes, to apply to another image or merge with another hack</source>
        <translation>將每項差異存為欄位變更，以套用到其他映像或與其他修改版合併</translation>
    </message>
    <message>
        <source>Save change set</source>
        <translation>儲存變更集</translation>
    </message>
    <message>
        <source>Change sets (*.json)</source>
        <translation>變更集 (*.json)</translation>
    </message>
    <message>
        <source>The change set cannot be written over an image it is made from; choose another file.</source>
        <translation>變更集不能寫在產生它的映像上；請選擇其他檔案。</translation>
    </message>
    <message>
        <source>Wrote %1: %2 field change(s), %3 byte(s) outside the fields.</source>
        <translation>已寫入 %1：%2 項欄位變更，欄位以外 %3 個位元組。</translation>
    </message>
</context>
<context>
    <name>rt::Conversions</name>
    <message>
        <source>%1 is not a whole number from %2 to %3</source>
        <translation>%1 不是 %2 到 %3 之間的整數</translation>
    </message>
    <message>
        <source>%1 does not fit a byte: a negative n is stored as n + 256 rounded, 256 here</source>
        <translation>%1 超出一個位元組：負數 n 以 n + 256 取整儲存，此處為 256</translation>
    </message>
    <message>
        <source>%1 is not a hexadecimal number from 0 to FFFF</source>
        <translation>%1 不是 0 到 FFFF 之間的十六進位數字</translation>
    </message>
</context>
<context>
    <name>rt::DeploymentTable</name>
    <message>
        <source>stage %1 has no deployment records</source>
        <translation>關卡 %1 沒有配置記錄</translation>
    </message>
    <message>
        <source>%1: 7FFF marks the end of a stage's list and cannot be a pilot code; use FFFF for no pilot.</source>
        <translation>%1：7FFF 標示關卡清單的結尾，不能當作機師代碼；沒有機師請用 FFFF。</translation>
    </message>
    <message>
        <source>The list of stage %1 would start at offset %2 (0x%3 + %4), outside the ROM image (%5 bytes). The stage has no records to show.</source>
        <translation>關卡 %1 的清單會從偏移 %2（0x%3 + %4）開始，超出 ROM 映像（%5 個位元組）。此關卡沒有可顯示的記錄。</translation>
    </message>
    <message>
        <source>The list of stage %1 starts at 0x%2, inside %3.</source>
        <translation>關卡 %1 的清單從 0x%2 開始，位於 %3 之內。</translation>
    </message>
    <message>
        <source>The list of stage %1 (from 0x%2) has no %3 end marker before %4: the game reads on past its %5 records.</source>
        <translation>關卡 %1 的清單（自 0x%2 起）在%4之前沒有 %3 結尾標記：遊戲會讀過它的 %5 筆記錄繼續讀下去。</translation>
    </message>
    <message>
        <source>the end of the file</source>
        <translation>檔案結尾</translation>
    </message>
    <message>
        <source>the next stage's list at 0x%1</source>
        <translation>位於 0x%1 的下一關卡清單</translation>
    </message>
</context>
<context>
    <name>rt::EditorForm</name>
    <message>
        <source>E&amp;xit</source>
        <translation>離開(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Table</source>
        <translation>表格(&amp;T)</translation>
    </message>
    <message>
        <source>The whole table as a grid, on this record (Ctrl+T)</source>
        <translation>以表格檢視整個表，停在這筆記錄 (Ctrl+T)</translation>
    </message>
    <message>
        <source>Filter: name or number</source>
        <translation>篩選：名稱或編號</translation>
    </message>
    <message>
        <source>Record </source>
        <translation>記錄 </translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 位於 %2</translation>
    </message>
    <message>
        <source>%1 at %2: %3</source>
        <translation>%1 位於 %2：%3</translation>
    </message>
    <message>
        <source>The record shown has edits that were not saved.</source>
        <translation>顯示的記錄有尚未儲存的修改。</translation>
    </message>
    <message>
        <source>Dropped the edits not saved; Ctrl+Z again undoes the last save.</source>
        <translation>已捨棄未儲存的修改；再按 Ctrl+Z 可復原上一次儲存。</translation>
    </message>
    <message>
        <source>Saved %1 %2: %3 %4%5 in %6</source>
        <translation>已儲存 %1 %2：%3 %4%5（%6）</translation>
    </message>
    <message>
        <source> at </source>
        <translation> 位於 </translation>
    </message>
    <message>
        <source>Nothing was saved.
%1</source>
        <translation>未儲存任何內容。
%1</translation>
    </message>
    <message>
        <source>Shows the rows whose name holds this text, or the row of this number; Down or Enter moves into the list</source>
        <translation>顯示名稱含有此文字的列，或此編號的列；按 Down 或 Enter 移入清單</translation>
    </message>
    <message>
        <source>The values shown were not read from "%1"; nothing was saved. Select the record again to read it.</source>
        <translation>顯示的數值並非讀自「%1」；未儲存任何內容。請再次選取記錄以讀取。</translation>
    </message>
    <message>
        <source>The values shown were read from "%1", not from the chosen image "%2"; nothing was saved. Select the record again to read it from "%2".</source>
        <translation>顯示的數值讀自「%1」，而非所選映像「%2」；未儲存任何內容。請再次選取記錄，從「%2」讀取。</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>個位元組</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>個位元組</translation>
    </message>
    <message>
        <source>Used by</source>
        <translation>被引用</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>隱藏</translation>
    </message>
    <message numerus="yes">
        <source>The save brought in %n new error(s): %1</source>
        <translation>
            <numerusform>這次儲存產生了 %n 個新錯誤：%1</numerusform>
        </translation>
    </message>
    <message>
        <source>Saved, but the game would trip on this:
%1</source>
        <translation>已儲存，但遊戲會因下列問題出錯：
%1</translation>
    </message>
</context>
<context>
    <name>rt::GridModel</name>
    <message>
        <source>the record's key "%1"</source>
        <translation>記錄的鍵「%1」</translation>
    </message>
    <message>
        <source>the record's name</source>
        <translation>記錄的名稱</translation>
    </message>
    <message>
        <source>where the record starts in the file</source>
        <translation>記錄在檔案中的起始位置</translation>
    </message>
    <message>
        <source>"%1" is not a hexadecimal number</source>
        <translation>「%1」不是十六進位數字</translation>
    </message>
    <message>
        <source>"%1" is neither a number nor an item of %2</source>
        <translation>「%1」既不是數字也不是 %2 的項目</translation>
    </message>
    <message>
        <source>"%1" is not a number</source>
        <translation>「%1」不是數字</translation>
    </message>
    <message>
        <source>the column "%1" cannot be changed here</source>
        <translation>「%1」欄不能在此修改</translation>
    </message>
    <message>
        <source>"%1" is not a check box's 1 or 0</source>
        <translation>「%1」不是核取方塊的 1 或 0</translation>
    </message>
    <message>
        <source>"%1" is neither an item of %2 nor a row from 0 to %3</source>
        <translation>「%1」既不是 %2 的項目，也不是 0 到 %3 的列</translation>
    </message>
    <message>
        <source>"%1" is not a row from 0 to 255</source>
        <translation>「%1」不是 0 到 255 的列</translation>
    </message>
    <message>
        <source>Edited; the image holds %1</source>
        <translation>已修改；映像中為 %1</translation>
    </message>
    <message>
        <source>name</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>offset</source>
        <translation>偏移</translation>
    </message>
    <message>
        <source>index</source>
        <translation>索引</translation>
    </message>
    <message>
        <source>stage</source>
        <translation>關卡</translation>
    </message>
    <message>
        <source>level</source>
        <translation>等級</translation>
    </message>
    <message>
        <source>units</source>
        <translation>機體</translation>
    </message>
    <message>
        <source>pilots</source>
        <translation>機師</translation>
    </message>
    <message>
        <source>used by</source>
        <translation>被引用數</translation>
    </message>
    <message>
        <source>how many records of other tables name this one</source>
        <translation>其他表格中指向這筆記錄的記錄數</translation>
    </message>
</context>
<context>
    <name>rt::HistoryWindow</name>
    <message>
        <source> and %1 more</source>
        <translation> 等另外 %1 筆</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1／%2</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>另外 %1 筆</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>編號</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>來源</translation>
    </message>
    <message>
        <source>State</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>摘要</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>表格</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記錄</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>欄位</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>控制項</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>舊值</translation>
    </message>
    <message>
        <source>New</source>
        <translation>新值</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>復原</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Revert</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>History</source>
        <translation>歷史記錄</translation>
    </message>
    <message>
        <source>Undo the newest done change</source>
        <translation>復原最新完成的變更</translation>
    </message>
    <message>
        <source>Redo the newest undone change</source>
        <translation>重做最新復原的變更</translation>
    </message>
    <message>
        <source>Put back what the selected change replaced</source>
        <translation>放回所選變更取代的內容</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Close the history (Esc)</source>
        <translation>關閉歷史記錄 (Esc)</translation>
    </message>
    <message>
        <source>No ROM image has been chosen.</source>
        <translation>尚未選擇 ROM 映像。</translation>
    </message>
    <message>
        <source>"%1" has no history yet: nothing was saved to it.</source>
        <translation>「%1」還沒有歷史記錄：尚未儲存任何內容。</translation>
    </message>
    <message>
        <source>"%1": %2 transaction(s). History file: %3</source>
        <translation>「%1」：%2 筆交易。歷史記錄檔：%3</translation>
    </message>
    <message>
        <source>pending</source>
        <translation>待處理</translation>
    </message>
    <message>
        <source>done</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>undone</source>
        <translation>已復原</translation>
    </message>
    <message>
        <source>rolled back</source>
        <translation>已回滾</translation>
    </message>
    <message>
        <source>rolling back</source>
        <translation>回滾中</translation>
    </message>
    <message>
        <source>"%1": the newest %2 transactions; the command line's history lists all of them. History file: %3</source>
        <translation>「%1」：最新的 %2 筆交易；命令列的 history 會列出全部。歷史記錄檔：%3</translation>
    </message>
</context>
<context>
    <name>rt::Language</name>
    <message>
        <source>&amp;Language</source>
        <translation>語言(&amp;L)</translation>
    </message>
    <message>
        <source>The language of every window</source>
        <translation>所有視窗的語言</translation>
    </message>
</context>
<context>
    <name>rt::MainMenu</name>
    <message>
        <source>Table view</source>
        <translation>表格檢視</translation>
    </message>
    <message>
        <source>This row opens a menu, not a table; choose one of its rows.</source>
        <translation>這一列開啟的是選單而非表格；請選擇其中一列。</translation>
    </message>
    <message>
        <source>&amp;Open NDS</source>
        <translation>開啟 NDS(&amp;O)</translation>
    </message>
    <message>
        <source>Choose the ROM image (Ctrl+O)</source>
        <translation>選擇 ROM 映像 (Ctrl+O)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編輯(&amp;E)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>離開(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Recent images</source>
        <translation>最近的映像(&amp;R)</translation>
    </message>
    <message>
        <source>The last images chosen</source>
        <translation>最近選擇的映像</translation>
    </message>
    <message>
        <source>&amp;Table view</source>
        <translation>表格檢視(&amp;T)</translation>
    </message>
    <message>
        <source>The selected row's table as a grid (Ctrl+T)</source>
        <translation>以表格檢視所選列的表 (Ctrl+T)</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>歷史記錄(&amp;H)</translation>
    </message>
    <message>
        <source>The saved changes of the image (Ctrl+H)</source>
        <translation>映像已儲存的變更 (Ctrl+H)</translation>
    </message>
    <message>
        <source>ROM table editor</source>
        <translation>ROM 資料表編輯器</translation>
    </message>
    <message>
        <source>Name lists: %1</source>
        <translation>名稱清單：%1</translation>
    </message>
    <message>
        <source>, then </source>
        <translation>，其次 </translation>
    </message>
    <message>
        <source>Open NDS</source>
        <translation>開啟 NDS</translation>
    </message>
    <message>
        <source>no ROM image chosen</source>
        <translation>尚未選擇 ROM 映像</translation>
    </message>
    <message>
        <source>ROM image: %1</source>
        <translation>ROM 映像：%1</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>編輯</translation>
    </message>
    <message>
        <source>Choose a ROM image first: press Open NDS.</source>
        <translation>請先選擇 ROM 映像：按「開啟 NDS」。</translation>
    </message>
</context>
<context>
    <name>rt::MapForm</name>
    <message>
        <source>No deployment record is selected; nothing was saved.</source>
        <translation>沒有選取配置記錄；未儲存任何內容。</translation>
    </message>
</context>
<context>
    <name>rt::MergeWindow</name>
    <message>
        <source>take theirs</source>
        <translation>採用對方的</translation>
    </message>
    <message>
        <source>keep mine</source>
        <translation>保留我的</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>合併</translation>
    </message>
    <message>
        <source>Table / record / field</source>
        <translation>表格 / 記錄 / 欄位</translation>
    </message>
    <message>
        <source>Clean</source>
        <translation>原始</translation>
    </message>
    <message>
        <source>Mine</source>
        <translation>我的</translation>
    </message>
    <message>
        <source>Theirs</source>
        <translation>對方的</translation>
    </message>
    <message>
        <source>Choice</source>
        <translation>選擇</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>套用</translation>
    </message>
    <message>
        <source>Write the changes ticked "take theirs" into the chosen image, as one transaction</source>
        <translation>將勾選「採用對方的」的變更寫入所選映像，作為一筆交易</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>Reading "%1"...</source>
        <translation>正在讀取「%1」……</translation>
    </message>
    <message>
        <source>Comparing "%1" with "%2"...</source>
        <translation>正在比較「%1」與「%2」……</translation>
    </message>
    <message>
        <source>same</source>
        <translation>相同</translation>
    </message>
    <message>
        <source>The chosen image holds this value already</source>
        <translation>所選映像已是這個數值</translation>
    </message>
    <message>
        <source>(conflict)</source>
        <translation>（衝突）</translation>
    </message>
    <message>
        <source>Both images changed this field, to different values</source>
        <translation>兩個映像都修改了這個欄位，但數值不同</translation>
    </message>
    <message>
        <source>Other bytes</source>
        <translation>其他位元組</translation>
    </message>
    <message>
        <source>Bytes that differ where no field of a table shows the difference</source>
        <translation>不屬於任何表格欄位的相異位元組</translation>
    </message>
    <message>
        <source>%1 incoming change(s): %2 conflict(s), %3 already in the chosen image. Tick "take theirs" for each change to write, then Apply.</source>
        <translation>共 %1 項傳入的變更：%2 項衝突，%3 項所選映像中已有。請為每項要寫入的變更勾選「採用對方的」，再按「套用」。</translation>
    </message>
    <message>
        <source>No change is ticked "take theirs": nothing to write.</source>
        <translation>沒有勾選「採用對方的」的變更：沒有要寫入的內容。</translation>
    </message>
    <message>
        <source>Nothing was written: %1 value(s) changed in the chosen image since they were shown. The changes are read again.</source>
        <translation>未寫入任何內容：顯示後所選映像中有 %1 個數值已變更。將重新讀取變更。</translation>
    </message>
    <message>
        <source>Wrote %1 change(s) as one transaction ("merge %2" in the History; one undo takes it back).</source>
        <translation>已將 %1 項變更寫成一筆交易（歷史記錄中的「merge %2」；復原一次即可撤回）。</translation>
    </message>
    <message>
        <source>Merge...</source>
        <translation>合併……</translation>
    </message>
    <message>
        <source>Bring another hack of the same clean image, or a change set, into this image</source>
        <translation>將同一原始映像的另一個修改版或變更集併入此映像</translation>
    </message>
    <message>
        <source>No ROM image has been chosen: open one first (Open NDS).</source>
        <translation>尚未選擇 ROM 映像：請先開啟一個（開啟 NDS）。</translation>
    </message>
    <message>
        <source>Merge: another hack, or a change set</source>
        <translation>合併：另一個修改版或變更集</translation>
    </message>
    <message>
        <source>NDS images or change sets (*.nds *.json);;All files (*)</source>
        <translation>NDS 映像或變更集 (*.nds *.json);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>Merge: the clean image both hacks were made from</source>
        <translation>合併：兩個修改版共同的原始映像</translation>
    </message>
    <message>
        <source>NDS images (*.nds);;All files (*)</source>
        <translation>NDS 映像 (*.nds);;所有檔案 (*)</translation>
    </message>
</context>
<context>
    <name>rt::PilotSkillForm</name>
    <message>
        <source>Save &amp;Value</source>
        <translation>儲存數值(&amp;V)</translation>
    </message>
    <message>
        <source>Save &amp;Pointer</source>
        <translation>儲存指針(&amp;P)</translation>
    </message>
    <message>
        <source>Store the 14 indices (Ctrl+S saves whichever half is edited)</source>
        <translation>儲存 14 個索引（Ctrl+S 儲存已修改的那一半）</translation>
    </message>
    <message>
        <source>Store the level values in the records the indices selected when read</source>
        <translation>將等級數值存入讀取時索引所選的記錄</translation>
    </message>
    <message>
        <source>No pilot is selected; nothing was saved.</source>
        <translation>沒有選取機師；未儲存任何內容。</translation>
    </message>
    <message>
        <source>pilot </source>
        <translation>機師 </translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>另外 %1 筆</translation>
    </message>
    <message>
        <source>pilots %1 and %2</source>
        <translation>機師 %1 及 %2</translation>
    </message>
    <message>
        <source>Level record %1 is shared: saving it also changes %2.

Save the values?</source>
        <translation>等級記錄 %1 為共用：儲存它也會變更%2。

要儲存這些數值嗎？</translation>
    </message>
    <message>
        <source>Level records %1 are shared: saving them also changes %2.

Save the values?</source>
        <translation>等級記錄 %1 為共用：儲存它們也會變更%2。

要儲存這些數值嗎？</translation>
    </message>
</context>
<context>
    <name>rt::PilotSkillTable</name>
    <message>
        <source>level record %1 at 0x%2 lies past the end of the ROM image (%3 bytes); the editor never grows a ROM image</source>
        <translation>位於 0x%2 的等級記錄 %1 超出 ROM 映像的結尾（%3 個位元組）；編輯器從不擴大 ROM 映像</translation>
    </message>
    <message>
        <source>%1: %2 is past the level table; give a level record from 0 to %3.</source>
        <translation>%1：%2 超出等級表；請指定 0 到 %3 的等級記錄。</translation>
    </message>
    <message>
        <source>ptr(%1) selects level record %2 at 0x%3, which lies past the end of the ROM image (%4 bytes). The values of that row cannot be saved: the editor never grows a ROM image.</source>
        <translation>ptr(%1) 選取位於 0x%3 的等級記錄 %2，它超出 ROM 映像的結尾（%4 個位元組）。該列的數值無法儲存：編輯器從不擴大 ROM 映像。</translation>
    </message>
</context>
<context>
    <name>rt::RecordCodec</name>
    <message>
        <source> (-256 to -1 are stored as n + 256)</source>
        <translation>（-256 到 -1 以 n + 256 儲存）</translation>
    </message>
    <message>
        <source>no row is selected; choose one of the list</source>
        <translation>沒有選取任何列；請從清單中選擇一項</translation>
    </message>
    <message>
        <source>row %1 cannot be stored in a byte</source>
        <translation>第 %1 列無法存入一個位元組</translation>
    </message>
</context>
<context>
    <name>rt::RecordForm</name>
    <message>
        <source>No record is selected; nothing was saved.</source>
        <translation>沒有選取記錄；未儲存任何內容。</translation>
    </message>
</context>
<context>
    <name>rt::SkillGridForm</name>
    <message>
        <source>Refresh</source>
        <translation>重新整理</translation>
    </message>
</context>
<context>
    <name>rt::TableCheck</name>
    <message>
        <source>%1 %2 names %3, past the %4 records of %5</source>
        <translation>%1 %2 指向 %3，超出 %5 的 %4 筆記錄</translation>
    </message>
    <message>
        <source>%1: its bytes lie inside %2.</source>
        <translation>%1：其位元組位於 %2 之內。</translation>
    </message>
    <message>
        <source>%1 %2 and %3 %4 name %5 %6..%7, past the %8 records of %5.</source>
        <translation>%1 %2 與 %3 %4 指向 %5 %6..%7，超出 %5 的 %8 筆記錄。</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> 等另外 %1 筆</translation>
    </message>
    <message>
        <source>%1 overlaps those of %2 (shared on purpose?).</source>
        <translation>%1 與 %2 的範圍重疊（是刻意共用嗎？）。</translation>
    </message>
    <message>
        <source>%1 overlap those of %2 (shared on purpose?).</source>
        <translation>%1 與 %2 的範圍重疊（是刻意共用嗎？）。</translation>
    </message>
    <message>
        <source>%1 holds %2, past the %3 rows of "%4".</source>
        <translation>%1 的值為 %2，超出「%4」的 %3 列。</translation>
    </message>
    <message>
        <source>%1.</source>
        <translation>%1。</translation>
    </message>
</context>
<context>
    <name>rt::TableForm</name>
    <message>
        <source>&amp;Save</source>
        <translation>儲存(&amp;S)</translation>
    </message>
    <message>
        <source>%1: %2 now; this window would write %3.</source>
        <translation>%1：目前為 %2；此視窗將寫入 %3。</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds it; nothing was saved.</source>
        <translation>已依映像內容重新讀取 %1；未儲存任何內容。</translation>
    </message>
    <message>
        <source>Nothing was saved; %1 saved elsewhere, the edits are kept.</source>
        <translation>未儲存任何內容；%1 已在別處儲存，修改保留。</translation>
    </message>
    <message>
        <source>changed underneath: %1 (saved elsewhere)</source>
        <translation>已被變更：%1（在別處儲存）</translation>
    </message>
    <message>
        <source>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then shows the image's values and this window's edits of it are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>此視窗讀取這筆記錄後，它已在別處被儲存：
%1

「覆寫」以此視窗的數值覆蓋。
「重新讀取」會再次讀取記錄：%2 將顯示映像中的數值，此視窗對它的修改將被捨棄；其他欄位的修改保留，尚未儲存。
「取消」不寫入任何內容並保留修改。</translation>
    </message>
    <message>
        <source>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then show the image's values and this window's edits of them are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>此視窗讀取這筆記錄後，它已在別處被儲存：
%1

「覆寫」以此視窗的數值覆蓋。
「重新讀取」會再次讀取記錄：%2 將顯示映像中的數值，此視窗對它們的修改將被捨棄；其他欄位的修改保留，尚未儲存。
「取消」不寫入任何內容並保留修改。</translation>
    </message>
</context>
<context>
    <name>rt::TableView</name>
    <message>
        <source>Shade</source>
        <translation>著色</translation>
    </message>
    <message>
        <source>with headers</source>
        <translation>含標題</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>儲存(&amp;S)</translation>
    </message>
    <message>
        <source>Write every edited record (Ctrl+S)</source>
        <translation>寫入所有已修改的記錄 (Ctrl+S)</translation>
    </message>
    <message>
        <source>&amp;Revert</source>
        <translation>還原(&amp;R)</translation>
    </message>
    <message>
        <source>Drop every edit</source>
        <translation>捨棄所有修改</translation>
    </message>
    <message>
        <source>Table view - %1</source>
        <translation>表格檢視 - %1</translation>
    </message>
    <message>
        <source>Hide column</source>
        <translation>隱藏欄</translation>
    </message>
    <message>
        <source>Show every column</source>
        <translation>顯示所有欄</translation>
    </message>
    <message>
        <source>Colour each numeric column by value: low blue, high red</source>
        <translation>依數值為數字欄著色：低為藍，高為紅</translation>
    </message>
    <message>
        <source>Copy puts the column captions on a first line</source>
        <translation>複製時在第一行加上欄標題</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>複製</translation>
    </message>
    <message>
        <source>Copy the selected cells as tab-separated text (Ctrl+C)</source>
        <translation>以定位字元分隔的文字複製所選儲存格 (Ctrl+C)</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼上</translation>
    </message>
    <message>
        <source>Paste a tab-separated block at the selection (Ctrl+V)</source>
        <translation>在選取處貼上以定位字元分隔的區塊 (Ctrl+V)</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>匯出 CSV……</translation>
    </message>
    <message>
        <source>Write the rows and columns in view as CSV for romtables-cli import</source>
        <translation>將顯示的列與欄寫成 CSV，供 romtables-cli import 使用</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>關閉(&amp;L)</translation>
    </message>
    <message>
        <source>Close the view (Esc)</source>
        <translation>關閉檢視 (Esc)</translation>
    </message>
    <message>
        <source>The command line has no table these rows import into</source>
        <translation>命令列沒有可匯入這些列的表格</translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation>篩選：</translation>
    </message>
    <message>
        <source>The table view of %1 cannot open.
%2</source>
        <translation>%1 的表格檢視無法開啟。
%2</translation>
    </message>
    <message>
        <source>Another image was opened; the edits were dropped.</source>
        <translation>已開啟另一個映像；修改已捨棄。</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1／%2</translation>
    </message>
    <message>
        <source>; %1 in %2</source>
        <translation>；%2 中 %1</translation>
    </message>
    <message>
        <source>There are no edits to save.</source>
        <translation>沒有要儲存的修改。</translation>
    </message>
    <message>
        <source>The rows shown were read from "%1", not from the chosen image "%2"; nothing was saved.</source>
        <translation>顯示的列讀自「%1」，而非所選映像「%2」；未儲存任何內容。</translation>
    </message>
    <message>
        <source>Nothing was saved: %1%2 is refused.
%3</source>
        <translation>未儲存任何內容：%1%2 被拒絕。
%3</translation>
    </message>
    <message>
        <source>Saved %1; %2 changed.</source>
        <translation>已儲存 %1；變更了 %2。</translation>
    </message>
    <message>
        <source>%1: %2 now; this view would write %3.</source>
        <translation>%1：目前為 %2；此檢視將寫入 %3。</translation>
    </message>
    <message>
        <source>Nothing was saved; the edits are kept.</source>
        <translation>未儲存任何內容；修改保留。</translation>
    </message>
    <message>
        <source>changed underneath: %1 (saved elsewhere)</source>
        <translation>已被變更：%1（在別處儲存）</translation>
    </message>
    <message>
        <source>Dropped %1.</source>
        <translation>已捨棄 %1。</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>匯出 CSV</translation>
    </message>
    <message>
        <source>CSV (*.csv);;All files (*)</source>
        <translation>CSV (*.csv);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>"%1" cannot be written: %2.</source>
        <translation>無法寫入「%1」：%2。</translation>
    </message>
    <message>
        <source>Exported %1 records to %2; romtables-cli import IMAGE FILE --table %3 reads it back.</source>
        <translation>已將 %1 筆記錄匯出到 %2；romtables-cli import IMAGE FILE --table %3 可讀回。</translation>
    </message>
    <message>
        <source>Table view</source>
        <translation>表格檢視</translation>
    </message>
    <message>
        <source>%1 has no table to show.</source>
        <translation>%1 沒有可顯示的表格。</translation>
    </message>
    <message>
        <source>Select the cells to copy.</source>
        <translation>請選取要複製的儲存格。</translation>
    </message>
    <message>
        <source>Copied %1 lines.</source>
        <translation>已複製 %1 行。</translation>
    </message>
    <message>
        <source>There is no text to paste.</source>
        <translation>沒有可貼上的文字。</translation>
    </message>
    <message>
        <source>Select the cell where the block goes.</source>
        <translation>請選取區塊要放置的儲存格。</translation>
    </message>
    <message>
        <source>Nothing was pasted: %1, %2: %3.</source>
        <translation>未貼上任何內容：%1，%2：%3。</translation>
    </message>
    <message>
        <source>Nothing was pasted: %1%2 is refused.
%3</source>
        <translation>未貼上任何內容：%1%2 被拒絕。
%3</translation>
    </message>
    <message>
        <source>Pasted %1 cells.</source>
        <translation>已貼上 %1 個儲存格。</translation>
    </message>
    <message>
        <source>record</source>
        <translation>筆記錄</translation>
    </message>
    <message>
        <source>records</source>
        <translation>筆記錄</translation>
    </message>
    <message>
        <source>edited cell</source>
        <translation>個已修改的儲存格</translation>
    </message>
    <message>
        <source>edited cells</source>
        <translation>個已修改的儲存格</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>個位元組</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>個位元組</translation>
    </message>
    <message>
        <source>cell</source>
        <translation>個儲存格</translation>
    </message>
    <message>
        <source>cells</source>
        <translation>個儲存格</translation>
    </message>
    <message>
        <source>Words match a record's name, index or any column of words; "caption op value" (op: &lt; &lt;= &gt; &gt;= = !=) compares a column, in hex where it shows hex and by item where it shows a list. Several, separated by commas, must all hold.</source>
        <translation>文字比對記錄的名稱、索引或任何文字欄；「標題 運算子 數值」（運算子：&lt; &lt;= &gt; &gt;= = !=）比較一欄，顯示十六進位的欄以十六進位比較，顯示清單的欄以項目比較。以逗號分隔的多個條件須全部成立。</translation>
    </message>
    <message>
        <source>Since this view read the rows, these cells were saved elsewhere:
%1

Overwrite writes this view's values over them.
Reload reads the rows again: these cells then show the image's values and their edits are dropped; the other edited cells stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>此檢視讀取這些列後，下列儲存格已在別處被儲存：
%1

「覆寫」以此檢視的數值覆蓋。
「重新讀取」會再次讀取這些列：這些儲存格將顯示映像中的數值，其修改將被捨棄；其他已修改的儲存格保留，尚未儲存。
「取消」不寫入任何內容並保留修改。</translation>
    </message>
    <message>
        <source>Nothing was pasted: the block of %1 rows and %2 columns does not fit; from the selected cell the view has %3 rows and %4 columns.</source>
        <translation>未貼上任何內容：%1 列 %2 欄的區塊放不下；從所選儲存格起，檢視只有 %3 列 %4 欄。</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds it; nothing was saved.</source>
        <translation>已依映像內容重新讀取 %1；未儲存任何內容。</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds them; nothing was saved.</source>
        <translation>已依映像內容重新讀取 %1；未儲存任何內容。</translation>
    </message>
    <message>
        <source>%1 of %2 is edited and not saved.</source>
        <translation>%2 中有 %1 已修改但未儲存。</translation>
    </message>
    <message>
        <source>%1 of %2 are edited and not saved.</source>
        <translation>%2 中有 %1 已修改但未儲存。</translation>
    </message>
    <message>
        <source>Level records</source>
        <translation>等級記錄</translation>
    </message>
    <message>
        <source>Pilot pointers</source>
        <translation>機師指針</translation>
    </message>
    <message>
        <source>name or index, or caption &gt; number (e.g. 格鬥 &gt; 180); join with ,</source>
        <translation>名稱或索引，或「標題 &gt; 數值」（例：格鬥 &gt; 180）；以逗號連接</translation>
    </message>
</context>
<context>
    <name>rt::UnitPictureForm</name>
    <message>
        <source>No record is selected; nothing was copied.</source>
        <translation>沒有選取記錄；未複製任何內容。</translation>
    </message>
    <message>
        <source>No record is selected; nothing was pasted.</source>
        <translation>沒有選取記錄；未貼上任何內容。</translation>
    </message>
    <message>
        <source>Nothing was copied yet; Copy a record first. Nothing was pasted.</source>
        <translation>尚未複製任何內容；請先複製一筆記錄。未貼上任何內容。</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>複製</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼上</translation>
    </message>
</context>
<context>
    <name>rt::UsedByList</name>
    <message>
        <source>The records of other tables that name this one; double-click opens one</source>
        <translation>其他表格中指向這筆記錄的記錄；按兩下可開啟</translation>
    </message>
    <message>
        <source>(no record names this one)</source>
        <translation>（沒有記錄指向這筆記錄）</translation>
    </message>
    <message>
        <source>Go to</source>
        <translation>前往</translation>
    </message>
    <message>
        <source>%1 has no editor of its own.</source>
        <translation>%1 沒有專屬的編輯器。</translation>
    </message>
    <message>
        <source>%1 is not in the chosen image.</source>
        <translation>所選映像中沒有 %1。</translation>
    </message>
    <message>
        <source>Ctrl+click opens the %1 record this names</source>
        <translation>Ctrl+按一下可開啟此欄位指向的 %1 記錄</translation>
    </message>
</context>
<context>
    <name>rt::WeaponForm</name>
    <message>
        <source>OSkill L%1</source>
        <translation>OSkill L%1</translation>
    </message>
    <message>
        <source>%1 has no weapons; there is nothing to save.</source>
        <translation>%1 沒有武器；沒有可儲存的內容。</translation>
    </message>
    <message>
        <source>No weapon is selected; nothing was saved.</source>
        <translation>沒有選取武器；未儲存任何內容。</translation>
    </message>
    <message>
        <source>Weapon %1 of %2 lies past the weapon table (%3 records, 0 to %4): its bytes belong to the unit table, so it cannot be saved here. Nothing was saved.</source>
        <translation>%2 的武器 %1 位於武器表之外（%3 筆記錄，0 到 %4）：它的位元組屬於機體表，因此不能在此儲存。未儲存任何內容。</translation>
    </message>
</context>
</TS>