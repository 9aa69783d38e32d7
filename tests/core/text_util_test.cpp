// Recipient lists, address checks, numeric entries, extensions and handler
// command lines.
#include <gtest/gtest.h>

#include "base/text_util.h"

namespace {

using WList = std::vector<std::wstring>;
using List = std::vector<std::string>;

TEST(SplitList, DropsBlanksAroundItemsAndEmptyItems) {
  EXPECT_EQ(SplitList(L"a@b.org; c@d.org", L';'), (WList{L"a@b.org", L"c@d.org"}));
  EXPECT_EQ(SplitList(L"  a b  ;;  ; c ", L';'), (WList{L"a b", L"c"}));
  EXPECT_EQ(SplitList(L";a;", L';'), (WList{L"a"}));
  EXPECT_EQ(SplitList(L"single", L';'), (WList{L"single"}));
  EXPECT_EQ(SplitList(L"a@b.org ", L';'), (WList{L"a@b.org"}));  // the last item too
  EXPECT_EQ(SplitList(L"\ta ;b", L';'), (WList{L"\ta", L"b"}));   // only spaces are blanks
}

TEST(SplitList, NoItemsForEmptyTextOrNoSeparator) {
  EXPECT_TRUE(SplitList(L"", L';').empty());
  EXPECT_TRUE(SplitList(L"   ", L';').empty());
  EXPECT_TRUE(SplitList(L" ; ; ", L';').empty());
  EXPECT_TRUE(SplitList(L"a;b", L'\0').empty());
}

TEST(SplitList, NarrowTwin) {
  EXPECT_EQ(SplitList("x@y.org, z@w.org ,", ','), (List{"x@y.org", "z@w.org"}));
  EXPECT_TRUE(SplitList("", ',').empty());
  EXPECT_TRUE(SplitList("a", '\0').empty());
}

TEST(IsValidEmailAddress, AcceptsPlainAddresses) {
  EXPECT_TRUE(IsValidEmailAddress(L"user@example.org"));
  EXPECT_TRUE(IsValidEmailAddress(L"first.last@mail.example.org"));
  EXPECT_TRUE(IsValidEmailAddress(L"a..b@example.org"));  // only the domain is checked for dots
  EXPECT_TRUE(IsValidEmailAddress("user@example.org"));
}

TEST(IsValidEmailAddress, RejectsMalformedAddresses) {
  for (const wchar_t* bad : {L"", L"user", L"user@", L"user@example", L"user@.example.org", L"a@b@example.org",
                             L"user@example..org", L"user@example.org.", L"user.@example"}) {
    EXPECT_FALSE(IsValidEmailAddress(bad)) << bad;
    const std::wstring wide(bad);
    EXPECT_FALSE(IsValidEmailAddress(std::string(wide.begin(), wide.end()))) << bad;
  }
}

TEST(IsNumericText, DigitsAndPointsOnly) {
  EXPECT_TRUE(IsNumericText(L""));
  EXPECT_TRUE(IsNumericText(L"0123456789"));
  EXPECT_TRUE(IsNumericText(L"1.5"));
  EXPECT_TRUE(IsNumericText(L".."));
  EXPECT_FALSE(IsNumericText(L"-1"));
  EXPECT_FALSE(IsNumericText(L"1,5"));
  EXPECT_FALSE(IsNumericText(L" 1"));
  EXPECT_FALSE(IsNumericText(L"\x0661"));  // an Arabic-Indic digit is not a decimal digit here
  EXPECT_FALSE(IsNumericText("12a"));
}

TEST(FileExtensionOf, LastDotOfTheLastPart) {
  EXPECT_EQ(FileExtensionOf(L"C:\\Reports\\May.2008.csv"), L".csv");
  EXPECT_EQ(FileExtensionOf(L"C:\\Reports.old\\May"), L"");
  EXPECT_EQ(FileExtensionOf(L"C:\\Reports\\"), L"");
  EXPECT_EQ(FileExtensionOf(L"C:\\Reports\\name."), L".");
  EXPECT_EQ(FileExtensionOf(L"C:/Reports.old/May"), L"");
  EXPECT_EQ(FileExtensionOf(L"report.htm"), L".htm");
  EXPECT_EQ(FileExtensionOf(L""), L"");
}

TEST(FillPlaces, FillsByPositionOnly) {
  EXPECT_EQ(FillPlaces(L"open (%s), stop %s.", {L"C:\\%s\\x.log", L"it"}), L"open (C:\\%s\\x.log), stop it.");
  EXPECT_EQ(FillPlaces(L"%s and %s", {L"a"}), L"a and %s");
  EXPECT_EQ(FillPlaces(L"none", {L"a"}), L"none");
}

TEST(HandlerCommandLine, CutsAtThePlaceholder) {
  EXPECT_EQ(HandlerCommandLine(L"\"C:\\Browser\\b.exe\" -nohome \"%1\" -x", L"http://example.org/"),
            L"\"C:\\Browser\\b.exe\" -nohome  http://example.org/");
  EXPECT_EQ(HandlerCommandLine(L"C:\\Browser\\b.exe %1", L"http://example.org/"),
            L"C:\\Browser\\b.exe  http://example.org/");
  EXPECT_EQ(HandlerCommandLine(L"C:\\Browser\\b.exe", L"http://example.org/"),
            L"C:\\Browser\\b.exe http://example.org/");
  // A target with blanks stays one argument.
  EXPECT_EQ(HandlerCommandLine(L"b.exe \"%1\"", L"C:\\My Reports\\r.htm"), L"b.exe  \"C:\\My Reports\\r.htm\"");
  EXPECT_EQ(HandlerCommandLine(L"b.exe", L"\"C:\\My Reports\\r.htm\""), L"b.exe \"C:\\My Reports\\r.htm\"");
}

}  // namespace
