#include "model/name_list.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace rt {
namespace {

// Readable failure output: gtest prints std::string, not QString.
std::string utf8(const QString& s) { return s.toStdString(); }

std::vector<std::string> utf8(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

QByteArray bytesOf(std::initializer_list<int> values) {
  QByteArray out;
  for (const int v : values) out.append(static_cast<char>(v));
  return out;
}

QString text16(const char16_t* s) { return QString::fromUtf16(s); }

// Big5 trail bytes run 40..7E, then A1..FE; returns the code after `code`.
int nextBig5Code(int code) {
  const int lead = code >> 8;
  const int trail = code & 0xFF;
  if (trail == 0x7E) return (lead << 8) | 0xA1;
  if (trail == 0xFE) return ((lead + 1) << 8) | 0x40;
  return code + 1;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size();
}

// --- splitting -------------------------------------------------------------

struct SplitCase {
  const char* name;
  const char16_t* text;
  int maxItems;
  ItemStyle style;
  std::vector<const char16_t*> expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, Items) {
  const SplitCase& c = GetParam();
  QStringList expected;
  for (const char16_t* e : c.expected) expected.append(text16(e));
  EXPECT_EQ(utf8(splitNameListItems(text16(c.text), c.maxItems, c.style)), utf8(expected));
}

constexpr ItemStyle kText = ItemStyle::Text;
constexpr ItemStyle kNum = ItemStyle::Numeric;

const SplitCase kSplitCases[] = {
    {"OneItemPerLine", u"Aster\nCorin\nKestrel", -1, kText, {u"Aster", u"Corin", u"Kestrel"}},
    {"FinalNewlineStartsNoItem", u"a\nb\n", -1, kText, {u"a", u"b"}},
    {"Crlf", u"a\r\nb\r\nc\r\n", -1, kText, {u"a", u"b", u"c"}},
    {"LoneCr", u"a\rb\r", -1, kText, {u"a", u"b"}},
    {"MixedLineEnds", u"a\r\n\nb\rc", -1, kText, {u"a", u"", u"b", u"c"}},
    {"EmptyLine", u"a\n\nb", -1, kText, {u"a", u"", u"b"}},
    {"EmptyLineCrlf", u"a\r\n\r\nb\r\n", -1, kText, {u"a", u"", u"b"}},
    {"CommaSplitsLineAndShiftsLaterRows", u"Aster,Rowan\nCorin\nKestrel\n", -1, kText,
     {u"Aster", u"Rowan", u"Corin", u"Kestrel"}},
    {"CommaAtLineEnd", u"a,\nb\n", -1, kText, {u"a", u"", u"b"}},
    {"CommaThenFinalNewline", u"a,\n", -1, kText, {u"a", u""}},
    {"CommaThenEndOfText", u"a,", -1, kText, {u"a", u""}},
    {"CommasOnly", u",,", -1, kText, {u"", u"", u""}},
    {"TwoItemsOneLine", u"a,b\n", -1, kText, {u"a", u"b"}},
    {"QuotedComma", u"\"Aster, Rowan\"\nCorin\n", -1, kText, {u"Aster, Rowan", u"Corin"}},
    {"QuotedLineEnd", u"\"a\r\nb\",c", -1, kText, {u"a\r\nb", u"c"}},
    {"TextAfterClosingQuoteIgnored", u"\"a\"xyz,b\n\"c\" d\ne", -1, kText,
     {u"a", u"b", u"c", u"e"}},
    {"QuotedKeepsBlanks", u"\" a \"\n", -1, kText, {u" a "}},
    {"BlanksBeforeQuote", u"  \t\"a,b\"  ,c", -1, kText, {u"a,b", u"c"}},
    {"EmptyQuoted", u"\"\",x", -1, kText, {u"", u"x"}},
    {"UnterminatedQuoteRunsToEnd", u"\"abc,def\nghi", -1, kText, {u"abc,def\nghi"}},
    {"LeadingBlanksSkipped", u"  \tx,   y\n", -1, kText, {u"x", u"y"}},
    {"TrailingBlanksDropped", u"x  \t,y \r\nz\t\n", -1, kText, {u"x", u"y", u"z"}},
    {"InnerBlanksKept", u"Big  Gun\tMk II \n", -1, kText, {u"Big  Gun\tMk II"}},
    {"BlankLineIsEmptyItem", u"a\n   \nb", -1, kText, {u"a", u"", u"b"}},
    {"EmptyText", u"", -1, kText, {}},
    {"SingleNewline", u"\n", -1, kText, {u""}},
    {"NonAsciiNames", u"機體,ミラー\n", -1, kText, {u"機體", u"ミラー"}},
    {"MaxItemsStopsEarly", u"a\nb\nc\nd\n", 2, kText, {u"a", u"b"}},
    {"MaxItemsInsideLine", u"a,b,c\n", 2, kText, {u"a", u"b"}},
    {"MaxItemsBeyondText", u"a\nb", 5, kText, {u"a", u"b"}},
    {"MaxItemsZero", u"a\nb", 0, kText, {}},
    {"TextStyleKeepsNumbers", u"007,1.50,-0\n", -1, kText, {u"007", u"1.50", u"-0"}},
    {"NumericLeadingZeros", u"007\n0\n000\n-0\n+5\n-012\n", -1, kNum,
     {u"7", u"0", u"0", u"0", u"5", u"-12"}},
    {"NumericFraction", u"1.50\n2.0\n.5\n-.50\n00.000\n3.\n-0.0\n010.010\n", -1, kNum,
     {u"1.5", u"2", u"0.5", u"-0.5", u"0", u"3", u"0", u"10.01"}},
    {"NumericWithBlanks", u"  042  ,\t7\t\n", -1, kNum, {u"42", u"7"}},
    {"NumericLeavesNonNumbers", u"12a\n1e3\n-\n.\n+\n1.2.3\nAB\n0x10\n- 5\n", -1, kNum,
     {u"12a", u"1e3", u"-", u".", u"+", u"1.2.3", u"AB", u"0x10", u"- 5"}},
    {"NumericLeavesQuoted", u"\"007\",007,\"1.50\"", -1, kNum, {u"007", u"7", u"1.50"}},
    {"NumericLeavesNonAsciiDigits", u"\uFF10\uFF17\n", -1, kNum, {u"\uFF10\uFF17"}},
    {"NumericEmptyItem", u"a\n\nb", -1, kNum, {u"a", u"", u"b"}},
};

INSTANTIATE_TEST_SUITE_P(NameList, SplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) {
                           return std::string(info.param.name);
                         });

// --- decoding --------------------------------------------------------------

struct DecodeCase {
  const char* name;
  QByteArray bytes;
  std::u16string expected;
  bool utf8Lookalike = false;  // starts like UTF-8 but must be read as Big5
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, Text) {
  const DecodeCase& c = GetParam();
  const QString expected = QString::fromStdU16String(c.expected);
  EXPECT_EQ(utf8(decodeNameListBytes(c.bytes)), utf8(expected));
  if (c.utf8Lookalike) {
    // The case only proves something if a lenient UTF-8 reading would differ.
    EXPECT_NE(utf8(QString::fromUtf8(c.bytes)), utf8(expected));
  }
}

// Big5: 機 BE F7, 體 C5 E9, 一 A4 40; ETEN kana: ミ C7 DB, ラ C7 E5, ー C6 E3,
// あ C6 E8, ん C7 7A, ヽ ヾ ゝ ゞ C6 DA..C6 DD.
const DecodeCase kDecodeCases[] = {
    {"Ascii", QByteArray("Aster\r\nCorin\n"), u"Aster\r\nCorin\n"},
    {"Empty", QByteArray(), u""},
    {"BomStripped", bytesOf({0xEF, 0xBB, 0xBF, 'a', ',', 'b'}), u"a,b"},
    {"BomOnly", bytesOf({0xEF, 0xBB, 0xBF}), u""},
    {"Utf8WithoutBom", bytesOf({0xE6, 0xA9, 0x9F, 0xE9, 0xAB, 0x94, '\n'}), u"機體\n"},
    {"Utf8WithBom", bytesOf({0xEF, 0xBB, 0xBF, 0xE6, 0xA9, 0x9F, 0xE9, 0xAB, 0x94}), u"機體"},
    {"BomThenBrokenUtf8StaysUtf8", bytesOf({0xEF, 0xBB, 0xBF, 'a', 0xFF, 'b'}), u"a\uFFFDb"},
    {"Big5Chinese", bytesOf({0xBE, 0xF7, 0xC5, 0xE9, '\r', '\n'}), u"機體\r\n"},
    {"Big5WithEtenKatakana",
     bytesOf({0xBE, 0xF7, 0xC5, 0xE9, 0xC7, 0xDB, 0xC7, 0xE5, 0xC6, 0xE3, ',', 'x'}),
     u"機體ミラー,x"},
    {"Big5EtenHiragana", bytesOf({0xC6, 0xE8, 0xC7, 0x7A}), u"あん"},
    {"Big5EtenIterationMarks", bytesOf({0xC6, 0xDA, 0xC6, 0xDB, 0xC6, 0xDC, 0xC6, 0xDD}),
     u"ヽヾゝゞ"},
    // Neighbours of the kana block are not kana and keep their code points:
    // ［ C6 E4, ✽ C6 E6, ① C6 A1, Cyrillic А C7 F3.
    {"Big5EtenNonKanaUntouched", bytesOf({0xC6, 0xE4, 0xC6, 0xE6, 0xC6, 0xA1, 0xC7, 0xF3}),
     u"\uF6F4\uF6F6\uF6B1\uF7A0"},
    {"Utf8PrivateUseKanaMapped",
     bytesOf({0xEF, 0x9E, 0x88, 0xEF, 0x9E, 0x92, 0xEF, 0x9B, 0xB3, 0xEF, 0x9B, 0xB7}),
     u"ミラーぁ"},
    {"InvalidInBoth", bytesOf({'A', 0xFF, 'B'}), u"A\uFFFDB"},
    {"LeadByteBeforeNewlineKeepsNewline", bytesOf({0xA4, 0x40, 0xA4, '\n', 'C'}),
     u"一\uFFFD\nC"},
    {"LeadByteBeforeCommaKeepsComma", bytesOf({0xA4, 0x40, 0xA4, ',', 'C'}), u"一\uFFFD,C"},
    {"TruncatedLeadAtEnd", bytesOf({0xA4, 0x40, 0xA4}), u"一\uFFFD"},
    {"UnassignedPairIsOneReplacement", bytesOf({0x81, 0x40, 'Z'}), u"\uFFFDZ"},
    {"ManyBadBytesOutgrowTheirInput", QByteArray(64, '\xFF') + bytesOf({0xBE, 0xF7}),
     std::u16string(64, u'\uFFFD') + u"機"},
    {"SeveralBadBytes", bytesOf({0xFF, 0xFF, 0xBE, 0xF7, 0xFF}), u"\uFFFD\uFFFD機\uFFFD"},
    // Shaped like UTF-8 but not UTF-8 (overlong, surrogate, beyond U+10FFFF, cut
    // off), so read as Big5: 嶸 C0 AF, 瞴 ED A1, 璈 E6 A9, 澤 BF 41; 0x80 is U+0080.
    {"Overlong2ByteIsBig5", bytesOf({0xC0, 0xAF}), u"嶸", true},
    {"Overlong3ByteIsBig5", bytesOf({0xE0, 0x9F, 0xBF, 'A'}), u"\uFFFD\uFFFDA", true},
    {"Overlong4ByteIsBig5", bytesOf({0xF0, 0x8F, 0xBF, 0xBF, 'A'}), u"\uFFFD\uFFFD澤", true},
    {"SurrogateIsBig5", bytesOf({0xED, 0xA1, 0xA4, 0x40}), u"瞴一", true},
    {"BeyondUnicodeIsBig5", bytesOf({0xF4, 0x90, 0x80, 0x80, 'A'}),
     u"\uFFFD\uFFFD\u0080\u0080A", true},
    {"TruncatedUtf8IsBig5", bytesOf({0xE6, 0xA9}), u"璈", true},
    // UTF-16 after its byte-order mark; 機 U+6A5F, U+1F600 as a surrogate pair.
    {"Utf16LeWithBom", bytesOf({0xFF, 0xFE, 'a', 0, ',', 0, 0x5F, 0x6A, '\n', 0}), u"a,機\n"},
    {"Utf16BeWithBom", bytesOf({0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00, 0, '\r', 0, '\n', 0x6A, 0x5F}),
     u"\U0001F600\r\n機"},
};

INSTANTIATE_TEST_SUITE_P(NameList, DecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const ::testing::TestParamInfo<DecodeCase>& info) {
                           return std::string(info.param.name);
                         });

