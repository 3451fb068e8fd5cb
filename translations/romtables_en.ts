<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US">
<context>
    <name>Caption</name>
    <message>
        <source>售價</source>
        <translation>Price</translation>
    </message>
    <message>
        <source>武器攻擊力上限</source>
        <translation>Weapon attack cap</translation>
    </message>
    <message>
        <source>經驗值獲得上限</source>
        <translation>EXP gain cap</translation>
    </message>
    <message>
        <source>氣力+命中(單)</source>
        <translation>Morale+ on hit (single)</translation>
    </message>
    <message>
        <source>氣力+命中(雙)</source>
        <translation>Morale+ on hit (pair)</translation>
    </message>
    <message>
        <source>氣力+不命中(單)</source>
        <translation>Morale+ on miss (single)</translation>
    </message>
    <message>
        <source>氣力+不命中(雙)</source>
        <translation>Morale+ on miss (pair)</translation>
    </message>
    <message>
        <source>氣力+回避(單)</source>
        <translation>Morale+ on evade (single)</translation>
    </message>
    <message>
        <source>氣力+回避(雙)</source>
        <translation>Morale+ on evade (pair)</translation>
    </message>
    <message>
        <source>氣力+傷害(單)</source>
        <translation>Morale+ on damage taken (single)</translation>
    </message>
    <message>
        <source>氣力+傷害(雙)</source>
        <translation>Morale+ on damage taken (pair)</translation>
    </message>
    <message>
        <source>氣力+擊墜(單)</source>
        <translation>Morale+ on kill (single)</translation>
    </message>
    <message>
        <source>氣力+擊墜(雙)</source>
        <translation>Morale+ on kill (pair)</translation>
    </message>
    <message>
        <source>氣力+自軍被擊墜(單)</source>
        <translation>Morale+ on ally shot down (single)</translation>
    </message>
    <message>
        <source>氣力+自軍被擊墜(雙)</source>
        <translation>Morale+ on ally shot down (pair)</translation>
    </message>
    <message>
        <source>精神</source>
        <translation>Spirit</translation>
    </message>
    <message>
        <source>修得等級</source>
        <translation>Learnt at level</translation>
    </message>
    <message>
        <source>性格</source>
        <translation>Personality</translation>
    </message>
    <message>
        <source>搭乘限制</source>
        <translation>Boarding restriction</translation>
    </message>
    <message>
        <source>關注作品</source>
        <translation>Series of interest</translation>
    </message>
    <message>
        <source>登場作品</source>
        <translation>Series of appearance</translation>
    </message>
    <message>
        <source>特殊技能A</source>
        <translation>Pilot skills A</translation>
    </message>
    <message>
        <source>特殊技能B</source>
        <translation>Pilot skills B</translation>
    </message>
    <message>
        <source>格鬥</source>
        <translation>Melee</translation>
    </message>
    <message>
        <source>射擊</source>
        <translation>Shooting</translation>
    </message>
    <message>
        <source>技量</source>
        <translation>Skill</translation>
    </message>
    <message>
        <source>防禦</source>
        <translation>Defence</translation>
    </message>
    <message>
        <source>回避</source>
        <translation>Evasion</translation>
    </message>
    <message>
        <source>命中</source>
        <translation>Accuracy</translation>
    </message>
    <message>
        <source>精神 %1</source>
        <translation>Spirit %1</translation>
    </message>
    <message>
        <source>修得等級 %1</source>
        <translation>Learnt at level %1</translation>
    </message>
    <message>
        <source>消耗SP</source>
        <translation>SP cost</translation>
    </message>
    <message>
        <source>指針</source>
        <translation>Pointer</translation>
    </message>
    <message>
        <source>指針 ptr(%1)</source>
        <translation>Pointer ptr(%1)</translation>
    </message>
    <message>
        <source>等級</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>等級/種類</source>
        <translation>Level / kind</translation>
    </message>
    <message>
        <source>氣力/種類</source>
        <translation>Morale / kind</translation>
    </message>
    <message>
        <source>CT%/命中</source>
        <translation>Crit % / accuracy</translation>
    </message>
    <message>
        <source>攻擊力</source>
        <translation>Attack</translation>
    </message>
    <message>
        <source>底力L</source>
        <translation>Potential L</translation>
    </message>
    <message>
        <source>裝甲</source>
        <translation>Armour</translation>
    </message>
    <message>
        <source>小機體圖像</source>
        <translation>Small unit picture</translation>
    </message>
    <message>
        <source>大機體圖像</source>
        <translation>Large unit picture</translation>
    </message>
    <message>
        <source>地圖小圖示</source>
        <translation>Map icon</translation>
    </message>
    <message>
        <source>名稱指針1</source>
        <translation>Name pointer 1</translation>
    </message>
    <message>
        <source>名稱指針2</source>
        <translation>Name pointer 2</translation>
    </message>
    <message>
        <source>名稱指針3</source>
        <translation>Name pointer 3</translation>
    </message>
    <message>
        <source>換乘限制</source>
        <translation>Transfer restriction</translation>
    </message>
    <message>
        <source>裝甲值</source>
        <translation>Armour</translation>
    </message>
    <message>
        <source>擊破費</source>
        <translation>Kill reward</translation>
    </message>
    <message>
        <source>首項武器代碼</source>
        <translation>First weapon code</translation>
    </message>
    <message>
        <source>武器數量</source>
        <translation>Weapon count</translation>
    </message>
    <message>
        <source>武器改造費用</source>
        <translation>Weapon upgrade cost</translation>
    </message>
    <message>
        <source>移動類型</source>
        <translation>Movement type</translation>
    </message>
    <message>
        <source>移動力</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>照準值</source>
        <translation>Aim</translation>
    </message>
    <message>
        <source>運動性</source>
        <translation>Mobility</translation>
    </message>
    <message>
        <source>基本經驗值</source>
        <translation>Base EXP</translation>
    </message>
    <message>
        <source>強化零件格數</source>
        <translation>Part slots</translation>
    </message>
    <message>
        <source>默認BGM</source>
        <translation>Default BGM</translation>
    </message>
    <message>
        <source>搭乘人數</source>
        <translation>Crew</translation>
    </message>
    <message>
        <source>機體體積</source>
        <translation>Unit size</translation>
    </message>
    <message>
        <source>隊長機師代碼</source>
        <translation>Leader pilot code</translation>
    </message>
    <message>
        <source>隊長機體代碼</source>
        <translation>Leader unit code</translation>
    </message>
    <message>
        <source>機體改造段數</source>
        <translation>Unit upgrade level</translation>
    </message>
    <message>
        <source>武器改造段數</source>
        <translation>Weapon upgrade level</translation>
    </message>
    <message>
        <source>X座標</source>
        <translation>X position</translation>
    </message>
    <message>
        <source>Y座標</source>
        <translation>Y position</translation>
    </message>
    <message>
        <source>登場順序</source>
        <translation>Entry order</translation>
    </message>
    <message>
        <source>補正等級</source>
        <translation>Level bonus</translation>
    </message>
    <message>
        <source>行動時間</source>
        <translation>Turn of action</translation>
    </message>
    <message>
        <source>敵我判定</source>
        <translation>Side</translation>
    </message>
    <message>
        <source>強化配件</source>
        <translation>Part</translation>
    </message>
    <message>
        <source>技能配件</source>
        <translation>Skill item</translation>
    </message>
    <message>
        <source>隊友機師代碼</source>
        <translation>Partner pilot code</translation>
    </message>
    <message>
        <source>隊友機體代碼</source>
        <translation>Partner unit code</translation>
    </message>
    <message>
        <source>戰場配置</source>
        <translation>Deployments</translation>
    </message>
    <message>
        <source>武器</source>
        <translation>Weapons</translation>
    </message>
    <message>
        <source>武器屬性</source>
        <translation>Weapon properties</translation>
    </message>
    <message>
        <source>必要條件A</source>
        <translation>Requirements A</translation>
    </message>
    <message>
        <source>必要條件B</source>
        <translation>Requirements B</translation>
    </message>
    <message>
        <source>無效化A</source>
        <translation>Nullified by A</translation>
    </message>
    <message>
        <source>無效化B</source>
        <translation>Nullified by B</translation>
    </message>
    <message>
        <source>殘彈</source>
        <translation>Ammo</translation>
    </message>
    <message>
        <source>殘彈武器編號</source>
        <translation>Ammo shared with</translation>
    </message>
    <message>
        <source>氣力</source>
        <translation>Morale</translation>
    </message>
    <message>
        <source>最大射程</source>
        <translation>Max range</translation>
    </message>
    <message>
        <source>最小射程</source>
        <translation>Min range</translation>
    </message>
    <message>
        <source>MAP範圍</source>
        <translation>MAP area</translation>
    </message>
    <message>
        <source>合體攻擊機體代碼</source>
        <translation>Combo unit code</translation>
    </message>
    <message>
        <source>合體攻擊機師代碼</source>
        <translation>Combo pilot code</translation>
    </message>
    <message>
        <source>特殊效果</source>
        <translation>Special effect</translation>
    </message>
    <message>
        <source>效果等級</source>
        <translation>Effect level</translation>
    </message>
    <message>
        <source>改造幅度</source>
        <translation>Upgrade step</translation>
    </message>
    <message>
        <source>空</source>
        <translation>Air</translation>
    </message>
    <message>
        <source>陸</source>
        <translation>Land</translation>
    </message>
    <message>
        <source>海</source>
        <translation>Sea</translation>
    </message>
    <message>
        <source>宇</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>等級%1</source>
        <translation>Level %1</translation>
    </message>
    <message>
        <source>底力L%1</source>
        <translation>Potential L%1</translation>
    </message>
    <message>
        <source>機體特殊能力%1</source>
        <translation>Unit abilities %1</translation>
    </message>
    <message>
        <source>機體特殊能力%1  OSkill</source>
        <translation>Unit abilities %1  OSkill</translation>
    </message>
    <message>
        <source>HP改造</source>
        <translation>HP upgrade</translation>
    </message>
    <message>
        <source>EN改造</source>
        <translation>EN upgrade</translation>
    </message>
    <message>
        <source>照準值改造</source>
        <translation>Aim upgrade</translation>
    </message>
    <message>
        <source>運動性改造</source>
        <translation>Mobility upgrade</translation>
    </message>
    <message>
        <source>裝甲值改造</source>
        <translation>Armour upgrade</translation>
    </message>
    <message>
        <source>武器改造</source>
        <translation>Weapon upgrade</translation>
    </message>
    <message>
        <source>劍裝備</source>
        <translation>Sword</translation>
    </message>
    <message>
        <source>銃裝備</source>
        <translation>Gun</translation>
    </message>
    <message>
        <source>シールド裝備</source>
        <translation>Shield</translation>
    </message>
    <message>
        <source>アンチビームシールド裝備</source>
        <translation>Anti-beam shield</translation>
    </message>
    <message>
        <source>ビームシールド裝備</source>
        <translation>Beam shield</translation>
    </message>
    <message>
        <source>修理裝置</source>
        <translation>Repair kit</translation>
    </message>
    <message>
        <source>補給裝置</source>
        <translation>Supply kit</translation>
    </message>
    <message>
        <source>搭載</source>
        <translation>Carrier</translation>
    </message>
    <message>
        <source>分身</source>
        <translation>Afterimage</translation>
    </message>
    <message>
        <source>ミラージュコロイド</source>
        <translation>ミラージュコロイド</translation>
    </message>
    <message>
        <source>イリュージョンプロテクト</source>
        <translation>Illusion protect</translation>
    </message>
    <message>
        <source>ステルス裝置</source>
        <translation>Stealth device</translation>
    </message>
    <message>
        <source>L1ビームコート</source>
        <translation>Beam coat L1</translation>
    </message>
    <message>
        <source>L2ビームコート</source>
        <translation>Beam coat L2</translation>
    </message>
    <message>
        <source>L3ビームコート</source>
        <translation>Beam coat L3</translation>
    </message>
    <message>
        <source> ラミネート裝甲</source>
        <translation> Laminated armour</translation>
    </message>
    <message>
        <source>ヤタノカガミ</source>
        <translation>ヤタノカガミ</translation>
    </message>
    <message>
        <source>電磁シールド</source>
        <translation>EM shield</translation>
    </message>
    <message>
        <source>擴散マント</source>
        <translation>Diffusion cloak</translation>
    </message>
    <message>
        <source>PS裝甲</source>
        <translation>PS armour</translation>
    </message>
    <message>
        <source>VPS裝甲</source>
        <translation>VPS armour</translation>
    </message>
    <message>
        <source>バリアL1</source>
        <translation>Barrier L1</translation>
    </message>
    <message>
        <source>バリアL2</source>
        <translation>Barrier L2</translation>
    </message>
    <message>
        <source>バリアL3</source>
        <translation>Barrier L3</translation>
    </message>
    <message>
        <source>陽電子リフレクター </source>
        <translation>Positron reflector </translation>
    </message>
    <message>
        <source>ヴォワチュールリュミエール</source>
        <translation>ヴォワチュールリュミエール</translation>
    </message>
    <message>
        <source>フォトンマットバリア</source>
        <translation>Photon mat barrier</translation>
    </message>
    <message>
        <source>イージス裝備</source>
        <translation>Aegis gear</translation>
    </message>
    <message>
        <source>ノルンシステム</source>
        <translation>Norn system</translation>
    </message>
    <message>
        <source>バイオ裝甲</source>
        <translation>Bio armour</translation>
    </message>
    <message>
        <source>フレアシールド</source>
        <translation>Flare shield</translation>
    </message>
    <message>
        <source>エンジェルウォール</source>
        <translation>Angel wall</translation>
    </message>
    <message>
        <source>エルドラブロック</source>
        <translation>Eldora block</translation>
    </message>
    <message>
        <source>ガーディアンカーテン</source>
        <translation>Guardian curtain</translation>
    </message>
    <message>
        <source>クリスタル·ハート</source>
        <translation>Crystal heart</translation>
    </message>
    <message>
        <source>Oスキル:加速</source>
        <translation>O-skill: accel.</translation>
    </message>
    <message>
        <source>Oスキル:重力</source>
        <translation>O-skill: gravity</translation>
    </message>
    <message>
        <source>重力 </source>
        <translation>Gravity </translation>
    </message>
    <message>
        <source>時間停止</source>
        <translation>Time stop</translation>
    </message>
    <message>
        <source>衝擊</source>
        <translation>Shock</translation>
    </message>
    <message>
        <source>透明化</source>
        <translation>Invisibility</translation>
    </message>
    <message>
        <source>恐怖具現化</source>
        <translation>Fear made real</translation>
    </message>
    <message>
        <source>變形</source>
        <translation>Transform</translation>
    </message>
    <message>
        <source>オーバーフリーズ</source>
        <translation>Overfreeze</translation>
    </message>
    <message>
        <source>OSkill 硬化</source>
        <translation>OSkill Harden</translation>
    </message>
    <message>
        <source>OSkill 怪力</source>
        <translation>OSkill Might</translation>
    </message>
    <message>
        <source>OSkill 竊盜</source>
        <translation>OSkill Steal</translation>
    </message>
    <message>
        <source>同化</source>
        <translation>Assimilate</translation>
    </message>
    <message>
        <source>マジンパワー</source>
        <translation>マジンパワー</translation>
    </message>
    <message>
        <source>銅鐸パワー </source>
        <translation>Bronze bell power </translation>
    </message>
    <message>
        <source>エモーショナルモード</source>
        <translation>Emotional mode</translation>
    </message>
    <message>
        <source>クリシュナ‧ハート</source>
        <translation>Krishna heart</translation>
    </message>
    <message>
        <source>特殊效果武器無?</source>
        <translation>Special-effect immune?</translation>
    </message>
    <message>
        <source>HP回復L1</source>
        <translation>HP recovery L1</translation>
    </message>
    <message>
        <source>HP回復L2</source>
        <translation>HP recovery L2</translation>
    </message>
    <message>
        <source>HP回復L3</source>
        <translation>HP recovery L3</translation>
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
        <translation>EN recovery L1</translation>
    </message>
    <message>
        <source>EN回復L2</source>
        <translation>EN recovery L2</translation>
    </message>
    <message>
        <source>EN回復L3</source>
        <translation>EN recovery L3</translation>
    </message>
