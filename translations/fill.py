#!/usr/bin/env python3
"""Fills the translations of romtables_en.ts and romtables_zh_TW.ts from the
word lists below; a text the lists do not hold keeps the translation it has. Run after
scripts/translations.sh when new texts appear, then review them in Qt Linguist."""
import os, re, sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))

# The forms' Chinese captions as a modder of this kind of game names them.
CAPTIONS_EN = {
 'HP改造': 'HP upgrade', 'EN改造': 'EN upgrade', '照準值改造': 'Aim upgrade', '運動性改造': 'Mobility upgrade',
 '裝甲值改造': 'Armour upgrade', '武器改造': 'Weapon upgrade', '機體特殊能力%1': 'Unit abilities %1',
 '機體特殊能力%1  OSkill': 'Unit abilities %1  OSkill', '等級%1': 'Level %1', '底力L%1': 'Potential L%1',
 '售價': 'Price', '武器攻擊力上限': 'Weapon attack cap', '經驗值獲得上限': 'EXP gain cap',
 '氣力+命中(單)': 'Morale+ on hit (single)', '氣力+命中(雙)': 'Morale+ on hit (pair)',
 '氣力+不命中(單)': 'Morale+ on miss (single)', '氣力+不命中(雙)': 'Morale+ on miss (pair)',
 '氣力+回避(單)': 'Morale+ on evade (single)', '氣力+回避(雙)': 'Morale+ on evade (pair)',
 '氣力+傷害(單)': 'Morale+ on damage taken (single)', '氣力+傷害(雙)': 'Morale+ on damage taken (pair)',
 '氣力+擊墜(單)': 'Morale+ on kill (single)', '氣力+擊墜(雙)': 'Morale+ on kill (pair)',
 '氣力+自軍被擊墜(單)': 'Morale+ on ally shot down (single)', '氣力+自軍被擊墜(雙)': 'Morale+ on ally shot down (pair)',
 '精神': 'Spirit', '修得等級': 'Learnt at level', '性格': 'Personality', '搭乘限制': 'Boarding restriction',
 '關注作品': 'Series of interest', '登場作品': 'Series of appearance', '特殊技能A': 'Pilot skills A',
 '特殊技能B': 'Pilot skills B', '格鬥': 'Melee', '射擊': 'Shooting', '技量': 'Skill', '防禦': 'Defence',
 '回避': 'Evasion', '命中': 'Accuracy', '精神 %1': 'Spirit %1', '修得等級 %1': 'Learnt at level %1',
 '消耗SP': 'SP cost', '指針': 'Pointer', '指針 ptr(%1)': 'Pointer ptr(%1)', '等級': 'Level',
 '等級/種類': 'Level / kind', '氣力/種類': 'Morale / kind', 'CT%/命中': 'Crit % / accuracy', '攻擊力': 'Attack',
 '底力L': 'Potential L', '裝甲': 'Armour', '機體特殊能力': 'Unit abilities', '小機體圖像': 'Small unit picture',
 '大機體圖像': 'Large unit picture', '地圖小圖示': 'Map icon', '名稱指針1': 'Name pointer 1',
 '名稱指針2': 'Name pointer 2', '名稱指針3': 'Name pointer 3', '換乘限制': 'Transfer restriction',
 '裝甲值': 'Armour', '擊破費': 'Kill reward', '首項武器代碼': 'First weapon code', '武器數量': 'Weapon count',
 '武器改造費用': 'Weapon upgrade cost', '移動類型': 'Movement type', '移動力': 'Move', '照準值': 'Aim',
 '運動性': 'Mobility', '基本經驗值': 'Base EXP', '強化零件格數': 'Part slots', '默認BGM': 'Default BGM',
 '搭乘人數': 'Crew', '機體體積': 'Unit size', '隊長機師代碼': 'Leader pilot code', '隊長機體代碼': 'Leader unit code',
 '機體改造段數': 'Unit upgrade level', '武器改造段數': 'Weapon upgrade level', 'X座標': 'X position',
 'Y座標': 'Y position', '登場順序': 'Entry order', '補正等級': 'Level bonus', '行動時間': 'Turn of action',
 '敵我判定': 'Side', '強化配件': 'Part', '技能配件': 'Skill item', '隊友機師代碼': 'Partner pilot code',
 '隊友機體代碼': 'Partner unit code', '戰場配置': 'Deployments', '武器': 'Weapons', '武器屬性': 'Weapon properties',
 '必要條件A': 'Requirements A', '必要條件B': 'Requirements B', '無效化A': 'Nullified by A', '無效化B': 'Nullified by B',
 '殘彈': 'Ammo', '殘彈武器編號': 'Ammo shared with', '氣力': 'Morale', '最大射程': 'Max range',
 '最小射程': 'Min range', 'MAP範圍': 'MAP area', '合體攻擊機體代碼': 'Combo unit code',
 '合體攻擊機師代碼': 'Combo pilot code', '特殊效果': 'Special effect', '效果等級': 'Effect level',
 '改造幅度': 'Upgrade step', '空': 'Air', '陸': 'Land', '海': 'Sea', '宇': 'Space',
}