// Every code of the ETEN kana rows, in Big5 order, lands on the standard kana in
// Unicode order (catches off-by-one errors anywhere in the ranges).
TEST(NameListDecode, EtenKanaRowsMapInOrder) {
  struct Row {
    const char* name;
    int firstCode;
    int count;
    char16_t firstKana;
  };
  const Row rows[] = {
      {"hiragana", 0xC6E7, 83, u'\u3041'},
      {"katakana", 0xC77B, 86, u'\u30A1'},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QByteArray bytes;
    QString expected;
    int code = row.firstCode;
    for (int k = 0; k < row.count; ++k) {
      bytes.append(static_cast<char>(code >> 8));
      bytes.append(static_cast<char>(code & 0xFF));
      expected.append(QChar(static_cast<char16_t>(row.firstKana + k)));
      code = nextBig5Code(code);
    }
    EXPECT_EQ(utf8(decodeNameListBytes(bytes)), utf8(expected));
  }
}

// Random bytes: decoding always finishes, never leaves a kana code point in the
// private-use area, and keeps every comma and line end, which are never part of
// a Big5 code.
TEST(NameListDecode, RandomBytesKeepDelimiters) {
  std::mt19937 rng(950);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 400);
  for (int round = 0; round < 300; ++round) {
    QByteArray bytes;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) {
      const int r = byte(rng);
      bytes.append(static_cast<char>(r < 24 ? "\n\r,"[r % 3] : byte(rng)));
    }
    const QString text = decodeNameListBytes(bytes);
    SCOPED_TRACE(bytes.toHex().toStdString());
    EXPECT_EQ(text.count(u'\n'), bytes.count('\n'));
    EXPECT_EQ(text.count(u'\r'), bytes.count('\r'));
    EXPECT_EQ(text.count(u','), bytes.count(','));
    for (const QChar c : text) {
      const bool kanaPua = (c.unicode() >= 0xF6F7 && c.unicode() <= 0xF79F) ||
                           c.unicode() == 0xF6F3;
      EXPECT_FALSE(kanaPua) << std::hex << static_cast<unsigned>(c.unicode());
    }
  }
}

