// FetchUrl and ReadLink's reply path against a real HTTP server on 127.0.0.1.
#include <doctest/doctest.h>

#include <string>

#include "app/link_resolver.h"
#include "loopback_http.h"

using namespace quorlin;
using quorlin::test::HttpReply;
using quorlin::test::LoopbackHttpServer;
using quorlin::test::OkReply;

namespace quorlin {
const char* const ServiceBaseAddress = "http://127.0.0.1:1";
}

namespace {

std::string Patterned(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

}  // namespace

TEST_CASE("FetchUrl sends one HTTP/1.0 GET and returns the body") {
  LoopbackHttpServer server([](const std::string&) { return OkReply("<size>1</size>"); });
  REQUIRE(server.listening());
  CHECK(FetchUrl(server.BaseAddress() + "/url/a+b/c==") == "<size>1</size>");

  const auto requests = server.Requests();
  REQUIRE(requests.size() == 1);
  const std::string& head = requests[0];
  // Base64's "+" and "/" travel unescaped.
  CHECK(head.rfind("GET /url/a+b/c== HTTP/1.0\r\n", 0) == 0);
  CHECK(head.find("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n") != std::string::npos);
  CHECK(head.find("Accept: */*") != std::string::npos);
}

TEST_CASE("FetchUrl reads bodies of any length, with or without Content-Length") {
  struct Case { const char* name; size_t size; bool withLength; };
  const Case cases[] = {
      {"small with length", 5, true},
      {"small without length", 5, false},
      {"larger than one 102400-byte chunk, with length", 250000, true},
      {"larger than many 10240-byte chunks, without length", 250000, false},
      {"several megabytes", 4 * 1024 * 1024, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    const std::string body = Patterned(c.size);
    LoopbackHttpServer server([&](const std::string&) { return OkReply(body, c.withLength); });
    REQUIRE(server.listening());
    const std::string got = FetchUrl(server.BaseAddress() + "/x");
    CHECK(got.size() == body.size());
    CHECK(got == body);
  }
}

TEST_CASE("FetchUrl keeps a NUL in the body; the reply is read up to it") {
  const std::string body("<ftype>mp4</ftype>\0<title><![CDATA[x]]></title>", 48);
  LoopbackHttpServer server([&](const std::string&) { return OkReply(body); });
  const std::string got = FetchUrl(server.BaseAddress() + "/x");
  CHECK(got == body);
  const LinkFields f = ProcessReply(got);
  CHECK(f.ftype == "mp4");
  CHECK(f.title.empty());
}

TEST_CASE("FetchUrl returns an error page's body like any other") {
  LoopbackHttpServer server([](const std::string&) { return OkReply("<html>not here</html>", true, "404 Not Found"); });
  CHECK(FetchUrl(server.BaseAddress() + "/url/YQ===") == "<html>not here</html>");
  CHECK(ProcessReply("<html>not here</html>").size == "0MB");
}

TEST_CASE("FetchUrl fails to an empty body") {
  SUBCASE("nothing listening") {
    const unsigned short port = quorlin::test::UnusedLoopbackPort();
    CHECK(FetchUrl("http://127.0.0.1:" + std::to_string(port) + "/url/=").empty());
  }
  SUBCASE("no address or an address that does not parse") {
    CHECK(FetchUrl("").empty());
    CHECK(FetchUrl("not an address").empty());
  }
  SUBCASE("connection reset in the middle of the body") {
    const std::string body = Patterned(300000);
    LoopbackHttpServer server([&](const std::string&) {
      HttpReply r = OkReply(body);
      r.resetAfter = 120000;
      return r;
    });
    const std::string got = FetchUrl(server.BaseAddress() + "/x");
    // Whatever arrived before the reset, never more than was sent.
    CHECK(got.size() < body.size());
    CHECK(body.compare(0, got.size(), got) == 0);
    CHECK(ProcessReply(got).size == "0MB");
  }
}

TEST_CASE("FetchUrl stops at its cap: a longer or endless body is a failed request") {
  const std::string atCap = Patterned(FetchUrlMaxBytes);
  const std::string pastCap = atCap + "x";
  struct Case { const char* name; const std::string* body; bool withLength; bool endless; bool kept; };
  const Case cases[] = {
      {"exactly the cap, with length", &atCap, true, false, true},
      {"exactly the cap, without length", &atCap, false, false, true},
      {"one byte past the cap, with length", &pastCap, true, false, false},
      {"one byte past the cap, without length", &pastCap, false, false, false},
      {"endless, without length", &atCap, false, true, false},
  };
  for (const Case& c : cases) {
    const std::string name = c.name;
    CAPTURE(name);
    LoopbackHttpServer server([&](const std::string&) {
      HttpReply r = OkReply(*c.body, c.withLength);
      if (c.endless) r.repeatForever = Patterned(65536);
      return r;
    });
    REQUIRE(server.listening());
    const std::string got = FetchUrl(server.BaseAddress() + "/url/=");
    if (c.kept) {
      CHECK(got == *c.body);
    } else {
      CHECK(got.empty());
      CHECK(ProcessReply(got).size == "0MB");
    }
  }
}