</context>
<context>
    <name>rt::AppContext</name>
    <message>
        <source>Open NDS</source>
        <translation>Open NDS</translation>
    </message>
    <message>
        <source>NDS ROM images (*.nds)</source>
        <translation>NDS ROM images (*.nds)</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Discard</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>&amp;Overwrite</source>
        <translation>&amp;Overwrite</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>%1 it anyway? Its recorded bytes then replace what the image holds there now.</source>
        <translation>%1 it anyway? Its recorded bytes then replace what the image holds there now.</translation>
    </message>
    <message>
        <source>

Save them?</source>
        <translation>

Save them?</translation>
    </message>
    <message>
        <source>Discard the edits?</source>
        <translation>Discard the edits?</translation>
    </message>
    <message>
        <source>

Overwrite them?</source>
        <translation>

Overwrite them?</translation>
    </message>
    <message>
        <source>Reload the record?</source>
        <translation>Reload the record?</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>%1 more</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>

Set the old history aside and start a new one for this image?</source>
        <translation>

Set the old history aside and start a new one for this image?</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
</context>
<context>
    <name>rt::CheckWindow</name>
    <message>
        <source>Check</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>Filter: table, field, rule or any word of the message</source>
        <translation>Filter: table, field, rule or any word of the message</translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation>Errors only</translation>
    </message>
    <message>
        <source>Check again</source>
        <translation>Check again</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Severity</source>
        <translation>Severity</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Field</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>Rule</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Double-click opens the record in its editor</source>
        <translation>Double-click opens the record in its editor</translation>
    </message>
    <message>
        <source>No image is chosen: Open NDS first.</source>
        <translation>No image is chosen: Open NDS first.</translation>
    </message>
    <message>
        <source>The check could not read the image: %1</source>
        <translation>The check could not read the image: %1</translation>
    </message>
    <message>
        <source>error</source>
        <translation>error</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>warning</translation>
    </message>
    <message>
        <source>No problems in %1.</source>
        <translation>No problems in %1.</translation>
    </message>
    <message>
        <source>%1: %2 error(s), %3 warning(s).</source>
        <translation>%1: %2 error(s), %3 warning(s).</translation>
    </message>
    <message>
        <source>Every broken or suspicious link and value of the image</source>
        <translation>Every broken or suspicious link and value of the image</translation>
    </message>
