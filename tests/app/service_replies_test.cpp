// The program's reader over the very bytes the service writes: the hostile
// titles and sites of the service's tests, and titles holding every character
// of the Basic Multilingual Plane. service_replies.h is written at build time
// by service/tests/write_reply_fixture.py from the service's reply builder.
#include <doctest/doctest.h>

#include <string>

#include "app/link_resolver.h"
#include "service_replies.h"

using namespace quorlin;

namespace quorlin {
const char* const ServiceBaseAddress = "http://127.0.0.1:1";
}

namespace {

// Is text made of ASCII bytes and whole two-byte characters of code page 936
// (lead 0x81..0xFE, trail 0x40..0xFE but not 0x7F)?
bool WholeCharacters(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 == text.size()) return false;
    const unsigned char t = static_cast<unsigned char>(text[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

}  // namespace

TEST_CASE("every reply the service writes reads back whole in the program") {
  REQUIRE(std::size(kServiceReplies) > 100);
  for (const ServiceReplyCase& c : kServiceReplies) {
    const std::string name = c.name;
    CAPTURE(name);
    const LinkFields f = ProcessReply(c.body);
    if (c.exact) CHECK(f.title == c.title);
    CHECK(!f.title.empty() == (!c.exact || !c.title.empty()));
    CHECK(WholeCharacters(f.title));
    CHECK(f.site == c.site);
    CHECK(WholeCharacters(f.site));
    CHECK(f.furl == "http://cdn.example/v.mp4");
    CHECK(f.ftype == "mp4");
    CHECK(f.size == "0MB");
    CHECK(f.time == "0:02");
  }
}