# Unit abilities: described where the name says what it does; names of a
# setting's own devices stay as written.
PROPER_NAMES = ['ミラージュコロイド', 'ヤタノカガミ', 'ヴォワチュールリュミエール', 'マジンパワー',
                'Nジャマーキャンセラー', 'ハイパーデュートリオン']
CAPTIONS_EN.update({p: p for p in PROPER_NAMES})
CAPTIONS_EN.update({
 '劍裝備': 'Sword', '銃裝備': 'Gun', 'シールド裝備': 'Shield', 'アンチビームシールド裝備': 'Anti-beam shield',
 'ビームシールド裝備': 'Beam shield', '修理裝置': 'Repair kit', '補給裝置': 'Supply kit', '搭載': 'Carrier',
 '分身': 'Afterimage', 'イリュージョンプロテクト': 'Illusion protect', 'ステルス裝置': 'Stealth device',
 'L1ビームコート': 'Beam coat L1', 'L2ビームコート': 'Beam coat L2', 'L3ビームコート': 'Beam coat L3',
 ' ラミネート裝甲': ' Laminated armour', '電磁シールド': 'EM shield', '擴散マント': 'Diffusion cloak',
 'PS裝甲': 'PS armour', 'VPS裝甲': 'VPS armour', 'バリアL1': 'Barrier L1', 'バリアL2': 'Barrier L2', 'バリアL3': 'Barrier L3',
 '陽電子リフレクター ': 'Positron reflector ', 'フォトンマットバリア': 'Photon mat barrier', 'イージス裝備': 'Aegis gear',
 'ノルンシステム': 'Norn system', 'バイオ裝甲': 'Bio armour', 'フレアシールド': 'Flare shield',
 'エンジェルウォール': 'Angel wall', 'エルドラブロック': 'Eldora block', 'ガーディアンカーテン': 'Guardian curtain',
 'クリスタル·ハート': 'Crystal heart', 'Oスキル:加速': 'O-skill: accel.', 'Oスキル:重力': 'O-skill: gravity',
 '重力 ': 'Gravity ', '時間停止': 'Time stop', '衝擊': 'Shock', '透明化': 'Invisibility', '恐怖具現化': 'Fear made real',
 '變形': 'Transform', 'オーバーフリーズ': 'Overfreeze', 'OSkill 硬化': 'OSkill Harden', 'OSkill 怪力': 'OSkill Might',
 'OSkill 竊盜': 'OSkill Steal', '同化': 'Assimilate', '銅鐸パワー ': 'Bronze bell power ',
 'エモーショナルモード': 'Emotional mode', 'クリシュナ‧ハート': 'Krishna heart', '特殊效果武器無?': 'Special-effect immune?',
 'HP回復L1': 'HP recovery L1', 'HP回復L2': 'HP recovery L2', 'HP回復L3': 'HP recovery L3',
 'EN回復L1': 'EN recovery L1', 'EN回復L2': 'EN recovery L2', 'EN回復L3': 'EN recovery L3',
})

