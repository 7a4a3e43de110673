// Throughput of the drawing reader behind the preview picture on a 30 MiB drawing made here:
// lines, circles, arcs, polylines with bulges, texts and MTEXTs in the model, a block inserted
// all over it, CR LF line ends as drawings from Windows have them. Read from a file (the way the
// dialog reads it) and from text already in memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "dxf/dxf_geometry.h"
#include "platform/wide.h"

namespace vermark {
namespace {

constexpr std::size_t kSize = 30u << 20;

std::string group(int code, const std::string& value) {
    std::string code_text = std::to_string(code);
    return std::string(code_text.size() < 3 ? 3 - code_text.size() : 0, ' ') + code_text + "\r\n" +
           value + "\r\n";
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

// One of a few entity kinds, placed by `i`.
std::string entity(std::size_t i) {
    const double x = static_cast<double>(i % 1000), y = static_cast<double>(i / 1000 % 1000);
    const std::string common =
        group(5, std::to_string(i)) + group(8, "Walls") + group(100, "AcDbEntity");
    switch (i % 6) {
        case 0:
            return group(0, "LINE") + common + group(10, number(x)) + group(20, number(y)) +
                   group(30, "0.0") + group(11, number(x + 3.5)) + group(21, number(y + 1.25)) +
                   group(31, "0.0");
        case 1:
            return group(0, "CIRCLE") + common + group(10, number(x)) + group(20, number(y)) +
                   group(30, "0.0") + group(40, "0.75");
        case 2:
            return group(0, "ARC") + common + group(10, number(x)) + group(20, number(y)) +
                   group(30, "0.0") + group(40, "1.5") + group(50, "30.0") + group(51, "240.0");
        case 3: {
            std::string lw = group(0, "LWPOLYLINE") + common + group(90, "4") + group(70, "1");
            for (int k = 0; k < 4; ++k) {
                lw += group(10, number(x + k)) + group(20, number(y + (k % 2)));
                if (k == 1) lw += group(42, "0.4142");
            }
            return lw;
        }
        case 4:
            return group(0, "TEXT") + common + group(10, number(x)) + group(20, number(y)) +
                   group(30, "0.0") + group(40, "0.5") + group(1, "Room %%c" + std::to_string(i)) +
                   group(50, "15.0");
        default:
            return group(0, "INSERT") + common + group(2, "Door") + group(10, number(x)) +
                   group(20, number(y)) + group(30, "0.0") + group(50, "90.0");
    }
}

std::string drawing(std::size_t size) {
    std::string text = group(0, "SECTION") + group(2, "HEADER") + group(9, "$ACADVER") +
                       group(1, "AC1015") + group(0, "ENDSEC");
    text += group(0, "SECTION") + group(2, "BLOCKS") + group(0, "BLOCK") + group(8, "0") +
            group(2, "Door") + group(70, "0") + group(10, "0.0") + group(20, "0.0") +
            group(0, "LINE") + group(8, "0") + group(10, "0.0") + group(20, "0.0") +
            group(11, "0.9") + group(21, "0.0") + group(0, "ARC") + group(8, "0") +
            group(10, "0.0") + group(20, "0.0") + group(40, "0.9") + group(50, "0.0") +
            group(51, "90.0") + group(0, "ENDBLK") + group(0, "ENDSEC");
    text += group(0, "SECTION") + group(2, "ENTITIES");
    const std::string end = group(0, "ENDSEC") + group(0, "EOF");
    for (std::size_t i = 0; text.size() + end.size() < size; ++i) text += entity(i);
    return text + end;
}

const std::string& drawing_text() {
    static const std::string text = drawing(kSize);
    return text;
}

// The drawing written to the temporary folder for as long as the program runs.
struct DrawingFile {
    std::filesystem::path file =
        std::filesystem::temp_directory_path() / "vermark-bench-drawing.dxf";
    DrawingFile() { std::ofstream(file, std::ios::binary) << drawing_text(); }
    ~DrawingFile() {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
};

const std::u16string& drawing_file() {
    static const DrawingFile drawing;
    static const std::u16string path = platform::from_utf8(drawing.file.string());
    return path;
}

void report(benchmark::State& state, const DxfGeometry& g) {
    if (g.count() < 100'000) state.SkipWithError("the drawing was not read");
    state.counters["primitives"] = static_cast<double>(g.count());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * drawing_text().size()));
}

void BM_ReadDrawingFile(benchmark::State& state) {
    const std::u16string& path = drawing_file();
    DxfGeometry g;
    for (auto _ : state) {
        g = read_dxf_geometry(path);
        benchmark::DoNotOptimize(g);
    }
    report(state, g);
}
BENCHMARK(BM_ReadDrawingFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ParseDrawingText(benchmark::State& state) {
    const std::string& text = drawing_text();
    DxfGeometry g;
    for (auto _ : state) {
        g = parse_dxf_geometry(text);
        benchmark::DoNotOptimize(g);
    }
    report(state, g);
}
BENCHMARK(BM_ParseDrawingText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace vermark