// --- loading files ---------------------------------------------------------

class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(writeFile(path(name), bytes));
  }
  QTemporaryDir dir_;
};

QByteArray numberedLines(int n, const char* eol) {
  QByteArray out;
  for (int i = 1; i <= n; ++i) out += "Row " + QByteArray::number(i) + eol;
  return out;
}

TEST_F(LoadTest, ReturnsExactlyCountItems) {
  struct Case {
    const char* name;
    QByteArray contents;
    int count;
    std::vector<const char16_t*> expected;
  };
  const Case cases[] = {
      {"ExtraItemsIgnored", "a\nb\nc\nd\ne\n", 3, {u"a", u"b", u"c"}},
      {"ExactlyEnough", "a\nb\nc", 3, {u"a", u"b", u"c"}},
      {"CrlfWithBom", bytesOf({0xEF, 0xBB, 0xBF}) + "x\r\ny\r\n", 2, {u"x", u"y"}},
      {"CommaShiftsRows", "Aster,Rowan\nCorin\nKestrel\n", 3, {u"Aster", u"Rowan", u"Corin"}},
      {"QuotedCommaKeepsRows", "\"Aster,Rowan\"\nCorin\nKestrel\n", 3,
       {u"Aster,Rowan", u"Corin", u"Kestrel"}},
      {"Big5File",
       bytesOf({0xBE, 0xF7, 0xC5, 0xE9, '\r', '\n', 0xC7, 0xDB, 0xC7, 0xE5, 0xC6, 0xE3, '\r',
                '\n'}),
       2, {u"機體", u"ミラー"}},
      {"CountZero", "a\n", 0, {}},
      {"Utf16BeFile", bytesOf({0xFE, 0xFF, 0, '"', 0, 'x', 0, ',', 0, 'y', 0, '"', 0, '\r', 0, '\n', 0, 'z'}),
       2, {u"x,y", u"z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("list.txt", c.contents);
    const Result<QStringList> r = loadNameList(dir_.path(), "list.txt", c.count);
    ASSERT_TRUE(r.isOk()) << utf8(r.message());
    QStringList expected;
    for (const char16_t* e : c.expected) expected.append(text16(e));
    EXPECT_EQ(utf8(r.value()), utf8(expected));
  }
}

TEST_F(LoadTest, MainListOfSixteenLinesReadsFifteen) {
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol[0] == '\r' ? "CRLF" : "LF");
    write("Main.txt", numberedLines(16, eol));
    const Result<QStringList> r = loadNameList(dir_.path(), "Main.txt", 15);
    ASSERT_TRUE(r.isOk()) << utf8(r.message());
    ASSERT_EQ(r->size(), 15);
    EXPECT_EQ(utf8(r->first()), "Row 1");
    EXPECT_EQ(utf8(r->last()), "Row 15");
  }
}

