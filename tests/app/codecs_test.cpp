// The resolver's pure text work: Base64, percent decoding, UTF-8 to GBK,
// marker extraction and size formatting.
#include <doctest/doctest.h>

#include <string>

#include "app/codecs.h"
#include "app/link_resolver.h"

using namespace quorlin;

namespace quorlin {
const char* const ServiceBaseAddress = "http://service.test";
}

TEST_CASE("Base64Encode pads to whole groups") {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="},
      {std::string("\0\0\0", 3), "AAAA"},
      {"\xfb\xff\xbf", "+/+/"},
      {"http://v.example.cn/视频?id=1", "aHR0cDovL3YuZXhhbXBsZS5jbi/K08a1P2lkPTE="},
  };
  for (const Case& c : cases) {
    CAPTURE(c.in);
    CHECK(Base64Encode(c.in) == c.out);
  }
}

TEST_CASE("BuildRequestAddress always appends one '='") {
  CHECK(BuildRequestAddress("abc") == "http://service.test/url/YWJj=");
  CHECK(BuildRequestAddress("ab") == "http://service.test/url/YWI==");
  CHECK(BuildRequestAddress("a") == "http://service.test/url/YQ===");
  CHECK(BuildRequestAddress("") == "http://service.test/url/=");
}

TEST_CASE("PercentDecode") {
  struct Case { std::string in; bool utf8; std::string out; };
  const Case cases[] = {
      {"a%20b", false, "a b"},
      {"a+b", false, "a+b"},
      {"%41%62", false, "Ab"},
      {"%4a%4A", false, "JJ"},
      {"%e4%bd%a0", true, "你"},
      {"%E4%BD%A0", false, "\xE4\xBD\xA0"},
      {"x%00y", false, "xy"},
      {"\xC4\xE3", false, "\xC4\xE3"},  // non-ASCII bytes pass through untouched
      // Malformed escapes stay as they are, and nothing past the end is read.
      {"%", false, "%"},
      {"a%4", false, "a%4"},
      {"%zz%41", false, "%zzA"},
      {"%%41", false, "%A"},
      {"100%", false, "100%"},
      {"", true, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.in);
    CHECK(PercentDecode(c.in, c.utf8) == c.out);
  }
}

TEST_CASE("Utf8ToAnsi converts to code page 936") {
  CHECK(Utf8ToAnsi("") == "");
  CHECK(Utf8ToAnsi("plain") == "plain");
  CHECK(Utf8ToAnsi("\xE8\xA7\x86\xE9\xA2\x91") == "视频");
  // A character code page 936 lacks becomes the default character.
  const std::string lacking = Utf8ToAnsi("\xF0\x9F\x98\x80");
  CHECK(!lacking.empty());
  CHECK(lacking.find_first_not_of('?') == std::string::npos);
  CHECK(WideToMultiByte(MultiByteToWide("中文", 936), 65001) == "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST_CASE("ExtractBetween") {
  struct Case { std::string source, start, end; long from; bool caseSensitive; std::string out; };
  const Case cases[] = {
      {"<title><![CDATA[abc]]></title>", "<title><![CDATA[", "]]></ti", 1, false, "abc"},
      {"<TITLE><![cdata[Abc]]></TI>", "<title><![CDATA[", "]]></ti", 1, false, "Abc"},
      {"<TITLE>x</TITLE>", "<title>", "</title>", 1, true, ""},
      {"<t>1</t><t>2</t>", "<t>", "</t>", 1, false, "1"},         // the first one wins
      {"<t>1</t><t>2</t>", "<t>", "</t>", 2, false, "2"},         // search starts later
      {"<t>1</t><t>2</t>", "<t>", "</t>", -5, false, "1"},        // below 1 counts as 1
      {"</a>junk<a>", "<a>", "</a>", 1, false, ""},               // end only before start
      {"<a>open", "<a>", "</a>", 1, false, ""},
      {"", "<a>", "</a>", 1, false, ""},
      {"say \"hi\" now", "#引号", "#引号", 1, false, "hi"},
      {"<sites><site><![CDATA[优酷]]></site>", "es><site><![CDATA[", "]]></sit", 1, false, "优酷"},
      // "丂" is 81 40: its trail byte is '@' and must not match the marker.
      {"丂@x]", "@", "]", 1, false, "x"},
      // "丄" is 81 41 ('A'); with case ignored it still must not match "a".
      {"丄a1b", "a", "b", 1, false, "1"},
      // "“" is A1 B0, which also stands across the two "啊" (B0 A1 B0 A1):
      // only the whole character matches, with case ignored or not.
      {"啊啊“x]", "“", "]", 1, false, "x"},
      {"啊啊“x]", "“", "]", 1, true, "x"},
      {"丂@x]", "@", "]", 1, true, "x"},
      // A marker that is itself a double-byte character matches whole.
      {"名称：视频", "名称：", "", 1, false, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.source);
    CAPTURE(c.start);
    CHECK(ExtractBetween(c.source, c.start, c.end, c.from, c.caseSensitive) == c.out);
  }
}

TEST_CASE("FormatSizeInMegabytes rounds halves away from zero") {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"1572864", "2MB"},        // 1.5 rounds up
      {"1048575", "1MB"},
      {"524287", "0MB"},
      {"524288", "1MB"},         // exactly 0.5
      {"10485760", "10MB"},
      {"", "0MB"},
      {"abc", "0MB"},
      {"  12582912 bytes", "12MB"},
      {"１５７２８６４", "2MB"},   // full-width digits
      {"＋２０９７１５２", "2MB"},
      {"1.5e6", "1MB"},
      {"3E7", "29MB"},
      {"1e", "0MB"},             // an exponent without digits is not part of the number
      {"-1572864", "-2MB"},
      {"-1", "0MB"},             // rounds to zero without a sign
      {".", "0MB"},
      {"1048576.9", "1MB"},
      {"1099511627776000000", "1048576000000MB"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.in);
    CHECK(FormatSizeInMegabytes(c.in) == c.out);
  }
}

TEST_CASE("ProcessReply cuts the six fields") {
  SUBCASE("a full reply, percent-escaped UTF-8") {
    const std::string reply =
        "<video><title><![CDATA[%E7%8C%AB abc]]></title><furl><![CDATA[http://cdn.test/a%2Bb.mp4]]></furl>"
        "<ftype>mp4</ftype><size>1572864</size><time>3:25</time>"
        "<sites><site><![CDATA[%E4%BC%98%E9%85%B7]]></site></sites></video>";
    const LinkFields f = ProcessReply(reply);
    CHECK(f.title == "猫 abc");
    CHECK(f.furl == "http://cdn.test/a+b.mp4");
    CHECK(f.ftype == "mp4");
    CHECK(f.size == "2MB");
    CHECK(f.time == "3:25");
    CHECK(f.site == "优酷");
  }
  SUBCASE("only a size, in capitals") {
    const LinkFields f = ProcessReply("<SIZE>10485760</SIZE>");
    CHECK(f.size == "10MB");
    CHECK(f.title.empty());
    CHECK(f.furl.empty());
    CHECK(f.site.empty());
  }
  SUBCASE("everything after a NUL is ignored") {
    const std::string reply = std::string("<ftype>flv</ftype>\0<size>1048576</size>", 39);
    const LinkFields f = ProcessReply(reply);
    CHECK(f.ftype == "flv");
    CHECK(f.size == "0MB");
  }
  SUBCASE("an empty body") {
    const LinkFields f = ProcessReply("");
    CHECK(f.size == "0MB");
    CHECK(ReplyText.empty());
  }
}