</context>
<context>
    <name>rt::ChoiceForm</name>
    <message>
        <source>No row of the list is selected; nothing was saved.</source>
        <translation>No row of the list is selected; nothing was saved.</translation>
    </message>
</context>
<context>
    <name>rt::CompareWindow</name>
    <message>
        <source>Compare</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>Filter: table, record, field or value</source>
        <translation>Filter: table, record, field or value</translation>
    </message>
    <message>
        <source>Table / record / field</source>
        <translation>Table / record / field</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Control</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>Old</translation>
    </message>
    <message>
        <source>New</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Comparing "%1" with "%2"...</source>
        <translation>Comparing "%1" with "%2"...</translation>
    </message>
    <message>
        <source>%1 record(s)</source>
        <translation>%1 record(s)</translation>
    </message>
    <message>
        <source>Double-click to open this record in %1</source>
        <translation>Double-click to open this record in %1</translation>
    </message>
    <message>
        <source>Other bytes</source>
        <translation>Other bytes</translation>
    </message>
    <message>
        <source>%1 byte(s)</source>
        <translation>%1 byte(s)</translation>
    </message>
    <message>
        <source>Bytes that differ where no field of a table shows the difference</source>
        <translation>Bytes that differ where no field of a table shows the difference</translation>
    </message>
    <message>
        <source>The images are the same.</source>
        <translation>The images are the same.</translation>
    </message>
    <message>
        <source>%1 field(s) of %2 record(s) differ.</source>
        <translation>%1 field(s) of %2 record(s) differ.</translation>
    </message>
    <message>
        <source>%1 other byte(s) in %2 range(s) differ.</source>
        <translation>%1 other byte(s) in %2 range(s) differ.</translation>
    </message>
    <message>
        <source>The images have %1 and %2 bytes.</source>
        <translation>The images have %1 and %2 bytes.</translation>
    </message>
    <message>
        <source>"%1" (old) against the chosen image (new): %2</source>
        <translation>"%1" (old) against the chosen image (new): %2</translation>
    </message>
    <message>
        <source>%1 has no record %2 in the chosen image.</source>
        <translation>%1 has no record %2 in the chosen image.</translation>
    </message>
    <message>
        <source>Compare with...</source>
        <translation>Compare with...</translation>
    </message>
    <message>
        <source>Every field that differs from another image, such as a clean copy</source>
        <translation>Every field that differs from another image, such as a clean copy</translation>
    </message>
    <message>
        <source>Export patch...</source>
        <translation>Export patch...</translation>
    </message>
    <message>
        <source>A BPS patch of every change saved to the image since its history began</source>
        <translation>A BPS patch of every change saved to the image since its history began</translation>
    </message>
    <message>
        <source>No ROM image has been chosen: open one first (Open NDS).</source>
        <translation>No ROM image has been chosen: open one first (Open NDS).</translation>
    </message>
    <message>
        <source>Compare with (the clean image)</source>
        <translation>Compare with (the clean image)</translation>
    </message>
    <message>
        <source>NDS images (*.nds);;All files (*)</source>
        <translation>NDS images (*.nds);;All files (*)</translation>
    </message>
    <message>
        <source>Export patch</source>
        <translation>Export patch</translation>
    </message>
    <message>
        <source>BPS patch (*.bps)</source>
        <translation>BPS patch (*.bps)</translation>
    </message>
    <message>
        <source>The patch cannot be written over the image itself; choose another file.</source>
        <translation>The patch cannot be written over the image itself; choose another file.</translation>
    </message>
    <message>
        <source>"%1" has no history: nothing was saved to it, so there is no change to put in a patch.</source>
        <translation>"%1" has no history: nothing was saved to it, so there is no change to put in a patch.</translation>
    </message>
    <message>
        <source>Wrote %1: %2 byte(s) in %3 run(s) differ from the image as its history began (CRC32 %4 before, %5 now).</source>
        <translation>Wrote %1: %2 byte(s) in %3 run(s) differ from the image as its history began (CRC32 %4 before, %5 now).</translation>
    </message>
    <message>
        <source>Save change set...</source>
        <translation>Save change set...</translation>
    </message>
    <message>
        <source>Every difference as field changes, to apply to another image or merge with another hack</source>
        <translation>Every difference as field changes, to apply to another image or merge with another hack</translation>
    </message>
    <message>
        <source>Save change set</source>
        <translation>Save change set</translation>
    </message>
    <message>
        <source>Change sets (*.json)</source>
        <translation>Change sets (*.json)</translation>
    </message>
    <message>
        <source>The change set cannot be written over an image it is made from; choose another file.</source>
        <translation>The change set cannot be written over an image it is made from; choose another file.</translation>
    </message>
    <message>
        <source>Wrote %1: %2 field change(s), %3 byte(s) outside the fields.</source>
        <translation>Wrote %1: %2 field change(s), %3 byte(s) outside the fields.</translation>
    </message>