TEST_F(LoadTest, NumericStyle) {
  write("character.txt", "010\n\"020\"\n-3.50\nCalm\n");
  const Result<QStringList> r =
      loadNameList(dir_.path(), "character.txt", 4, ItemStyle::Numeric);
  ASSERT_TRUE(r.isOk()) << utf8(r.message());
  EXPECT_EQ(utf8(r.value()), utf8(QStringList{"10", "020", "-3.5", "Calm"}));
}

// A list read again is parsed anew when its bytes or the style asked for
// differ (the parse of the same bytes is kept for the process).
TEST_F(LoadTest, ReadAgainGivesWhatTheFileHoldsNow) {
  const struct {
    QByteArray contents;
    ItemStyle style;
    QStringList expected;
  } reads[] = {
      {"010\nb\n", ItemStyle::Text, {"010", "b"}},
      {"010\nb\n", ItemStyle::Numeric, {"10", "b"}},
      {"011\nb\n", ItemStyle::Numeric, {"11", "b"}},
      {"010\nb\n", ItemStyle::Text, {"010", "b"}},
  };
  for (const auto& read : reads) {
    write("again.txt", read.contents);
    const Result<QStringList> r = loadNameList(dir_.path(), "again.txt", 2, read.style);
    ASSERT_TRUE(r.isOk()) << utf8(r.message());
    EXPECT_EQ(utf8(r.value()), utf8(read.expected)) << read.contents.constData();
  }
}