# The English texts of the interface in Traditional Chinese.
UI_ZH = {
 'stage %1 has no deployment records': '關卡 %1 沒有配置記錄',
 "%1: 7FFF marks the end of a stage's list and cannot be a pilot code; use FFFF for no pilot.": '%1：7FFF 標示關卡清單的結尾，不能當作機師代碼；沒有機師請用 FFFF。',
 'level record %1 at 0x%2 lies past the end of the ROM image (%3 bytes); the editor never grows a ROM image': '位於 0x%2 的等級記錄 %1 超出 ROM 映像的結尾（%3 個位元組）；編輯器從不擴大 ROM 映像',
 '%1: %2 is past the level table; give a level record from 0 to %3.': '%1：%2 超出等級表；請指定 0 到 %3 的等級記錄。',
 'ptr(%1) selects level record %2 at 0x%3, which lies past the end of the ROM image (%4 bytes). The values of that row cannot be saved: the editor never grows a ROM image.': 'ptr(%1) 選取位於 0x%3 的等級記錄 %2，它超出 ROM 映像的結尾（%4 個位元組）。該列的數值無法儲存：編輯器從不擴大 ROM 映像。',
 'index': '索引', 'stage': '關卡', 'level': '等級', 'units': '機體', 'pilots': '機師',
 'name or index, or caption > number (e.g. 格鬥 > 180); join with ,': '名稱或索引，或「標題 > 數值」（例：格鬥 > 180）；以逗號連接',
 'pending': '待處理', 'done': '已完成', 'undone': '已復原', 'rolled back': '已回滾', 'rolling back': '回滾中',
 'Level records': '等級記錄', 'Pilot pointers': '機師指針',
 'Reloaded %1 as the image holds it; nothing was saved.': '已依映像內容重新讀取 %1；未儲存任何內容。',
 'Reloaded %1 as the image holds them; nothing was saved.': '已依映像內容重新讀取 %1；未儲存任何內容。',
 '%1 of %2 is edited and not saved.': '%2 中有 %1 已修改但未儲存。', '%1 of %2 are edited and not saved.': '%2 中有 %1 已修改但未儲存。',
 'Level record %1 is shared: saving it also changes %2.\n\nSave the values?': '等級記錄 %1 為共用：儲存它也會變更%2。\n\n要儲存這些數值嗎？',
 'Level records %1 are shared: saving them also changes %2.\n\nSave the values?': '等級記錄 %1 為共用：儲存它們也會變更%2。\n\n要儲存這些數值嗎？',
 "Since this window read the record, it was saved elsewhere:\n%1\n\nOverwrite writes this window's values over them.\nReload reads the record again: %2 then shows the image's values and this window's edits of it are dropped; its edits of other fields stay, not saved.\nCancel writes nothing and keeps the edits.":
   '此視窗讀取這筆記錄後，它已在別處被儲存：\n%1\n\n「覆寫」以此視窗的數值覆蓋。\n「重新讀取」會再次讀取記錄：%2 將顯示映像中的數值，此視窗對它的修改將被捨棄；其他欄位的修改保留，尚未儲存。\n「取消」不寫入任何內容並保留修改。',
 "Since this window read the record, it was saved elsewhere:\n%1\n\nOverwrite writes this window's values over them.\nReload reads the record again: %2 then show the image's values and this window's edits of them are dropped; its edits of other fields stay, not saved.\nCancel writes nothing and keeps the edits.":
   '此視窗讀取這筆記錄後，它已在別處被儲存：\n%1\n\n「覆寫」以此視窗的數值覆蓋。\n「重新讀取」會再次讀取記錄：%2 將顯示映像中的數值，此視窗對它們的修改將被捨棄；其他欄位的修改保留，尚未儲存。\n「取消」不寫入任何內容並保留修改。',
 '\n\nSet the old history aside and start a new one for this image?': '\n\n要將舊的歷史記錄擱置，為這個映像開始新的歷史記錄嗎？',
 '"%1" has no history: nothing was saved to it, so there is no change to put in a patch.': '「%1」沒有歷史記錄：尚未儲存任何內容，因此沒有可放入修補檔的變更。',
 'Wrote %1: %2 byte(s) in %3 run(s) differ from the image as its history began (CRC32 %4 before, %5 now).': '已寫入 %1：%3 段中有 %2 個位元組與歷史記錄開始時的映像不同（之前 CRC32 %4，現在 %5）。',
 '%1 is not a whole number from %2 to %3': '%1 不是 %2 到 %3 之間的整數',
 '%1 does not fit a byte: a negative n is stored as n + 256 rounded, 256 here': '%1 超出一個位元組：負數 n 以 n + 256 取整儲存，此處為 256',
 '%1 is not a hexadecimal number from 0 to FFFF': '%1 不是 0 到 FFFF 之間的十六進位數字',
 'Shows the rows whose name holds this text, or the row of this number; Down or Enter moves into the list': '顯示名稱含有此文字的列，或此編號的列；按 Down 或 Enter 移入清單',
 'The values shown were not read from "%1"; nothing was saved. Select the record again to read it.': '顯示的數值並非讀自「%1」；未儲存任何內容。請再次選取記錄以讀取。',
 'The values shown were read from "%1", not from the chosen image "%2"; nothing was saved. Select the record again to read it from "%2".': '顯示的數值讀自「%1」，而非所選映像「%2」；未儲存任何內容。請再次選取記錄，從「%2」讀取。',
 'byte': '個位元組', 'bytes': '個位元組', 'record': '筆記錄', 'records': '筆記錄', 'edited cell': '個已修改的儲存格',
 'edited cells': '個已修改的儲存格', 'cell': '個儲存格', 'cells': '個儲存格',
 ' (-256 to -1 are stored as n + 256)': '（-256 到 -1 以 n + 256 儲存）',
 'no row is selected; choose one of the list': '沒有選取任何列；請從清單中選擇一項',
 'row %1 cannot be stored in a byte': '第 %1 列無法存入一個位元組',
 "Since this window read the record, it was saved elsewhere:\n%1\n\nOverwrite writes this window's values over them.\nReload reads the record again: %2 then show%3 the image's values and this window's edits of %4 are dropped; its edits of other fields stay, not saved.\nCancel writes nothing and keeps the edits.":
   '此視窗讀取這筆記錄後，它已在別處被儲存：\n%1\n\n「覆寫」以此視窗的數值覆蓋。\n「重新讀取」會再次讀取記錄：%2 將顯示映像中的數值，此視窗對這些欄位的修改將被捨棄；其他欄位的修改保留，尚未儲存。\n「取消」不寫入任何內容並保留修改。',
 'Words match a record\'s name, index or any column of words; "caption op value" (op: < <= > >= = !=) compares a column, in hex where it shows hex and by item where it shows a list. Several, separated by commas, must all hold.':
   '文字比對記錄的名稱、索引或任何文字欄；「標題 運算子 數值」（運算子：< <= > >= = !=）比較一欄，顯示十六進位的欄以十六進位比較，顯示清單的欄以項目比較。以逗號分隔的多個條件須全部成立。',
 "Since this view read the rows, these cells were saved elsewhere:\n%1\n\nOverwrite writes this view's values over them.\nReload reads the rows again: these cells then show the image's values and their edits are dropped; the other edited cells stay, not saved.\nCancel writes nothing and keeps the edits.":
   '此檢視讀取這些列後，下列儲存格已在別處被儲存：\n%1\n\n「覆寫」以此檢視的數值覆蓋。\n「重新讀取」會再次讀取這些列：這些儲存格將顯示映像中的數值，其修改將被捨棄；其他已修改的儲存格保留，尚未儲存。\n「取消」不寫入任何內容並保留修改。',
 'Nothing was pasted: the block of %1 rows and %2 columns does not fit; from the selected cell the view has %3 rows and %4 columns.': '未貼上任何內容：%1 列 %2 欄的區塊放不下；從所選儲存格起，檢視只有 %3 列 %4 欄。',
 'Weapon %1 of %2 lies past the weapon table (%3 records, 0 to %4): its bytes belong to the unit table, so it cannot be saved here. Nothing was saved.': '%2 的武器 %1 位於武器表之外（%3 筆記錄，0 到 %4）：它的位元組屬於機體表，因此不能在此儲存。未儲存任何內容。',
 'Open NDS': '開啟 NDS', 'NDS ROM images (*.nds)': 'NDS ROM 映像 (*.nds)', '&Save': '儲存(&S)', 'Save': '儲存',
 '&Discard': '捨棄(&D)', '&Cancel': '取消(&C)', '&Overwrite': '覆寫(&O)', '&Reload': '重新讀取(&R)',
 '%1 it anyway? Its recorded bytes then replace what the image holds there now.':
   '仍要%1嗎？記錄的位元組將取代映像中該處現有的內容。',
 '\n\nSave them?': '\n\n要儲存嗎？', 'Discard the edits?': '要捨棄這些修改嗎？',
 '\n\nOverwrite them?': '\n\n要覆寫嗎？', 'Reload the record?': '要重新讀取這筆記錄嗎？',
 '%1 more': '另外 %1 筆', 'Record': '記錄', 'Records': '記錄',
 'No row of the list is selected; nothing was saved.': '清單中沒有選取任何一列；未儲存任何內容。',
 'Compare': '比較', 'Filter: table, record, field or value': '篩選：表格、記錄、欄位或數值',
 'Table / record / field': '表格 / 記錄 / 欄位', 'Control': '控制項', 'Old': '舊值', 'New': '新值', 'Close': '關閉',
 'Comparing "%1" with "%2"...': '正在比較「%1」與「%2」……', '%1 record(s)': '%1 筆記錄',
 'Double-click to open this record in %1': '按兩下以在 %1 中開啟這筆記錄', 'Other bytes': '其他位元組',
 '%1 byte(s)': '%1 個位元組', 'Bytes that differ where no field of a table shows the difference':
   '不屬於任何表格欄位的相異位元組',
 'The images are the same.': '兩個映像相同。', '%1 field(s) of %2 record(s) differ.': '%2 筆記錄中有 %1 個欄位不同。',
 '%1 other byte(s) in %2 range(s) differ.': '另有 %2 個範圍內的 %1 個位元組不同。',
 'The images have %1 and %2 bytes.': '兩個映像分別有 %1 與 %2 個位元組。',
 '"%1" (old) against the chosen image (new): %2': '「%1」（舊）對比所選映像（新）：%2',
 '%1 has no record %2 in the chosen image.': '所選映像中 %1 沒有記錄 %2。', 'Compare with...': '比較對象……',
 'Every field that differs from another image, such as a clean copy': '與另一個映像（例如未修改的副本）不同的每個欄位',
 'Export patch...': '匯出修補檔……',
 'A BPS patch of every change saved to the image since its history began': '自歷史記錄開始以來儲存到映像的所有變更的 BPS 修補檔',
 'No ROM image has been chosen: open one first (Open NDS).': '尚未選擇 ROM 映像：請先開啟一個（開啟 NDS）。',
 'Compare with (the clean image)': '比較對象（未修改的映像）', 'NDS images (*.nds);;All files (*)': 'NDS 映像 (*.nds);;所有檔案 (*)',
 'Export patch': '匯出修補檔', 'BPS patch (*.bps)': 'BPS 修補檔 (*.bps)',
 'The patch cannot be written over the image itself; choose another file.': '修補檔不能寫在映像本身上；請選擇其他檔案。',
 'E&xit': '離開(&X)', '&Table': '表格(&T)', 'The whole table as a grid, on this record (Ctrl+T)': '以表格檢視整個表，停在這筆記錄 (Ctrl+T)',
 'Filter: name or number': '篩選：名稱或編號', 'Record ': '記錄 ', '%1 at %2': '%1 位於 %2', '%1 at %2: %3': '%1 位於 %2：%3',
 'The record shown has edits that were not saved.': '顯示的記錄有尚未儲存的修改。',
 'Dropped the edits not saved; Ctrl+Z again undoes the last save.': '已捨棄未儲存的修改；再按 Ctrl+Z 可復原上一次儲存。',
 'Saved %1 %2: %3 %4%5 in %6': '已儲存 %1 %2：%3 %4%5（%6）', ' at ': ' 位於 ', 'Nothing was saved.\n%1': '未儲存任何內容。\n%1',
 'the record\'s key "%1"': '記錄的鍵「%1」', "the record's name": '記錄的名稱', 'where the record starts in the file': '記錄在檔案中的起始位置',
 '"%1" is not a hexadecimal number': '「%1」不是十六進位數字', '"%1" is neither a number nor an item of %2': '「%1」既不是數字也不是 %2 的項目',
 '"%1" is not a number': '「%1」不是數字', 'the column "%1" cannot be changed here': '「%1」欄不能在此修改',
 '"%1" is not a check box\'s 1 or 0': '「%1」不是核取方塊的 1 或 0',
 '"%1" is neither an item of %2 nor a row from 0 to %3': '「%1」既不是 %2 的項目，也不是 0 到 %3 的列',
 '"%1" is not a row from 0 to 255': '「%1」不是 0 到 255 的列', 'Edited; the image holds %1': '已修改；映像中為 %1',
 'name': '名稱', 'offset': '偏移',
 ' and %1 more': ' 及另外 %1 筆', '%1 of %2': '%1／%2', 'ID': '編號', 'Time': '時間', 'Source': '來源', 'State': '狀態',
 'Summary': '摘要', 'Table': '表格', 'Name': '名稱', 'Field': '欄位', 'Undo': '復原', 'Redo': '重做', 'Revert': '還原',
 'History': '歷史記錄', 'Undo the newest done change': '復原最新完成的變更', 'Redo the newest undone change': '重做最新復原的變更',
 'Put back what the selected change replaced': '放回所選變更取代的內容', 'Close the history (Esc)': '關閉歷史記錄 (Esc)',
 'No ROM image has been chosen.': '尚未選擇 ROM 映像。', '"%1" has no history yet: nothing was saved to it.': '「%1」還沒有歷史記錄：尚未儲存任何內容。',
 '"%1": %2 transaction(s). History file: %3': '「%1」：%2 筆交易。歷史記錄檔：%3',
 '&Language': '語言(&L)', 'The language of every window': '所有視窗的語言',
 'Table view': '表格檢視', 'This row opens a menu, not a table; choose one of its rows.': '這一列開啟的是選單而非表格；請選擇其中一列。',
 '&Open NDS': '開啟 NDS(&O)', 'Choose the ROM image (Ctrl+O)': '選擇 ROM 映像 (Ctrl+O)', '&Edit': '編輯(&E)',
 '&Recent images': '最近的映像(&R)', 'The last images chosen': '最近選擇的映像', '&Table view': '表格檢視(&T)',
 "The selected row's table as a grid (Ctrl+T)": '以表格檢視所選列的表 (Ctrl+T)', '&History': '歷史記錄(&H)',
 'The saved changes of the image (Ctrl+H)': '映像已儲存的變更 (Ctrl+H)', 'ROM table editor': 'ROM 資料表編輯器',
 'Name lists: %1': '名稱清單：%1', ', then ': '，其次 ', 'no ROM image chosen': '尚未選擇 ROM 映像', 'ROM image: %1': 'ROM 映像：%1',
 'Edit': '編輯', 'Choose a ROM image first: press Open NDS.': '請先選擇 ROM 映像：按「開啟 NDS」。',
 'No deployment record is selected; nothing was saved.': '沒有選取配置記錄；未儲存任何內容。',
 'Save &Value': '儲存數值(&V)', 'Save &Pointer': '儲存指針(&P)',
 'Store the 14 indices (Ctrl+S saves whichever half is edited)': '儲存 14 個索引（Ctrl+S 儲存已修改的那一半）',
 'Store the level values in the records the indices selected when read': '將等級數值存入讀取時索引所選的記錄',
 'No pilot is selected; nothing was saved.': '沒有選取機師；未儲存任何內容。', 'pilot ': '機師 ', 'pilots %1 and %2': '機師 %1 及 %2',
 'Level record%1 %2 %3 shared: saving %4 also changes %5.\n\nSave the values?': '等級記錄 %2 與其他機師共用：儲存將同時變更%5。\n\n要儲存這些數值嗎？',
 'No record is selected; nothing was saved.': '沒有選取記錄；未儲存任何內容。', 'Refresh': '重新整理',
 '%1: %2 now; this window would write %3.': '%1：目前為 %2；此視窗將寫入 %3。',
 'Reloaded %1 as the image holds it; nothing was saved.': '已依映像內容重新讀取 %1；未儲存任何內容。',
 'Nothing was saved; %1 saved elsewhere, the edits are kept.': '未儲存任何內容；%1 已在別處儲存，修改保留。',
 'changed underneath: %1 (saved elsewhere)': '已被變更：%1（在別處儲存）',
 'Shade': '著色', 'with headers': '含標題', 'Write every edited record (Ctrl+S)': '寫入所有已修改的記錄 (Ctrl+S)', '&Revert': '還原(&R)',
 'Drop every edit': '捨棄所有修改', 'Table view - %1': '表格檢視 - %1', 'Hide column': '隱藏欄', 'Show every column': '顯示所有欄',
 'Colour each numeric column by value: low blue, high red': '依數值為數字欄著色：低為藍，高為紅',
 'Copy puts the column captions on a first line': '複製時在第一行加上欄標題', 'Copy': '複製',
 'Copy the selected cells as tab-separated text (Ctrl+C)': '以定位字元分隔的文字複製所選儲存格 (Ctrl+C)', 'Paste': '貼上',
 'Paste a tab-separated block at the selection (Ctrl+V)': '在選取處貼上以定位字元分隔的區塊 (Ctrl+V)', 'Export CSV...': '匯出 CSV……',
 'Write the rows and columns in view as CSV for romtables-cli import': '將顯示的列與欄寫成 CSV，供 romtables-cli import 使用',
 'C&lose': '關閉(&L)', 'Close the view (Esc)': '關閉檢視 (Esc)', 'The command line has no table these rows import into': '命令列沒有可匯入這些列的表格',
 'Filter:': '篩選：', 'The table view of %1 cannot open.\n%2': '%1 的表格檢視無法開啟。\n%2',
 'Another image was opened; the edits were dropped.': '已開啟另一個映像；修改已捨棄。', '; %1 in %2': '；%2 中 %1',
 'There are no edits to save.': '沒有要儲存的修改。',
 'The rows shown were read from "%1", not from the chosen image "%2"; nothing was saved.': '顯示的列讀自「%1」，而非所選映像「%2」；未儲存任何內容。',
 'Nothing was saved: %1%2 is refused.\n%3': '未儲存任何內容：%1%2 被拒絕。\n%3', 'Saved %1; %2 changed.': '已儲存 %1；變更了 %2。',
 '%1: %2 now; this view would write %3.': '%1：目前為 %2；此檢視將寫入 %3。',
 'Reloaded %1 as the image holds %2; nothing was saved.': '已依映像內容重新讀取 %1；未儲存任何內容。',
 'Nothing was saved; the edits are kept.': '未儲存任何內容；修改保留。', 'Dropped %1.': '已捨棄 %1。', 'Export CSV': '匯出 CSV',
 'CSV (*.csv);;All files (*)': 'CSV (*.csv);;所有檔案 (*)', '"%1" cannot be written: %2.': '無法寫入「%1」：%2。',
 'Exported %1 records to %2; romtables-cli import IMAGE FILE --table %3 reads it back.': '已將 %1 筆記錄匯出到 %2；romtables-cli import IMAGE FILE --table %3 可讀回。',
 '%1 of %2 %3 edited and not saved.': '%2 中有 %1 已修改但未儲存。', '%1 has no table to show.': '%1 沒有可顯示的表格。',
 'Select the cells to copy.': '請選取要複製的儲存格。', 'Copied %1 lines.': '已複製 %1 行。', 'There is no text to paste.': '沒有可貼上的文字。',
 'Select the cell where the block goes.': '請選取區塊要放置的儲存格。', 'Nothing was pasted: %1, %2: %3.': '未貼上任何內容：%1，%2：%3。',
 'Nothing was pasted: %1%2 is refused.\n%3': '未貼上任何內容：%1%2 被拒絕。\n%3', 'Pasted %1 cells.': '已貼上 %1 個儲存格。',
 'No record is selected; nothing was copied.': '沒有選取記錄；未複製任何內容。', 'No record is selected; nothing was pasted.': '沒有選取記錄；未貼上任何內容。',
 'Nothing was copied yet; Copy a record first. Nothing was pasted.': '尚未複製任何內容；請先複製一筆記錄。未貼上任何內容。',
 'OSkill L%1': 'OSkill L%1', '%1 has no weapons; there is nothing to save.': '%1 沒有武器；沒有可儲存的內容。',
 'No weapon is selected; nothing was saved.': '沒有選取武器；未儲存任何內容。',
}

