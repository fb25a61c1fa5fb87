#include "bitmap/image_rows.h"

#include <new>

namespace tintwell {

ImageRows::ImageRows(std::istream& in, Rgb keyColor, PngChecksums checksums)
    : in_(in), key_(keyColor), checksums_(checksums) {}

Msg ImageRows::Fail(Msg error, std::string_view detail) {
    error_ = error;
    detail_ = detail;
    return error_;
}

Msg ImageRows::Open() {
    info_.format = SniffFormat(in_);
    if (info_.format == ImageFormat::Bmp) {
        const HeaderResult read = ReadBmpHeader(in_);
        if (read.error != Msg::None) return Fail(read.error, read.detail);
        const BmpHeader& h = read.header;
        info_.bmp = h;
        info_.width = static_cast<std::size_t>(h.width);
        info_.rows = h.rows;
        info_.trueColor = h.TrueColor();
        info_.topDown = h.height < 0;
        info_.palette = h.palette;
        info_.formatName = FormatName(h);
        return Msg::None;
    }
    try {
        pngRows_ = std::make_unique<PngRows>(in_, key_, checksums_);
    } catch (const std::bad_alloc&) {
        return Fail(Msg::OutOfMemory, "no memory for the decoder");
    }
    if (pngRows_->Open() != Msg::None) return Fail(pngRows_->Error(), pngRows_->Detail());
    const PngHeader& h = pngRows_->Header();
    info_.width = h.width;
    info_.rows = h.height;
    info_.trueColor = h.TrueColor();
    info_.topDown = true;
    info_.palette = h.palette;
    info_.formatName = pngRows_->FormatName();
    // Both fit: Open refuses sides past kMaxDecodedPixels.
    info_.bmp.width = static_cast<std::int32_t>(h.width);
    info_.bmp.height = static_cast<std::int32_t>(h.height);
    info_.bmp.rows = h.height;
    info_.bmp.xPelsPerMeter = h.xPelsPerMeter;
    info_.bmp.yPelsPerMeter = h.yPelsPerMeter;
    return Msg::None;
}

Msg ImageRows::Start() {
    if (started_) {
        // Once more from the start: a new decoder over the same stream.
        in_.clear();
        in_.seekg(0, std::ios::beg);
        if (!in_) return Fail(Msg::ReadError, "pixel rows that cannot be read");
        if (info_.format == ImageFormat::Png) {
            pngRows_ = std::make_unique<PngRows>(in_, key_, checksums_);
            if (pngRows_->Open() != Msg::None) return Fail(pngRows_->Error(), pngRows_->Detail());
        } else {
            in_.seekg(static_cast<std::streamoff>(info_.bmp.offBits), std::ios::beg);
        }
    }
    started_ = true;
    if (info_.format == ImageFormat::Png) {
        if (pngRows_->Start() != Msg::None) return Fail(pngRows_->Error(), pngRows_->Detail());
        return Msg::None;
    }
    bmpRows_.emplace(info_.bmp, in_, key_);
    if (bmpRows_->Start() != Msg::None) return Fail(bmpRows_->Error(), bmpRows_->Detail());
    return Msg::None;
}

const std::uint8_t* ImageRows::Next() {
    if (error_ != Msg::None) return nullptr;
    const std::uint8_t* row = bmpRows_ ? bmpRows_->Next() : pngRows_->Next();
    if (row == nullptr) {
        if (bmpRows_) {
            Fail(bmpRows_->Error(), bmpRows_->Detail());
        } else {
            Fail(pngRows_->Error(), pngRows_->Detail());
        }
    }
    return row;
}

}  // namespace tintwell
