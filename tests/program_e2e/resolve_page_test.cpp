// The real program resolving a real page: Quorlin-e2e.exe asks the real
// link-resolution service on 127.0.0.1, which runs yt-dlp over an HTML5 page
// and an mp4 clip served on 127.0.0.1. run_program_e2e.py sets all of that up
// and hands this program the page address and the texts the labels must
// show, hex-encoded code page 936 bytes in QUORLIN_E2E_* variables, and in
// QUORLIN_E2E_PROGRAM the program to drive when it is not Quorlin-e2e.exe.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "program_driver.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::WindowText;

using quorlin::test::Click;
using quorlin::test::RunningProgram;
using quorlin::test::Type;

namespace {

std::string Variable(const char* name) {
  const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
  if (n == 0) return {};
  std::string value(n, '\0');
  value.resize(GetEnvironmentVariableA(name, value.data(), n));
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
  return bytes;
}

// A variable that must be there: its decoded bytes.
std::string Expected(const char* name) {
  const std::string hex = Variable(name);
  INFO(name);
  REQUIRE(!hex.empty());
  return FromHex(hex);
}

std::vector<std::string> ExpectedList(const char* name) {
  std::vector<std::string> list;
  const std::string text = Variable(name);
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    list.push_back(FromHex(text.substr(from, comma - from)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return list;
}


}  // namespace

TEST_CASE("the program shows what the service makes of a real HTML5 video page") {
  const std::string page = Variable("QUORLIN_E2E_PAGE");
  REQUIRE(page.rfind("http://127.0.0.1:", 0) == 0);
  const std::string title = Expected("QUORLIN_E2E_TITLE");
  const std::string size = Expected("QUORLIN_E2E_SIZE");
  const std::string format = Expected("QUORLIN_E2E_FORMAT");
  const std::string site = Expected("QUORLIN_E2E_SITE");
  const std::string furl = Expected("QUORLIN_E2E_FURL");
  const std::vector<std::string> times = ExpectedList("QUORLIN_E2E_TIMES");

  RunningProgram program(Variable("QUORLIN_E2E_PROGRAM"));
  REQUIRE(program.window);

  HWND addressEdit = program.Control(AddressEditId);
  Type(addressEdit, page);
  REQUIRE(test::PumpUntil([&] { return WindowText(addressEdit) == page; }, 20000));

  // The program asks on its worker and shows the reply when it comes; the
  // size label is set either way (0MB for an empty reply).
  Click(program.Control(ReadLinkButtonId));
  HWND sizeLabel = program.Control(SizeLabelId);
  REQUIRE(test::PumpUntil([&] { return !WindowText(sizeLabel).empty(); }, 90000));

  CHECK(WindowText(program.Control(TitleLabelId)) == title);
  CHECK(WindowText(sizeLabel) == size);
  CHECK(WindowText(program.Control(FormatLabelId)) == format);
  CHECK(WindowText(program.Control(SiteLabelId)) == site);
  CHECK(WindowText(program.Control(DownloadAddressEditId)) == furl);
  const std::string time = WindowText(program.Control(DurationLabelId));
  INFO("running time label: \"" << time << "\"");
  CHECK(std::find(times.begin(), times.end(), time) != times.end());

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}
