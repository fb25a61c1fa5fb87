#include "bitmap/image_format.h"

#include <algorithm>
#include <array>

namespace tintwell {
namespace {

// Every PNG file starts with these bytes: 0x89 "PNG" CR LF 0x1A LF.
constexpr std::array<char, 8> kPngSignature = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};

}  // namespace

ImageFormat SniffFormat(std::istream& in) {
    std::array<char, kPngSignature.size()> head{};
    in.clear();
    in.seekg(0, std::ios::beg);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const bool png = in.gcount() == static_cast<std::streamsize>(head.size()) &&
                     std::ranges::equal(head, kPngSignature);
    in.clear();
    in.seekg(0, std::ios::beg);
    return png ? ImageFormat::Png : ImageFormat::Bmp;
}

std::string_view ExtensionOf(ImageFormat format) {
    return format == ImageFormat::Png ? ".png" : ".bmp";
}

}  // namespace tintwell
