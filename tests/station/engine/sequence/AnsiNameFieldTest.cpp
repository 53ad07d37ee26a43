#include "station/engine/core/AnsiNameField.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

// The lead bytes of the simplified Chinese double-byte code page.
bool GbkLead(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}
bool NoLead(unsigned char) {
  return false;
}

struct Field16 {
  char bytes[17];  // one guard byte after the 16-byte field
};

Field16 Cut(const char* text, LeadBytePredicate lead) {
  Field16 field;
  std::memset(field.bytes, 0x55, sizeof(field.bytes));
  CopyAnsiNameField(text, field.bytes, 16, lead);
  return field;
}

}  // namespace

TEST(AnsiNameField, ShortNameIsCopiedAndZeroFilled) {
  Field16 field = Cut("VARNEX", GbkLead);
  EXPECT_STREQ(field.bytes, "VARNEX");
  for (int i = 6; i < 16; ++i) {
    EXPECT_EQ(field.bytes[i], 0) << i;
  }
  EXPECT_EQ(field.bytes[16], 0x55) << "wrote past the field";
}

TEST(AnsiNameField, LongNameIsCutToFifteenBytes) {
  Field16 field = Cut("FINAL-ASSEMBLY-CHECK", GbkLead);
  EXPECT_STREQ(field.bytes, "FINAL-ASSEMBLY-");
  EXPECT_EQ(field.bytes[15], 0);
  EXPECT_EQ(field.bytes[16], 0x55);
}

TEST(AnsiNameField, DoubleByteCharacterIsNotSplitAtTheCut) {
  // 13 ASCII bytes then two double-byte characters: the second would need bytes 15 and 16.
  const char text[] = "ABCDEFGHIJKLM\xb2\xe2\xca\xd4";
  Field16 field = Cut(text, GbkLead);
  EXPECT_EQ(std::string(field.bytes), std::string("ABCDEFGHIJKLM\xb2\xe2"));
  EXPECT_EQ(field.bytes[15], 0);

  // 14 ASCII bytes then a double-byte character: only the ASCII part fits.
  Field16 odd = Cut("ABCDEFGHIJKLMN\xb2\xe2", GbkLead);
  EXPECT_STREQ(odd.bytes, "ABCDEFGHIJKLMN");
  EXPECT_EQ(odd.bytes[14], 0);
}

TEST(AnsiNameField, TrailBytesThatLookLikeLeadBytesAreSkippedWithTheirLead) {
  // Seven double-byte characters whose trail bytes are themselves in the lead range: the walk
  // must step over pairs, not judge each byte alone. 7 * 2 = 14 bytes fit, the 8th does not.
  std::string text;
  for (int i = 0; i < 8; ++i) {
    text += "\xb2\xb2";
  }
  Field16 field = Cut(text.c_str(), GbkLead);
  EXPECT_EQ(std::strlen(field.bytes), 14u);
}

TEST(AnsiNameField, SingleByteCodePageCutsAtFifteen) {
  const char text[] = "\xb2\xe2\xb2\xe2\xb2\xe2\xb2\xe2\xb2\xe2\xb2\xe2\xb2\xe2\xb2\xe2";
  Field16 field = Cut(text, NoLead);
  EXPECT_EQ(std::strlen(field.bytes), 15u);
}

TEST(AnsiNameField, LeadByteAtTheEndOfTheTextCountsAsOneByte) {
  Field16 field = Cut("AB\xb2", GbkLead);
  EXPECT_STREQ(field.bytes, "AB\xb2");
}

TEST(AnsiNameField, NullTextGivesEmptyFieldAndSizeOneHoldsOnlyTheTerminator) {
  Field16 field = Cut(nullptr, GbkLead);
  EXPECT_STREQ(field.bytes, "");
  char one = 'x';
  EXPECT_EQ(CopyAnsiNameField("ABC", &one, 1, GbkLead), 0u);
  EXPECT_EQ(one, 0);
  EXPECT_EQ(CopyAnsiNameField("ABC", nullptr, 16, GbkLead), 0u);
}

TEST(AnsiNameField, ThirtyByteFieldKeepsTwentyNineBytes) {
  char field[30];
  const std::string name(40, 'S');
  EXPECT_EQ(CopyAnsiNameField(name.c_str(), field, sizeof(field), GbkLead), 29u);
  EXPECT_EQ(std::string(field), std::string(29, 'S'));
}

TEST(AnsiNameField, RandomTextsAreCutOnCharacterBoundariesAndAsLongAsPossible) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<unsigned char>((seed >> 16) % 255 + 1);  // never NUL
  };
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<size_t>(next() % 40), 'x');
    for (char& c : text) {
      c = static_cast<char>(next());
    }
    Field16 field = Cut(text.c_str(), GbkLead);
    ASSERT_EQ(field.bytes[16], 0x55);
    const size_t used = std::strlen(field.bytes);
    ASSERT_LE(used, 15u);
    ASSERT_EQ(text.compare(0, used, field.bytes), 0);
    // Walk the text by characters: the cut must land on a boundary, and the next character
    // must be the one that did not fit.
    size_t at = 0;
    while (at < used) {
      at += (GbkLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size()) ? 2 : 1;
    }
    ASSERT_EQ(at, used) << "split a double-byte character in round " << round;
    if (used < text.size()) {
      const size_t width =
          (GbkLead(static_cast<unsigned char>(text[used])) && used + 1 < text.size()) ? 2 : 1;
      ASSERT_GT(used + width, 15u) << "cut shorter than needed in round " << round;
    }
  }
}