</context>
<context>
    <name>rt::Conversions</name>
    <message>
        <source>%1 is not a whole number from %2 to %3</source>
        <translation>%1 is not a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>%1 does not fit a byte: a negative n is stored as n + 256 rounded, 256 here</source>
        <translation>%1 does not fit a byte: a negative n is stored as n + 256 rounded, 256 here</translation>
    </message>
    <message>
        <source>%1 is not a hexadecimal number from 0 to FFFF</source>
        <translation>%1 is not a hexadecimal number from 0 to FFFF</translation>
    </message>
</context>
<context>
    <name>rt::DeploymentTable</name>
    <message>
        <source>stage %1 has no deployment records</source>
        <translation>stage %1 has no deployment records</translation>
    </message>
    <message>
        <source>%1: 7FFF marks the end of a stage's list and cannot be a pilot code; use FFFF for no pilot.</source>
        <translation>%1: 7FFF marks the end of a stage's list and cannot be a pilot code; use FFFF for no pilot.</translation>
    </message>
    <message>
        <source>The list of stage %1 would start at offset %2 (0x%3 + %4), outside the ROM image (%5 bytes). The stage has no records to show.</source>
        <translation>The list of stage %1 would start at offset %2 (0x%3 + %4), outside the ROM image (%5 bytes). The stage has no records to show.</translation>
    </message>
    <message>
        <source>The list of stage %1 starts at 0x%2, inside %3.</source>
        <translation>The list of stage %1 starts at 0x%2, inside %3.</translation>
    </message>
    <message>
        <source>The list of stage %1 (from 0x%2) has no %3 end marker before %4: the game reads on past its %5 records.</source>
        <translation>The list of stage %1 (from 0x%2) has no %3 end marker before %4: the game reads on past its %5 records.</translation>
    </message>
    <message>
        <source>the end of the file</source>
        <translation>the end of the file</translation>
    </message>
    <message>
        <source>the next stage's list at 0x%1</source>
        <translation>the next stage's list at 0x%1</translation>
    </message>
</context>
<context>
    <name>rt::EditorForm</name>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Table</source>
        <translation>&amp;Table</translation>
    </message>
    <message>
        <source>The whole table as a grid, on this record (Ctrl+T)</source>
        <translation>The whole table as a grid, on this record (Ctrl+T)</translation>
    </message>
    <message>
        <source>Filter: name or number</source>
        <translation>Filter: name or number</translation>
    </message>
    <message>
        <source>Record </source>
        <translation>Record </translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 at %2</translation>
    </message>
    <message>
        <source>%1 at %2: %3</source>
        <translation>%1 at %2: %3</translation>
    </message>
    <message>
        <source>The record shown has edits that were not saved.</source>
        <translation>The record shown has edits that were not saved.</translation>
    </message>
    <message>
        <source>Dropped the edits not saved; Ctrl+Z again undoes the last save.</source>
        <translation>Dropped the edits not saved; Ctrl+Z again undoes the last save.</translation>
    </message>
    <message>
        <source>Saved %1 %2: %3 %4%5 in %6</source>
        <translation>Saved %1 %2: %3 %4%5 in %6</translation>
    </message>
    <message>
        <source> at </source>
        <translation> at </translation>
    </message>
    <message>
        <source>Nothing was saved.
