#pragma once
// Small pictures written byte by byte, for the tests that need a format's own
// structures: an animated GIF with frame delays, a TIFF with text tags; and
// the save flag of multi-frame saves.
#include "graphics/image.h"

#include <cstring>
#include <string>
#include <vector>

namespace quorlin::test {

using quorlin::graphics::Bytes;

// The one-entry parameter set of a multi-frame save step. The GUID is written
// out here rather than taken from the library, so a wrong constant there shows.
inline quorlin::graphics::EncoderParameterSet SaveFlag(Gdiplus::EncoderValue value) {
  Bytes bytes(4);
  const ULONG v = value;
  std::memcpy(bytes.data(), &v, 4);
  return {{"{292266FC-AC40-47BF-8CFC-A85B89A655DE}", 1, Gdiplus::EncoderParameterValueTypeLong, bytes}};
}

inline void PutU16(Bytes& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

inline void PutU32(Bytes& out, unsigned long value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, (value >> 16) & 0xFFFF);
}

inline void PutText(Bytes& out, const char* text) { out.insert(out.end(), text, text + std::strlen(text)); }

// One frame of AnimatedGif: every pixel the colour-table index, shown for
// delay hundredths of a second.
struct GifFrame {
  unsigned char index;
  unsigned delay;
};

// A looping GIF89a of 4 x 4 frames over the table black, red, green, blue.
// The image data is LZW with a clear code before every pixel, so the code
// table never grows and every code is 3 bits wide.
inline Bytes AnimatedGif(const std::vector<GifFrame>& frames) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  PutU16(gif, 4);
  PutU16(gif, 4);
  gif.push_back(0x91);  // global table of 4 colours, 2 bits of colour resolution
  gif.push_back(0);     // background index
  gif.push_back(0);     // aspect
  const unsigned char table[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
  gif.insert(gif.end(), table, table + 12);
  gif.insert(gif.end(), {0x21, 0xFF, 0x0B});
  PutText(gif, "NETSCAPE2.0");
  gif.insert(gif.end(), {0x03, 0x01, 0x00, 0x00, 0x00});  // loop for ever

  for (const GifFrame& frame : frames) {
    gif.insert(gif.end(), {0x21, 0xF9, 0x04, 0x04});  // control block: keep the frame
    PutU16(gif, frame.delay);
    gif.insert(gif.end(), {0x00, 0x00});
    gif.push_back(0x2C);
    PutU16(gif, 0);
    PutU16(gif, 0);
    PutU16(gif, 4);
    PutU16(gif, 4);
    gif.push_back(0);  // no local table, not interlaced

    const unsigned kClear = 4, kEnd = 5;
    Bytes data;
    unsigned long bits = 0;
    int held = 0;
    auto put = [&](unsigned code) {
      bits |= static_cast<unsigned long>(code) << held;
      held += 3;
      while (held >= 8) {
        data.push_back(static_cast<unsigned char>(bits & 0xFF));
        bits >>= 8;
        held -= 8;
      }
    };
    for (int pixel = 0; pixel < 16; ++pixel) {
      put(kClear);
      put(frame.index);
    }
    put(kEnd);
    if (held) data.push_back(static_cast<unsigned char>(bits & 0xFF));
    gif.push_back(2);  // minimum code size
    gif.push_back(static_cast<unsigned char>(data.size()));
    gif.insert(gif.end(), data.begin(), data.end());
    gif.push_back(0);
  }
  gif.push_back(0x3B);
  return gif;
}

// A 2 x 2 uncompressed RGB TIFF whose tags include ImageDescription (0x010E)
// and Software (0x0131) with the given texts.
inline Bytes TiffWithTexts(const std::string& description, const std::string& software) {
  Bytes tiff = {'I', 'I'};  // little-endian
  PutU16(tiff, 42);
  PutU32(tiff, 0);  // IFD offset, filled in below
  const unsigned long pixels = tiff.size();
  const unsigned char rgb[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  tiff.insert(tiff.end(), rgb, rgb + 12);
  const unsigned long bitsPerSample = tiff.size();
  PutU16(tiff, 8);
  PutU16(tiff, 8);
  PutU16(tiff, 8);
  const unsigned long descriptionAt = tiff.size();
  tiff.insert(tiff.end(), description.c_str(), description.c_str() + description.size() + 1);
  const unsigned long softwareAt = tiff.size();
  tiff.insert(tiff.end(), software.c_str(), software.c_str() + software.size() + 1);
  if (tiff.size() % 2) tiff.push_back(0);
  const unsigned long ifd = tiff.size();
  tiff[4] = static_cast<unsigned char>(ifd & 0xFF);
  tiff[5] = static_cast<unsigned char>((ifd >> 8) & 0xFF);

  enum { kShort = 3, kAscii = 2, kLong = 4 };
  const struct {
    unsigned tag, type;
    unsigned long count, value;
  } entries[] = {
      {256, kShort, 1, 2},  // width
      {257, kShort, 1, 2},  // height
      {258, kShort, 3, bitsPerSample},
      {259, kShort, 1, 1},  // no compression
      {262, kShort, 1, 2},  // RGB
      {270, kAscii, static_cast<unsigned long>(description.size() + 1), descriptionAt},
      {273, kLong, 1, pixels},  // strip offset
      {277, kShort, 1, 3},      // samples per pixel
      {278, kShort, 1, 2},      // rows per strip
      {279, kLong, 1, 12},      // strip bytes
      {305, kAscii, static_cast<unsigned long>(software.size() + 1), softwareAt},
  };
  PutU16(tiff, sizeof entries / sizeof entries[0]);
  for (const auto& e : entries) {
    PutU16(tiff, e.tag);
    PutU16(tiff, e.type);
    PutU32(tiff, e.count);
    PutU32(tiff, e.value);  // a single short sits in the low half
  }
  PutU32(tiff, 0);  // no next IFD
  return tiff;
}

}  // namespace quorlin::test