# Merge, Check, the links between records (Used by, go-to) and the warning a save gives.
UI_ZH.update({
 'Check': '檢查', 'Every broken or suspicious link and value of the image': '映像中每個損壞或可疑的連結與數值',
 'Go to': '前往', '%1 has no editor of its own.': '%1 沒有專屬的編輯器。', '%1 is not in the chosen image.': '所選映像中沒有 %1。',
 'Ctrl+click opens the %1 record this names': 'Ctrl+按一下可開啟此欄位指向的 %1 記錄',
 'Filter: table, field, rule or any word of the message': '篩選：表格、欄位、規則或訊息中的任何字詞',
 'Errors only': '只顯示錯誤', 'Check again': '重新檢查', 'Severity': '嚴重程度', 'Rule': '規則', 'Message': '訊息',
 'Double-click opens the record in its editor': '按兩下以在編輯器中開啟該記錄',
 'No image is chosen: Open NDS first.': '尚未選擇映像：請先按「開啟 NDS」。',
 'The check could not read the image: %1': '檢查無法讀取映像：%1', 'error': '錯誤', 'warning': '警告',
 'No problems in %1.': '%1 沒有任何問題。', '%1: %2 error(s), %3 warning(s).': '%1：%2 個錯誤，%3 個警告。',
 'Save change set...': '儲存變更集……',
 'Every difference as field changes, to apply to another image or merge with another hack': '將每項差異存為欄位變更，以套用到其他映像或與其他修改版合併',
 'Save change set': '儲存變更集', 'Change sets (*.json)': '變更集 (*.json)',
 'The change set cannot be written over an image it is made from; choose another file.': '變更集不能寫在產生它的映像上；請選擇其他檔案。',
 'Wrote %1: %2 field change(s), %3 byte(s) outside the fields.': '已寫入 %1：%2 項欄位變更，欄位以外 %3 個位元組。',
 'Used by': '被引用', 'Dismiss': '隱藏',
 'The save brought in %n new error(s): %1': '這次儲存產生了 %n 個新錯誤：%1',
 'Saved, but the game would trip on this:\n%1': '已儲存，但遊戲會因下列問題出錯：\n%1',
 'used by': '被引用數', 'how many records of other tables name this one': '其他表格中指向這筆記錄的記錄數',
 'take theirs': '採用對方的', 'keep mine': '保留我的', 'Merge': '合併', 'Clean': '原始', 'Mine': '我的',
 'Theirs': '對方的', 'Choice': '選擇', 'Apply': '套用',
 'Write the changes ticked "take theirs" into the chosen image, as one transaction': '將勾選「採用對方的」的變更寫入所選映像，作為一筆交易',
 'Reading "%1"...': '正在讀取「%1」……', 'same': '相同', 'The chosen image holds this value already': '所選映像已是這個數值',
 '(conflict)': '（衝突）', 'Both images changed this field, to different values': '兩個映像都修改了這個欄位，但數值不同',
 '%1 incoming change(s): %2 conflict(s), %3 already in the chosen image. Tick "take theirs" for each change to write, then Apply.':
   '共 %1 項傳入的變更：%2 項衝突，%3 項所選映像中已有。請為每項要寫入的變更勾選「採用對方的」，再按「套用」。',
 'No change is ticked "take theirs": nothing to write.': '沒有勾選「採用對方的」的變更：沒有要寫入的內容。',
 'Nothing was written: %1 value(s) changed in the chosen image since they were shown. The changes are read again.':
   '未寫入任何內容：顯示後所選映像中有 %1 個數值已變更。將重新讀取變更。',
 'Wrote %1 change(s) as one transaction ("merge %2" in the History; one undo takes it back).':
   '已將 %1 項變更寫成一筆交易（歷史記錄中的「merge %2」；復原一次即可撤回）。',
 'Merge...': '合併……', 'Bring another hack of the same clean image, or a change set, into this image': '將同一原始映像的另一個修改版或變更集併入此映像',
 'Merge: another hack, or a change set': '合併：另一個修改版或變更集',
 'NDS images or change sets (*.nds *.json);;All files (*)': 'NDS 映像或變更集 (*.nds *.json);;所有檔案 (*)',
 'Merge: the clean image both hacks were made from': '合併：兩個修改版共同的原始映像',
 'NDS images (*.nds);;All files (*)': 'NDS 映像 (*.nds);;所有檔案 (*)',
 'The records of other tables that name this one; double-click opens one': '其他表格中指向這筆記錄的記錄；按兩下可開啟',
 '(no record names this one)': '（沒有記錄指向這筆記錄）',
 '"%1": the newest %2 transactions; the command line\'s history lists all of them. History file: %3':
   '「%1」：最新的 %2 筆交易；命令列的 history 會列出全部。歷史記錄檔：%3',
})

