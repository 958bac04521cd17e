// Makes the tiny pictures in this folder (run in it):
//   g++ -std=c++17 make_pictures.cpp -lturbojpeg -lz && ./a.out
#include <turbojpeg.h>
#include <zlib.h>
#include <cstdint>
#include <cstdio>
#include <vector>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

static void put(const char* path, const void* p, size_t n) {
    FILE* f = fopen(path, "wb");
    fwrite(p, 1, n, f);
    fclose(f);
}
static void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& d) {
    auto p32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            png.push_back(uint8_t(v >> s));
    };
    p32(uint32_t(d.size()));
    size_t st = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), d.begin(), d.end());
    p32(uint32_t(crc32(0, png.data() + st, uInt(png.size() - st))));
}
int main() {
    const int w = 16, h = 12;
    std::vector<uint8_t> rgb(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(y * w + x) * 3];
            p[0] = uint8_t(x * 16);
            p[1] = uint8_t(y * 21);
            p[2] = 200;
        }
    tjhandle c = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(c, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        return 1;
    put("tiny.jpg", jpeg, size);
    tjFree(jpeg);
    tjDestroy(c);
    if (!stbi_write_png("tiny.png", w, h, 3, rgb.data(), w * 3))
        return 1;
    // Sound chunks, CRCs right, but a deflate block of the reserved type 3.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(png, "IHDR", {0, 0, 0, w, 0, 0, 0, h, 8, 2, 0, 0, 0});
    chunk(png, "IDAT", {0x78, 0x9C, 0x07, 0, 0});
    chunk(png, "IEND", {});
    put("bad-data.png", png.data(), png.size());
    return 0;
}