%1</source>
        <translation>Nothing was saved.
%1</translation>
    </message>
    <message>
        <source>Shows the rows whose name holds this text, or the row of this number; Down or Enter moves into the list</source>
        <translation>Shows the rows whose name holds this text, or the row of this number; Down or Enter moves into the list</translation>
    </message>
    <message>
        <source>The values shown were not read from "%1"; nothing was saved. Select the record again to read it.</source>
        <translation>The values shown were not read from "%1"; nothing was saved. Select the record again to read it.</translation>
    </message>
    <message>
        <source>The values shown were read from "%1", not from the chosen image "%2"; nothing was saved. Select the record again to read it from "%2".</source>
        <translation>The values shown were read from "%1", not from the chosen image "%2"; nothing was saved. Select the record again to read it from "%2".</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>byte</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>bytes</translation>
    </message>
    <message>
        <source>Used by</source>
        <translation>Used by</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Dismiss</translation>
    </message>
    <message numerus="yes">
        <source>The save brought in %n new error(s): %1</source>
        <translation>
            <numerusform>The save brought in %n new error: %1</numerusform>
            <numerusform>The save brought in %n new errors: %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Saved, but the game would trip on this:
%1</source>
        <translation>Saved, but the game would trip on this:
%1</translation>
    </message>
</context>
<context>
    <name>rt::GridModel</name>
    <message>
        <source>the record's key "%1"</source>
        <translation>the record's key "%1"</translation>
    </message>
    <message>
        <source>the record's name</source>
        <translation>the record's name</translation>
    </message>
    <message>
        <source>where the record starts in the file</source>
        <translation>where the record starts in the file</translation>
    </message>
    <message>
        <source>"%1" is not a hexadecimal number</source>
        <translation>"%1" is not a hexadecimal number</translation>
    </message>
    <message>
        <source>"%1" is neither a number nor an item of %2</source>
        <translation>"%1" is neither a number nor an item of %2</translation>
    </message>
    <message>
        <source>"%1" is not a number</source>
        <translation>"%1" is not a number</translation>
    </message>
    <message>
        <source>the column "%1" cannot be changed here</source>
        <translation>the column "%1" cannot be changed here</translation>
    </message>
    <message>
        <source>"%1" is not a check box's 1 or 0</source>
        <translation>"%1" is not a check box's 1 or 0</translation>
    </message>
    <message>
        <source>"%1" is neither an item of %2 nor a row from 0 to %3</source>
        <translation>"%1" is neither an item of %2 nor a row from 0 to %3</translation>
    </message>
    <message>
        <source>"%1" is not a row from 0 to 255</source>
        <translation>"%1" is not a row from 0 to 255</translation>
    </message>
    <message>
        <source>Edited; the image holds %1</source>
        <translation>Edited; the image holds %1</translation>
    </message>
    <message>
        <source>name</source>
        <translation>name</translation>
    </message>
    <message>
        <source>offset</source>
        <translation>offset</translation>
    </message>
    <message>
        <source>index</source>
        <translation>index</translation>
    </message>
    <message>
        <source>stage</source>
        <translation>stage</translation>
    </message>
    <message>
        <source>level</source>
        <translation>level</translation>
    </message>
    <message>
        <source>units</source>
        <translation>units</translation>
    </message>
    <message>
        <source>pilots</source>
        <translation>pilots</translation>
    </message>
    <message>
        <source>used by</source>
        <translation>used by</translation>
    </message>
    <message>
        <source>how many records of other tables name this one</source>
        <translation>how many records of other tables name this one</translation>
    </message>
</context>
<context>
    <name>rt::HistoryWindow</name>
    <message>
        <source> and %1 more</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>%1 more</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Field</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>Control</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>Old</translation>
    </message>
    <message>
        <source>New</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Revert</source>
        <translation>Revert</translation>
    </message>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Undo the newest done change</source>
        <translation>Undo the newest done change</translation>
    </message>
    <message>
        <source>Redo the newest undone change</source>
        <translation>Redo the newest undone change</translation>
    </message>
    <message>
        <source>Put back what the selected change replaced</source>
        <translation>Put back what the selected change replaced</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Close the history (Esc)</source>
        <translation>Close the history (Esc)</translation>
    </message>
    <message>
        <source>No ROM image has been chosen.</source>
        <translation>No ROM image has been chosen.</translation>
    </message>
    <message>
        <source>"%1" has no history yet: nothing was saved to it.</source>
        <translation>"%1" has no history yet: nothing was saved to it.</translation>
    </message>
    <message>
        <source>"%1": %2 transaction(s). History file: %3</source>
        <translation>"%1": %2 transaction(s). History file: %3</translation>
    </message>
    <message>
        <source>pending</source>
        <translation>pending</translation>
    </message>
    <message>
        <source>done</source>
        <translation>done</translation>
    </message>
    <message>
        <source>undone</source>
        <translation>undone</translation>
    </message>
    <message>
        <source>rolled back</source>
        <translation>rolled back</translation>
    </message>
    <message>
        <source>rolling back</source>
        <translation>rolling back</translation>
    </message>
    <message>
        <source>"%1": the newest %2 transactions; the command line's history lists all of them. History file: %3</source>
        <translation>"%1": the newest %2 transactions; the command line's history lists all of them. History file: %3</translation>
    </message>
</context>
<context>
    <name>rt::Language</name>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>The language of every window</source>
        <translation>The language of every window</translation>
    </message>
</context>
<context>
    <name>rt::MainMenu</name>
    <message>
        <source>Table view</source>
        <translation>Table view</translation>
    </message>
    <message>
        <source>This row opens a menu, not a table; choose one of its rows.</source>
        <translation>This row opens a menu, not a table; choose one of its rows.</translation>
    </message>
    <message>
        <source>&amp;Open NDS</source>
        <translation>&amp;Open NDS</translation>
    </message>
    <message>
        <source>Choose the ROM image (Ctrl+O)</source>
        <translation>Choose the ROM image (Ctrl+O)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Recent images</source>
        <translation>&amp;Recent images</translation>
    </message>
    <message>
        <source>The last images chosen</source>
        <translation>The last images chosen</translation>
    </message>
    <message>
        <source>&amp;Table view</source>
        <translation>&amp;Table view</translation>
    </message>
    <message>
        <source>The selected row's table as a grid (Ctrl+T)</source>
        <translation>The selected row's table as a grid (Ctrl+T)</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>&amp;History</translation>
    </message>
    <message>
        <source>The saved changes of the image (Ctrl+H)</source>
        <translation>The saved changes of the image (Ctrl+H)</translation>
    </message>
    <message>
        <source>ROM table editor</source>
        <translation>ROM table editor</translation>
    </message>
    <message>
        <source>Name lists: %1</source>
        <translation>Name lists: %1</translation>
    </message>
    <message>
        <source>, then </source>
        <translation>, then </translation>
    </message>
    <message>
        <source>Open NDS</source>
        <translation>Open NDS</translation>
    </message>
    <message>
        <source>no ROM image chosen</source>
        <translation>no ROM image chosen</translation>
    </message>
    <message>
        <source>ROM image: %1</source>
        <translation>ROM image: %1</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Choose a ROM image first: press Open NDS.</source>
        <translation>Choose a ROM image first: press Open NDS.</translation>
    </message>
