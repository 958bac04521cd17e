#include "studio/jpeg_decoding.h"

#include <climits>
#include <cstdio>

#include <jpeglib.h>

namespace brivel {

namespace {

[[noreturn]] void Trap(j_common_ptr /*info*/) {
    __builtin_trap();
}

// Warnings are counted (num_warnings), not printed.
void Quiet(j_common_ptr /*info*/) {}

// Progressive files forged to take minutes: TurboJPEG's limit, as the tool has.
void LimitScans(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > 500) {
        __builtin_trap();
    }
}

// Destroys the decompressor on every return; a trap leaves it to the instance.
class Decompressor {
public:
    Decompressor() {
        info_.err = jpeg_std_error(&errors_);
        errors_.error_exit = Trap;
        errors_.output_message = Quiet;
        jpeg_create_decompress(&info_);
        progress_.progress_monitor = LimitScans;
        info_.progress = &progress_;
    }
    ~Decompressor() { jpeg_destroy_decompress(&info_); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct* operator->() { return &info_; }
    jpeg_decompress_struct* get() { return &info_; }
    long Warnings() const { return errors_.num_warnings; }

private:
    jpeg_decompress_struct info_{};
    jpeg_error_mgr errors_{};
    jpeg_progress_mgr progress_{};
};

unsigned Scaled(unsigned side, unsigned eighths) {
    return (side * eighths + 7) / 8;
}

}  // namespace

bool DecodeJpegHere(const std::uint8_t* data, std::size_t size, int width, int height,
                    RgbImage& out, std::string& reason) {
    if (data == nullptr || size == 0 || size > ULONG_MAX || width <= 0 || height <= 0) {
        reason = "nothing to decode";
        return false;
    }
    Decompressor info;
    jpeg_mem_src(info.get(), data, static_cast<unsigned long>(size));
    jpeg_read_header(info.get(), TRUE);
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK) {
        reason = "CMYK";
        return false;
    }
    info->out_color_space = JCS_EXT_RGB;
    info->scale_denom = 8;
    info->scale_num = 8;
    for (unsigned eighths = 1; eighths < 8; ++eighths) {
        if (Scaled(info->image_width, eighths) >= static_cast<unsigned>(width) &&
            Scaled(info->image_height, eighths) >= static_cast<unsigned>(height)) {
            info->scale_num = eighths;
            break;
        }
    }
    jpeg_calc_output_dimensions(info.get());
    if (info->output_width > INT_MAX || info->output_height > INT_MAX ||
        !AllocateRgbImage(out, static_cast<int>(info->output_width),
                          static_cast<int>(info->output_height))) {
        reason = "out of memory for the JPEG's pixels";
        return false;
    }
    jpeg_start_decompress(info.get());
    const std::size_t stride = static_cast<std::size_t>(out.width) * 3;
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = out.pixels.data() + info->output_scanline * stride;
        jpeg_read_scanlines(info.get(), &row, 1);
    }
    jpeg_finish_decompress(info.get());
    if (info.Warnings() > 0) {
        reason = "damaged data";
        return false;
    }
    return true;
}

}  // namespace brivel