# The check's messages (the command line prints them in English).
UI_ZH.update({
 ' and %1 more': ' 等另外 %1 筆',
 '%1 %2 and %3 %4 name %5 %6..%7, past the %8 records of %5.': '%1 %2 與 %3 %4 指向 %5 %6..%7，超出 %5 的 %8 筆記錄。',
 '%1 %2 names %3, past the %4 records of %5': '%1 %2 指向 %3，超出 %5 的 %4 筆記錄',
 '%1 holds %2, past the %3 rows of "%4".': '%1 的值為 %2，超出「%4」的 %3 列。',
 '%1 overlap those of %2 (shared on purpose?).': '%1 與 %2 的範圍重疊（是刻意共用嗎？）。',
 '%1 overlaps those of %2 (shared on purpose?).': '%1 與 %2 的範圍重疊（是刻意共用嗎？）。',
 '%1: its bytes lie inside %2.': '%1：其位元組位於 %2 之內。',
 'The list of stage %1 (from 0x%2) has no %3 end marker before %4: the game reads on past its %5 records.':
   '關卡 %1 的清單（自 0x%2 起）在%4之前沒有 %3 結尾標記：遊戲會讀過它的 %5 筆記錄繼續讀下去。',
 'The list of stage %1 starts at 0x%2, inside %3.': '關卡 %1 的清單從 0x%2 開始，位於 %3 之內。',
 'The list of stage %1 would start at offset %2 (0x%3 + %4), outside the ROM image (%5 bytes). The stage has no records to show.':
   '關卡 %1 的清單會從偏移 %2（0x%3 + %4）開始，超出 ROM 映像（%5 個位元組）。此關卡沒有可顯示的記錄。',
 'the end of the file': '檔案結尾', '%1.': '%1。',
 "the next stage's list at 0x%1": '位於 0x%1 的下一關卡清單',
})