</context>
<context>
    <name>rt::MapForm</name>
    <message>
        <source>No deployment record is selected; nothing was saved.</source>
        <translation>No deployment record is selected; nothing was saved.</translation>
    </message>
</context>
<context>
    <name>rt::MergeWindow</name>
    <message>
        <source>take theirs</source>
        <translation>take theirs</translation>
    </message>
    <message>
        <source>keep mine</source>
        <translation>keep mine</translation>
    </message>
    <message>
        <source>Merge</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>Table / record / field</source>
        <translation>Table / record / field</translation>
    </message>
    <message>
        <source>Clean</source>
        <translation>Clean</translation>
    </message>
    <message>
        <source>Mine</source>
        <translation>Mine</translation>
    </message>
    <message>
        <source>Theirs</source>
        <translation>Theirs</translation>
    </message>
    <message>
        <source>Choice</source>
        <translation>Choice</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Write the changes ticked "take theirs" into the chosen image, as one transaction</source>
        <translation>Write the changes ticked "take theirs" into the chosen image, as one transaction</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Reading "%1"...</source>
        <translation>Reading "%1"...</translation>
    </message>
    <message>
        <source>Comparing "%1" with "%2"...</source>
        <translation>Comparing "%1" with "%2"...</translation>
    </message>
    <message>
        <source>same</source>
        <translation>same</translation>
    </message>
    <message>
        <source>The chosen image holds this value already</source>
        <translation>The chosen image holds this value already</translation>
    </message>
    <message>
        <source>(conflict)</source>
        <translation>(conflict)</translation>
    </message>
    <message>
        <source>Both images changed this field, to different values</source>
        <translation>Both images changed this field, to different values</translation>
    </message>
    <message>
        <source>Other bytes</source>
        <translation>Other bytes</translation>
    </message>
    <message>
        <source>Bytes that differ where no field of a table shows the difference</source>
        <translation>Bytes that differ where no field of a table shows the difference</translation>
    </message>
    <message>
        <source>%1 incoming change(s): %2 conflict(s), %3 already in the chosen image. Tick "take theirs" for each change to write, then Apply.</source>
        <translation>%1 incoming change(s): %2 conflict(s), %3 already in the chosen image. Tick "take theirs" for each change to write, then Apply.</translation>
    </message>
    <message>
        <source>No change is ticked "take theirs": nothing to write.</source>
        <translation>No change is ticked "take theirs": nothing to write.</translation>
    </message>
    <message>
        <source>Nothing was written: %1 value(s) changed in the chosen image since they were shown. The changes are read again.</source>
        <translation>Nothing was written: %1 value(s) changed in the chosen image since they were shown. The changes are read again.</translation>
    </message>
    <message>
        <source>Wrote %1 change(s) as one transaction ("merge %2" in the History; one undo takes it back).</source>
        <translation>Wrote %1 change(s) as one transaction ("merge %2" in the History; one undo takes it back).</translation>
    </message>
    <message>
        <source>Merge...</source>
        <translation>Merge...</translation>
    </message>
    <message>
        <source>Bring another hack of the same clean image, or a change set, into this image</source>
        <translation>Bring another hack of the same clean image, or a change set, into this image</translation>
    </message>
    <message>
        <source>No ROM image has been chosen: open one first (Open NDS).</source>
        <translation>No ROM image has been chosen: open one first (Open NDS).</translation>
    </message>
    <message>
        <source>Merge: another hack, or a change set</source>
        <translation>Merge: another hack, or a change set</translation>
    </message>
    <message>
        <source>NDS images or change sets (*.nds *.json);;All files (*)</source>
        <translation>NDS images or change sets (*.nds *.json);;All files (*)</translation>
    </message>
    <message>
        <source>Merge: the clean image both hacks were made from</source>
        <translation>Merge: the clean image both hacks were made from</translation>
    </message>
    <message>
        <source>NDS images (*.nds);;All files (*)</source>
        <translation>NDS images (*.nds);;All files (*)</translation>
    </message>
</context>
<context>
    <name>rt::PilotSkillForm</name>
    <message>
        <source>Save &amp;Value</source>
        <translation>Save &amp;Value</translation>
    </message>
    <message>
        <source>Save &amp;Pointer</source>
        <translation>Save &amp;Pointer</translation>
    </message>
    <message>
        <source>Store the 14 indices (Ctrl+S saves whichever half is edited)</source>
        <translation>Store the 14 indices (Ctrl+S saves whichever half is edited)</translation>
    </message>
    <message>
        <source>Store the level values in the records the indices selected when read</source>
        <translation>Store the level values in the records the indices selected when read</translation>
    </message>
    <message>
        <source>No pilot is selected; nothing was saved.</source>
        <translation>No pilot is selected; nothing was saved.</translation>
    </message>
    <message>
        <source>pilot </source>
        <translation>pilot </translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>%1 more</translation>
    </message>
    <message>
        <source>pilots %1 and %2</source>
        <translation>pilots %1 and %2</translation>
    </message>
    <message>
        <source>Level record %1 is shared: saving it also changes %2.

Save the values?</source>
        <translation>Level record %1 is shared: saving it also changes %2.

Save the values?</translation>
    </message>
    <message>
        <source>Level records %1 are shared: saving them also changes %2.

Save the values?</source>
        <translation>Level records %1 are shared: saving them also changes %2.

Save the values?</translation>
    </message>
</context>
<context>
    <name>rt::PilotSkillTable</name>
    <message>
        <source>level record %1 at 0x%2 lies past the end of the ROM image (%3 bytes); the editor never grows a ROM image</source>
        <translation>level record %1 at 0x%2 lies past the end of the ROM image (%3 bytes); the editor never grows a ROM image</translation>
    </message>
    <message>
        <source>%1: %2 is past the level table; give a level record from 0 to %3.</source>
        <translation>%1: %2 is past the level table; give a level record from 0 to %3.</translation>
    </message>
    <message>
        <source>ptr(%1) selects level record %2 at 0x%3, which lies past the end of the ROM image (%4 bytes). The values of that row cannot be saved: the editor never grows a ROM image.</source>
        <translation>ptr(%1) selects level record %2 at 0x%3, which lies past the end of the ROM image (%4 bytes). The values of that row cannot be saved: the editor never grows a ROM image.</translation>
    </message>
