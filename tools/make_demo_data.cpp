// Writes the demo product's data files, the same bytes on every run:
// JPEG textures, sample documents and two data tables.
//   make_demo_data OUTPUT_FOLDER [SCALE]
// SCALE multiplies the file count (the benchmark's larger payload).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// A small deterministic generator (xorshift), independent of the C library.
struct generator {
    uint64_t state;
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16);
    }
};

bool write_jpeg(const std::string& path, int width, int height, generator& gen, int style)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 88, TRUE);
    jpeg_start_compress(&info, TRUE);
    double f1 = 0.02 + (gen.next() % 100) / 2000.0, f2 = 0.05 + (gen.next() % 100) / 1000.0;
    int base_r = 90 + gen.next() % 120, base_g = 50 + gen.next() % 100, base_b = 20 + gen.next() % 80;
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double grain = style == 0 ? std::sin(x * f1 + 6 * std::sin(y * f2)) : std::sin(x * f1) * std::cos(y * f2 * 3);
            int noise = static_cast<int>(gen.next() % 48) - 24;
            auto clamp = [](int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[x * 3 + 0] = clamp(base_r + static_cast<int>(50 * grain) + noise);
            row[x * 3 + 1] = clamp(base_g + static_cast<int>(35 * grain) + noise);
            row[x * 3 + 2] = clamp(base_b + static_cast<int>(20 * grain) + noise / 2);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0;
}

const char* const words[] = {"korvane", "texture", "surface", "grain", "model", "curve", "light", "shadow",
                             "render", "wood", "oak", "walnut", "mahogany", "finish", "lacquer", "colour",
                             "panel", "edge", "layer", "scene", "camera", "angle", "depth", "sample",
                             "the", "a", "of", "and", "with", "for", "each", "in", "is", "on", "to", "by"};

bool write_document(const std::string& path, std::size_t bytes, generator& gen, int number)
{
    std::ofstream out(path, std::ios::binary);
    std::string text = "{\\rtf1\\ansi Korvane sample document " + std::to_string(number) + "\\par\n";
    while (text.size() < bytes) {
        std::size_t sentence = 6 + gen.next() % 12;
        for (std::size_t i = 0; i < sentence; ++i) {
            text += words[gen.next() % (sizeof words / sizeof *words)];
            text += i + 1 < sentence ? " " : ". ";
        }
        if (gen.next() % 5 == 0)
            text += std::to_string(gen.next() % 100000) + " mm\\par\n";
    }
    text.resize(bytes - 1);
    text += "}";
    out << text;
    return static_cast<bool>(out);
}

bool write_table(const std::string& path, std::size_t bytes, generator& gen)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<unsigned char> data(bytes);
    double phase = 0;
    for (std::size_t i = 0; i < bytes; i += 4) {
        phase += 0.001 + (gen.next() % 16) / 16000.0;
        int32_t v = static_cast<int32_t>(std::sin(phase) * 30000) + static_cast<int32_t>(gen.next() % 8);
        for (std::size_t k = 0; k < 4 && i + k < bytes; ++k)
            data[i + k] = static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * k)) & 0xFF);
    }
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_demo_data OUTPUT_FOLDER [SCALE]\n");
        return 2;
    }
    std::string dir = argv[1];
    int scale = argc > 2 ? std::atoi(argv[2]) : 1;
    generator gen{0x6b6f7276616e65ull};
    bool ok = true;
    const char* woods[] = {"Acajou", "Chene", "Noyer", "Erable"};
    for (int s = 0; s < scale; ++s) {
        std::string suffix = scale > 1 ? "_" + std::to_string(s) : "";
        for (int i = 0; i < 28; ++i) {
            std::string name = dir + "/" + woods[i % 4] + std::to_string(i / 4 + 1) + suffix + ".jpg";
            ok &= write_jpeg(name, 320 + 16 * (i % 5), 240 + 16 * (i % 3), gen, i % 2);
        }
        for (int i = 0; i < 9; ++i)
            ok &= write_document(dir + "/Sample" + std::to_string(i + 1) + suffix + ".rtf", 300000 + 17000 * i, gen, i + 1);
        ok &= write_table(dir + "/Standard" + suffix + ".crv", 250000, gen);
        ok &= write_table(dir + "/Standard" + suffix + ".mdl", 180000, gen);
    }
    if (!ok)
        std::fprintf(stderr, "make_demo_data: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