TEST_F(LoadTest, DirectoryWithTrailingSeparator) {
  write("SP.txt", "a\nb\n");
  const Result<QStringList> r = loadNameList(dir_.path() + "/", "SP.txt", 2);
  ASSERT_TRUE(r.isOk()) << utf8(r.message());
  EXPECT_EQ(utf8(r.value()), utf8(QStringList{"a", "b"}));
}

TEST_F(LoadTest, CountZeroNeedsNoFile) {
  const Result<QStringList> r = loadNameList(dir_.path(), "absent.txt", 0);
  ASSERT_TRUE(r.isOk()) << utf8(r.message());
  EXPECT_TRUE(r->isEmpty());
}

TEST_F(LoadTest, FailuresNameTheFileAndTheCount) {
  struct Case {
    const char* name;
    const char* fileName;
    std::optional<QByteArray> contents;  // nullopt: no such file
    bool asDirectory;                    // a directory where the file should be
    int count;
    std::string expected;  // whole message, "{dir}" standing for the directory
    std::vector<std::string> mustContain;  // when the message holds system text
  };
  const Case cases[] = {
      {"Missing", "SP.txt", std::nullopt, false, 35,
       "Name list \"SP.txt\" was not found in {dir}. This form needs its first 35 items.", {}},
      {"MissingOne", "one.txt", std::nullopt, false, 1,
       "Name list \"one.txt\" was not found in {dir}. This form needs its first item.", {}},
      {"Short", "SP.txt", numberedLines(12, "\n"), false, 35,
       "Name list \"SP.txt\" holds only 12 items; this form needs 35.", {}},
      {"ShortByOne", "Pilots.txt", numberedLines(475, "\r\n"), false, 476,
       "Name list \"Pilots.txt\" holds only 475 items; this form needs 476.", {}},
      {"OneItem", "SpAp.txt", QByteArray("x\n"), false, 2,
       "Name list \"SpAp.txt\" holds only 1 item; this form needs 2.", {}},
      {"Empty", "main_2.txt", QByteArray(), false, 7,
       "Name list \"main_2.txt\" holds no items; this form needs 7.", {}},
      {"Unreadable", "ground.txt", std::nullopt, true, 5, "",
       {"Name list \"ground.txt\" in {dir} could not be read: ",
        ". This form needs its first 5 items."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (c.contents) {
      ASSERT_TRUE(writeFile(dir.filePath(c.fileName), *c.contents));
    }
    if (c.asDirectory) {
      ASSERT_TRUE(QDir(dir.path()).mkdir(c.fileName));
    }
    const std::string dirText = utf8(QDir::toNativeSeparators(dir.path()));
    auto withDir = [&dirText](std::string text) {
      const auto at = text.find("{dir}");
      if (at != std::string::npos) text.replace(at, 5, dirText);
      return text;
    };
    const Result<QStringList> r = loadNameList(dir.path(), c.fileName, c.count);
    ASSERT_FALSE(r.isOk());
    const std::string message = utf8(r.message());
    if (!c.expected.empty()) {
      EXPECT_EQ(message, withDir(c.expected));
    }
    for (const std::string& part : c.mustContain) {
      EXPECT_NE(message.find(withDir(part)), std::string::npos) << message << "\nlacks: " << part;
    }
  }
}

// Content that is not a list is refused as a whole, naming the file and the
// first bad line, even where enough items come before it.
TEST_F(LoadTest, ContentFaultsNameTheLine) {
  struct Case {
    const char* name;
    QByteArray contents;
    int count;
    const char* expected;
  };
  const Case cases[] = {
      {"Utf16WithoutBom", bytesOf({'a', 0, '\n', 0, 'b', 0}), 1,
       "Name list \"L.txt\" holds a NUL character on line 1: it is not a text file, or it is UTF-16 "
       "without a byte-order mark."},
      {"NulAfterCrlfCrLf", QByteArray("a\r\nb\rc\nd\0", 9), 1,
       "Name list \"L.txt\" holds a NUL character on line 4: it is not a text file, or it is UTF-16 "
       "without a byte-order mark."},
      {"NulInUtf16", bytesOf({0xFF, 0xFE, 'a', 0, '\n', 0, 0, 0}), 1,
       "Name list \"L.txt\" holds a NUL character on line 2: it is not a text file, or it is UTF-16 "
       "without a byte-order mark."},
      {"Utf16UnpairedSurrogate", bytesOf({0xFF, 0xFE, 'a', 0, '\n', 0, 0x00, 0xD8, 'b', 0}), 1,
       "Name list \"L.txt\" is not the UTF-16 text its byte-order mark declares: line 2 holds bytes "
       "that are not UTF-16."},
      {"Utf8BomBroken", bytesOf({0xEF, 0xBB, 0xBF, 'a', '\n', 'b', 0xC3, '\n'}), 1,
       "Name list \"L.txt\" is not the UTF-8 text its byte-order mark declares: line 2 holds bytes "
       "that are not UTF-8."},
      // UTF-8 until line 3; read as Big5 it already fails on line 1.
      {"Utf8BrokenLaterThanBig5", QByteArray("機體\n機體\nab\xFF\n"), 1,
       "Name list \"L.txt\" is neither UTF-8 nor Big5 (code page 950) text: line 3 holds bytes "
       "that are not UTF-8."},
      {"Big5Broken", bytesOf({0xBE, 0xF7, '\n', 0xA4, 0x40, 0xFF, '\n'}), 1,
       "Name list \"L.txt\" is neither UTF-8 nor Big5 (code page 950) text: line 2 holds bytes "
       "that are not Big5."},
      {"OpenQuoteAtEnd", "a\n\"b, c\nd\ne\n", 5,
       "Name list \"L.txt\": the quote opened on line 2 is never closed."},
      {"LoneQuoteFirstLine", "\"\r\nAster\r\nCorin\r\n", 1,
       "Name list \"L.txt\": the quote opened on line 1 is never closed."},
      {"LoneQuoteClosedLater", "\"\n\"Aster\"\nCorin\n", 1,
       "Name list \"L.txt\": the quote opened on line 1 is closed only on line 2; a quoted name "
       "must end on the line where it starts."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("L.txt", c.contents);
    const Result<QStringList> r = loadNameList(dir_.path(), "L.txt", c.count);
    ASSERT_FALSE(r.isOk()) << r->join(u'|').toStdString();
    EXPECT_EQ(utf8(r.message()), c.expected);
  }
}

// Random bytes are refused, with a line that lies in the file.
TEST(NameListParse, RandomBytesRefusedWithLine) {
  std::mt19937 rng(16);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    QByteArray bytes;
    const int n = 32 + round;
    for (int i = 0; i < n; ++i) bytes.append(static_cast<char>(byte(rng)));
    SCOPED_TRACE(bytes.toHex().toStdString());
    const Result<QStringList> r = parseNameList(bytes, "R.txt", 1);
    ASSERT_FALSE(r.isOk());
    const QRegularExpressionMatch m =
        QRegularExpression(R"(^Name list "R\.txt" .* line (\d+))").match(r.message());
    ASSERT_TRUE(m.hasMatch()) << utf8(r.message());
    const int line = m.captured(1).toInt();
    EXPECT_GE(line, 1);
    EXPECT_LE(line, 1 + bytes.count('\n') + bytes.count('\r'));
  }
}

#ifndef _WIN32
// Only a regular file of at most 16 MiB is read; a FIFO must be refused at
// once rather than wait for a writer.
TEST_F(LoadTest, OnlyRegularFilesUpToTheLimit) {
  struct Case {
    const char* name;
    std::function<bool(const QString&)> make;
    const char* expected;  // "{dir}" stands for the folder
  };
  auto sized = [](qint64 size) {
    return [size](const QString& path) {
      QFile f(path);
      return f.open(QIODevice::WriteOnly) && f.write("a\na\na\n") == 6 && f.resize(size);
    };
  };
  const Case cases[] = {
      {"Fifo", [](const QString& p) { return mkfifo(QFile::encodeName(p).constData(), 0600) == 0; },
       "Name list \"F.txt\" in {dir} could not be read: it is not a regular file. This form needs its "
       "first 3 items."},
      {"LinkToDevZero", [](const QString& p) { return QFile::link("/dev/zero", p); },
       "Name list \"F.txt\" in {dir} could not be read: it is not a regular file. This form needs its "
       "first 3 items."},
      {"Oversized", sized(kMaxNameListBytes + 1),
       "Name list \"F.txt\" in {dir} is larger than 16 MiB. This form needs its first 3 items."},
      // Read to its end: the size passes, the zeros after the items do not.
      {"AtTheLimit", sized(kMaxNameListBytes),
       "Name list \"F.txt\" holds a NUL character on line 4: it is not a text file, or it is UTF-16 "
       "without a byte-order mark."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(c.make(dir.filePath("F.txt")));
    const Result<QStringList> r = loadNameList(dir.path(), "F.txt", 3);
    std::string expected = c.expected;
    if (const auto at = expected.find("{dir}"); at != std::string::npos)
      expected.replace(at, 5, utf8(QDir::toNativeSeparators(dir.path())));
    ASSERT_FALSE(r.isOk());
    EXPECT_EQ(utf8(r.message()), expected);
  }
}
#endif

// Large lists load in linear time: 100,000 items would take seconds if each
// item or character cost a copy of the text.
TEST_F(LoadTest, LargeListLoadsQuickly) {
  constexpr int kItems = 100000;
  QByteArray contents;
  contents.reserve(kItems * 16);
  int count = 0;
  for (int i = 0; i < kItems; ++i) {
    contents += "Weapon " + QByteArray::number(i);
    ++count;
    if (i % 7 == 0) {
      contents += ",\"x, y\"";
      ++count;
    }
    contents += "\r\n";
  }
  write("Weapons.txt", contents);
  QElapsedTimer timer;
  timer.start();
  const Result<QStringList> r = loadNameList(dir_.path(), "Weapons.txt", count);
  const qint64 ms = timer.elapsed();
  ASSERT_TRUE(r.isOk()) << utf8(r.message());
  ASSERT_EQ(r->size(), count);
  EXPECT_EQ(utf8(r->at(0)), "Weapon 0");
  EXPECT_EQ(utf8(r->at(1)), "x, y");
  EXPECT_EQ(utf8(r->last()), "Weapon " + std::to_string(kItems - 1));
  EXPECT_LT(ms, 1000) << "loading took " << ms << " ms";
}

// Each list is taken from the first folder of the search path that has it:
// beside the program, then the user's data folder, then the installed one.
TEST(NameListSearch, FirstFolderHoldingTheListWins) {
  QTemporaryDir root;
  const QString program = root.filePath(QStringLiteral("usr/bin"));
  const QString user = root.filePath(QStringLiteral("home/data"));
  const QString installed = root.filePath(QStringLiteral("usr/share/romtables/names"));
  for (const QString& d : {program, user + QStringLiteral("/names"), installed}) ASSERT_TRUE(QDir().mkpath(d));
  const QString path = nameListSearchPath(program, user);
  ASSERT_TRUE(writeFile(installed + QStringLiteral("/A.txt"), "installed\n"));
  ASSERT_TRUE(writeFile(user + QStringLiteral("/names/A.txt"), "edited\n"));
  ASSERT_TRUE(writeFile(installed + QStringLiteral("/B.txt"), "installed\n"));
  ASSERT_TRUE(writeFile(program + QStringLiteral("/C.txt"), "beside\n"));
  ASSERT_TRUE(writeFile(user + QStringLiteral("/names/C.txt"), "edited\n"));
  EXPECT_EQ(loadNameList(path, QStringLiteral("A.txt"), 1).value(), QStringList{QStringLiteral("edited")});
  EXPECT_EQ(loadNameList(path, QStringLiteral("B.txt"), 1).value(), QStringList{QStringLiteral("installed")});
  EXPECT_EQ(loadNameList(path, QStringLiteral("C.txt"), 1).value(), QStringList{QStringLiteral("beside")});
  const auto missing = loadNameList(path, QStringLiteral("D.txt"), 1);
  ASSERT_FALSE(missing);
  for (const QString& d : {program, installed})
    EXPECT_TRUE(missing.message().contains(QDir::toNativeSeparators(d))) << missing.message().toStdString();
}

}  // namespace
}  // namespace rt
