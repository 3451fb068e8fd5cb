#include "editors/unit/unit_picture_table.h"

#include "editors/unit/registry.h"

#include "editors/unit/unit_table.h"

namespace rt {

TableDef unitPictureTable() {
  TableDef t{unitPicturePlace().id, kUnitPictureBase, kUnitPictureStride, kUnitCount, {}};
  // Word w at 2w. Only words 0, 1, 4 and 10 carry a caption on screen; the
  // others are the further frames of the image above them.
  const QString small = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "小機體圖像"));
  const QString large = QStringLiteral(QT_TRANSLATE_NOOP("Caption", "大機體圖像"));
  const QString captions[kPictureWords] = {
      QStringLiteral(QT_TRANSLATE_NOOP("Caption", "地圖小圖示")),  // small map icon
      small,  small + QStringLiteral(" 2"), small + QStringLiteral(" 3"),
      large,  large + QStringLiteral(" 2"), large + QStringLiteral(" 3"), large + QStringLiteral(" 4"),
      large + QStringLiteral(" 5"), large + QStringLiteral(" 6"),
      QStringLiteral("??"),  // unnamed word
  };
  for (int w = 0; w < kPictureWords; ++w)
    t.fields.push_back(wordField(elementName(QStringLiteral("val"), w), 2 * w, captions[w]));
  return t;
}

Result<PictureWords> readPictureWords(RomImage& rom, std::int64_t recordOffset) {
  return readSession(rom, [&](RomImage& open) {
    open.prefetch(recordOffset, kUnitPictureStride);
    open.seek(recordOffset);
    PictureWords words{};
    for (auto& w : words) w = static_cast<std::uint16_t>(open.readU16());
    return words;
  });
}

SaveResult writePictureWords(RomImage& rom, std::int64_t recordOffset, const PictureWords& words, const TxInfo& info) {
  std::vector<ByteWrite> writes;
  for (int w = 0; w < kPictureWords; ++w) {
    const std::int64_t at = recordOffset + 2 * w;
    writes.push_back({at, static_cast<std::uint8_t>(words[static_cast<size_t>(w)] & 0xFF), 0xFF});
    writes.push_back({at + 1, static_cast<std::uint8_t>(words[static_cast<size_t>(w)] >> 8), 0xFF});
  }
  return applyWrites(rom, writes, info);
}

}  // namespace rt
