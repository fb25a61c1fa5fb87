#pragma once

namespace tintwell {

// The size of the output palette, 16 or 256 entries, and with it the bits that hold one
// pixel's index in an output file: 4 or 8. Both output formats store indices this way (a
// bitmap's bit count, a PNG image's bit depth), so this is the one place the pair is kept.
class OutputDepth {
  public:
    // 16 is the 16-entry depth; every other count is the 256-entry one, the default. The
    // conversion is implicit so that the settings' plain count reads as a depth.
    constexpr OutputDepth(int entries = 256) : small_(entries == 16) {}

    [[nodiscard]] constexpr int Entries() const { return small_ ? 16 : 256; }
    [[nodiscard]] constexpr unsigned BitsPerPixel() const { return small_ ? 4 : 8; }

    friend constexpr bool operator==(OutputDepth, OutputDepth) = default;

  private:
    bool small_;
};

}  // namespace tintwell
