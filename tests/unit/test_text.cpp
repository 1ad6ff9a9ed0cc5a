#include <gtest/gtest.h>

#include <cstring>

#include "text.h"

TEST(BoundedText, CopyFitsExactlyOrReportsTheCut) {
  char buffer[4];
  EXPECT_TRUE(CopyText(buffer, sizeof buffer, "abc"));
  EXPECT_STREQ("abc", buffer);
  EXPECT_FALSE(CopyText(buffer, sizeof buffer, "abcd"));
  EXPECT_STREQ("abc", buffer);
  EXPECT_FALSE(CopyText(buffer, 0, "a"));
}

TEST(BoundedText, AppendStopsAtCapacityAndTerminates) {
  char buffer[6] = "ab";
  EXPECT_TRUE(AppendText(buffer, sizeof buffer, "cd"));
  EXPECT_STREQ("abcd", buffer);
  EXPECT_FALSE(AppendText(buffer, sizeof buffer, "ef"));
  EXPECT_STREQ("abcde", buffer);
  char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_FALSE(AppendText(unterminated, sizeof unterminated, ""));
  EXPECT_EQ('\0', unterminated[2]);
}

TEST(BoundedText, EqualityIgnoresOnlyAsciiCase) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("WinClose", "winclose"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("yes", "yes "));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ye", "yes"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));  // not ASCII letters
  EXPECT_FALSE(EqualsIgnoringAsciiCase(nullptr, "yes"));
}

TEST(BoundedText, ContainsIsCaseSensitiveAndNullSafe) {
  EXPECT_TRUE(ContainsText("Mozilla/4.0 (Windows) Opera 7.0", "Opera"));
  EXPECT_TRUE(ContainsText("Opera", "Opera"));
  EXPECT_FALSE(ContainsText("opera", "Opera"));
  EXPECT_FALSE(ContainsText("Oper", "Opera"));
  EXPECT_FALSE(ContainsText(nullptr, "Opera"));
}

TEST(BoundedText, RegistryTextIsTerminatedOrRefused) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_TRUE(TerminateRegistryText(buffer, sizeof buffer, 2));  // room for the NUL
  EXPECT_STREQ("ab", buffer);
  std::memcpy(buffer, "abcd", 4);
  EXPECT_FALSE(TerminateRegistryText(buffer, sizeof buffer, 4));  // full, no NUL
  std::memcpy(buffer, "ab\0d", 4);
  EXPECT_TRUE(TerminateRegistryText(buffer, sizeof buffer, 4));
  EXPECT_STREQ("ab", buffer);
  EXPECT_TRUE(TerminateRegistryText(buffer, sizeof buffer, 0));
  EXPECT_STREQ("", buffer);
  EXPECT_FALSE(TerminateRegistryText(buffer, sizeof buffer, 5));
}