</context>
<context>
    <name>rt::RecordCodec</name>
    <message>
        <source> (-256 to -1 are stored as n + 256)</source>
        <translation> (-256 to -1 are stored as n + 256)</translation>
    </message>
    <message>
        <source>no row is selected; choose one of the list</source>
        <translation>no row is selected; choose one of the list</translation>
    </message>
    <message>
        <source>row %1 cannot be stored in a byte</source>
        <translation>row %1 cannot be stored in a byte</translation>
    </message>
</context>
<context>
    <name>rt::RecordForm</name>
    <message>
        <source>No record is selected; nothing was saved.</source>
        <translation>No record is selected; nothing was saved.</translation>
    </message>
</context>
<context>
    <name>rt::SkillGridForm</name>
    <message>
        <source>Refresh</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>rt::TableCheck</name>
    <message>
        <source>%1 %2 names %3, past the %4 records of %5</source>
        <translation>%1 %2 names %3, past the %4 records of %5</translation>
    </message>
    <message>
        <source>%1: its bytes lie inside %2.</source>
        <translation>%1: its bytes lie inside %2.</translation>
    </message>
    <message>
        <source>%1 %2 and %3 %4 name %5 %6..%7, past the %8 records of %5.</source>
        <translation>%1 %2 and %3 %4 name %5 %6..%7, past the %8 records of %5.</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>%1 overlaps those of %2 (shared on purpose?).</source>
        <translation>%1 overlaps those of %2 (shared on purpose?).</translation>
    </message>
    <message>
        <source>%1 overlap those of %2 (shared on purpose?).</source>
        <translation>%1 overlap those of %2 (shared on purpose?).</translation>
    </message>
    <message>
        <source>%1 holds %2, past the %3 rows of "%4".</source>
        <translation>%1 holds %2, past the %3 rows of "%4".</translation>
    </message>
    <message>
        <source>%1.</source>
        <translation>%1.</translation>
    </message>
</context>
<context>
    <name>rt::TableForm</name>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>%1: %2 now; this window would write %3.</source>
        <translation>%1: %2 now; this window would write %3.</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds it; nothing was saved.</source>
        <translation>Reloaded %1 as the image holds it; nothing was saved.</translation>
    </message>
    <message>
        <source>Nothing was saved; %1 saved elsewhere, the edits are kept.</source>
        <translation>Nothing was saved; %1 saved elsewhere, the edits are kept.</translation>
    </message>
    <message>
        <source>changed underneath: %1 (saved elsewhere)</source>
        <translation>changed underneath: %1 (saved elsewhere)</translation>
    </message>
    <message>
        <source>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then shows the image's values and this window's edits of it are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then shows the image's values and this window's edits of it are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</translation>
    </message>
    <message>
        <source>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then show the image's values and this window's edits of them are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>Since this window read the record, it was saved elsewhere:
%1

Overwrite writes this window's values over them.
Reload reads the record again: %2 then show the image's values and this window's edits of them are dropped; its edits of other fields stay, not saved.
Cancel writes nothing and keeps the edits.</translation>
    </message>
</context>
<context>
    <name>rt::TableView</name>
    <message>
        <source>Shade</source>
        <translation>Shade</translation>
    </message>
    <message>
        <source>with headers</source>
        <translation>with headers</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>Write every edited record (Ctrl+S)</source>
        <translation>Write every edited record (Ctrl+S)</translation>
    </message>
    <message>
        <source>&amp;Revert</source>
        <translation>&amp;Revert</translation>
    </message>
    <message>
        <source>Drop every edit</source>
        <translation>Drop every edit</translation>
    </message>
    <message>
        <source>Table view - %1</source>
        <translation>Table view - %1</translation>
    </message>
    <message>
        <source>Hide column</source>
        <translation>Hide column</translation>
    </message>
    <message>
        <source>Show every column</source>
        <translation>Show every column</translation>
    </message>
    <message>
        <source>Colour each numeric column by value: low blue, high red</source>
        <translation>Colour each numeric column by value: low blue, high red</translation>
    </message>
    <message>
        <source>Copy puts the column captions on a first line</source>
        <translation>Copy puts the column captions on a first line</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Copy the selected cells as tab-separated text (Ctrl+C)</source>
        <translation>Copy the selected cells as tab-separated text (Ctrl+C)</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>Paste a tab-separated block at the selection (Ctrl+V)</source>
        <translation>Paste a tab-separated block at the selection (Ctrl+V)</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>Export CSV...</translation>
    </message>
    <message>
        <source>Write the rows and columns in view as CSV for romtables-cli import</source>
        <translation>Write the rows and columns in view as CSV for romtables-cli import</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>C&amp;lose</translation>
    </message>
    <message>
        <source>Close the view (Esc)</source>
        <translation>Close the view (Esc)</translation>
    </message>
    <message>
        <source>The command line has no table these rows import into</source>
        <translation>The command line has no table these rows import into</translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation>Filter:</translation>
    </message>
    <message>
        <source>The table view of %1 cannot open.
%2</source>
        <translation>The table view of %1 cannot open.
%2</translation>
    </message>
    <message>
        <source>Another image was opened; the edits were dropped.</source>
        <translation>Another image was opened; the edits were dropped.</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>; %1 in %2</source>
        <translation>; %1 in %2</translation>
    </message>
    <message>
        <source>There are no edits to save.</source>
        <translation>There are no edits to save.</translation>
    </message>
    <message>
        <source>The rows shown were read from "%1", not from the chosen image "%2"; nothing was saved.</source>
        <translation>The rows shown were read from "%1", not from the chosen image "%2"; nothing was saved.</translation>
    </message>
    <message>
        <source>Nothing was saved: %1%2 is refused.
%3</source>
        <translation>Nothing was saved: %1%2 is refused.