# Texts whose grammar follows a count (%n): the English forms, singular then plural.
NUMERUS_EN = {
 'The save brought in %n new error(s): %1': ['The save brought in %n new error: %1', 'The save brought in %n new errors: %1'],
}

CJK = re.compile(r'[\u3040-\u30ff\u3400-\u9fff]')

def fill(path, lookup):
    tree = ET.parse(path)
    missing = []
    for message in tree.getroot().iter('message'):
        source = message.find('source').text or ''
        tr = message.find('translation')
        text = lookup(source)
        forms = tr.findall('numerusform')
        if text is None:  # keep a translation made elsewhere (Qt Linguist)
            if tr.get('type') == 'unfinished' or not (tr.text or any(f.text for f in forms)): missing.append(source)
            continue
        if forms:  # one form for Chinese, singular and plural for English
            texts = text if isinstance(text, list) else [text] * len(forms)
            for f, t in zip(forms, texts): f.text = t
        else:
            tr.text = text
        tr.attrib.pop('type', None)
    tree.write(path, encoding='utf-8', xml_declaration=True)
    return missing

UI_EN = {  # English texts that show a Chinese caption as an example
 'name or index, or caption > number (e.g. 格鬥 > 180); join with ,': 'name or index, or caption > number (e.g. Melee > 180); join with ,',
}

def english(source):
    if source in NUMERUS_EN: return NUMERUS_EN[source]
    if source in UI_EN: return UI_EN[source]
    if source in CAPTIONS_EN: return CAPTIONS_EN[source]
    return None if CJK.search(source) else source  # English texts are their own translation

def chinese(source):
    if source in UI_ZH: return UI_ZH[source]
    if CJK.search(source): return source  # the forms' own captions
    if source in UI_ZH: return UI_ZH[source]
    return source if not re.search(r'[a-z]{2}', source) else None  # "SP", "HP": as written

for name, lookup in (('romtables_en.ts', english), ('romtables_zh_TW.ts', chinese)):
    left = fill(os.path.join(HERE, name), lookup)
    for s in left: print('%s: no translation for %r' % (name, s))