%3</translation>
    </message>
    <message>
        <source>Saved %1; %2 changed.</source>
        <translation>Saved %1; %2 changed.</translation>
    </message>
    <message>
        <source>%1: %2 now; this view would write %3.</source>
        <translation>%1: %2 now; this view would write %3.</translation>
    </message>
    <message>
        <source>Nothing was saved; the edits are kept.</source>
        <translation>Nothing was saved; the edits are kept.</translation>
    </message>
    <message>
        <source>changed underneath: %1 (saved elsewhere)</source>
        <translation>changed underneath: %1 (saved elsewhere)</translation>
    </message>
    <message>
        <source>Dropped %1.</source>
        <translation>Dropped %1.</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>CSV (*.csv);;All files (*)</source>
        <translation>CSV (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>"%1" cannot be written: %2.</source>
        <translation>"%1" cannot be written: %2.</translation>
    </message>
    <message>
        <source>Exported %1 records to %2; romtables-cli import IMAGE FILE --table %3 reads it back.</source>
        <translation>Exported %1 records to %2; romtables-cli import IMAGE FILE --table %3 reads it back.</translation>
    </message>
    <message>
        <source>Table view</source>
        <translation>Table view</translation>
    </message>
    <message>
        <source>%1 has no table to show.</source>
        <translation>%1 has no table to show.</translation>
    </message>
    <message>
        <source>Select the cells to copy.</source>
        <translation>Select the cells to copy.</translation>
    </message>
    <message>
        <source>Copied %1 lines.</source>
        <translation>Copied %1 lines.</translation>
    </message>
    <message>
        <source>There is no text to paste.</source>
        <translation>There is no text to paste.</translation>
    </message>
    <message>
        <source>Select the cell where the block goes.</source>
        <translation>Select the cell where the block goes.</translation>
    </message>
    <message>
        <source>Nothing was pasted: %1, %2: %3.</source>
        <translation>Nothing was pasted: %1, %2: %3.</translation>
    </message>
    <message>
        <source>Nothing was pasted: %1%2 is refused.
%3</source>
        <translation>Nothing was pasted: %1%2 is refused.
%3</translation>
    </message>
    <message>
        <source>Pasted %1 cells.</source>
        <translation>Pasted %1 cells.</translation>
    </message>
    <message>
        <source>record</source>
        <translation>record</translation>
    </message>
    <message>
        <source>records</source>
        <translation>records</translation>
    </message>
    <message>
        <source>edited cell</source>
        <translation>edited cell</translation>
    </message>
    <message>
        <source>edited cells</source>
        <translation>edited cells</translation>
    </message>
    <message>
        <source>byte</source>
        <translation>byte</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>bytes</translation>
    </message>
    <message>
        <source>cell</source>
        <translation>cell</translation>
    </message>
    <message>
        <source>cells</source>
        <translation>cells</translation>
    </message>
    <message>
        <source>Words match a record's name, index or any column of words; "caption op value" (op: &lt; &lt;= &gt; &gt;= = !=) compares a column, in hex where it shows hex and by item where it shows a list. Several, separated by commas, must all hold.</source>
        <translation>Words match a record's name, index or any column of words; "caption op value" (op: &lt; &lt;= &gt; &gt;= = !=) compares a column, in hex where it shows hex and by item where it shows a list. Several, separated by commas, must all hold.</translation>
    </message>
    <message>
        <source>Since this view read the rows, these cells were saved elsewhere:
%1

Overwrite writes this view's values over them.
Reload reads the rows again: these cells then show the image's values and their edits are dropped; the other edited cells stay, not saved.
Cancel writes nothing and keeps the edits.</source>
        <translation>Since this view read the rows, these cells were saved elsewhere:
%1

Overwrite writes this view's values over them.
Reload reads the rows again: these cells then show the image's values and their edits are dropped; the other edited cells stay, not saved.
Cancel writes nothing and keeps the edits.</translation>
    </message>
    <message>
        <source>Nothing was pasted: the block of %1 rows and %2 columns does not fit; from the selected cell the view has %3 rows and %4 columns.</source>
        <translation>Nothing was pasted: the block of %1 rows and %2 columns does not fit; from the selected cell the view has %3 rows and %4 columns.</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds it; nothing was saved.</source>
        <translation>Reloaded %1 as the image holds it; nothing was saved.</translation>
    </message>
    <message>
        <source>Reloaded %1 as the image holds them; nothing was saved.</source>
        <translation>Reloaded %1 as the image holds them; nothing was saved.</translation>
    </message>
    <message>
        <source>%1 of %2 is edited and not saved.</source>
        <translation>%1 of %2 is edited and not saved.</translation>
    </message>
    <message>
        <source>%1 of %2 are edited and not saved.</source>
        <translation>%1 of %2 are edited and not saved.</translation>
    </message>
    <message>
        <source>Level records</source>
        <translation>Level records</translation>
    </message>
    <message>
        <source>Pilot pointers</source>
        <translation>Pilot pointers</translation>
    </message>
    <message>
        <source>name or index, or caption &gt; number (e.g. 格鬥 &gt; 180); join with ,</source>
        <translation>name or index, or caption &gt; number (e.g. Melee &gt; 180); join with ,</translation>
    </message>
</context>
<context>
    <name>rt::UnitPictureForm</name>
    <message>
        <source>No record is selected; nothing was copied.</source>
        <translation>No record is selected; nothing was copied.</translation>
    </message>
    <message>
        <source>No record is selected; nothing was pasted.</source>
        <translation>No record is selected; nothing was pasted.</translation>
    </message>
    <message>
        <source>Nothing was copied yet; Copy a record first. Nothing was pasted.</source>
        <translation>Nothing was copied yet; Copy a record first. Nothing was pasted.</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Paste</translation>
    </message>
</context>
<context>
    <name>rt::UsedByList</name>
    <message>
        <source>The records of other tables that name this one; double-click opens one</source>
        <translation>The records of other tables that name this one; double-click opens one</translation>
    </message>
    <message>
        <source>(no record names this one)</source>
        <translation>(no record names this one)</translation>
    </message>
    <message>
        <source>Go to</source>
        <translation>Go to</translation>
    </message>
    <message>
        <source>%1 has no editor of its own.</source>
        <translation>%1 has no editor of its own.</translation>
    </message>
    <message>
        <source>%1 is not in the chosen image.</source>
        <translation>%1 is not in the chosen image.</translation>
    </message>
    <message>
        <source>Ctrl+click opens the %1 record this names</source>
        <translation>Ctrl+click opens the %1 record this names</translation>
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
        <translation>%1 has no weapons; there is nothing to save.</translation>
    </message>
    <message>
        <source>No weapon is selected; nothing was saved.</source>
        <translation>No weapon is selected; nothing was saved.</translation>
    </message>
    <message>
        <source>Weapon %1 of %2 lies past the weapon table (%3 records, 0 to %4): its bytes belong to the unit table, so it cannot be saved here. Nothing was saved.</source>
        <translation>Weapon %1 of %2 lies past the weapon table (%3 records, 0 to %4): its bytes belong to the unit table, so it cannot be saved here. Nothing was saved.</translation>
    </message>
</context>
</TS>