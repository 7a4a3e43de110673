// Throughput of the encoding guess over whole 64 MiB files, the way the dialog and the stamper
// run it: pure ASCII DXF text, Shift_JIS-heavy text, UTF-8-heavy text, half-width kana.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/codepage.h"
#include "text/encoding.h"
#include "text/text_reader.h"

namespace vermark {
namespace {

constexpr std::size_t kSize = 64u << 20;

// DXF-like group code / value lines, with `value` as the text of every TEXT entity.
platform::ByteBuffer dxf_like(std::string_view value, std::size_t size) {
    const std::string entity =
        std::string("  0\r\nTEXT\r\n  5\r\n2F\r\n  8\r\n0\r\n 10\r\n125.5\r\n") +
        " 20\r\n-42.25\r\n 30\r\n0.0\r\n 40\r\n2.5\r\n  1\r\n" + std::string(value) + "\r\n";
    platform::ByteBuffer out;
    out.reserve(size);
    const std::string header = "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$INSBASE\r\n";
    out.insert(out.end(), header.begin(), header.end());
    while (out.size() + entity.size() <= size) out.insert(out.end(), entity.begin(), entity.end());
    out.resize(size, ' ');
    return out;
}

const platform::ByteBuffer& ascii_text() {
    static const platform::ByteBuffer text = dxf_like("Room 101 / level 2", kSize);
    return text;
}

const platform::ByteBuffer& utf8_text() {  // 日本語の図面テキスト, all of it in UTF-8
    static const platform::ByteBuffer text = dxf_like(
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE5\x9B\xB3\xE9\x9D\xA2\xE3\x83\x86"
        "\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88",
        kSize);
    return text;
}

const platform::ByteBuffer& sjis_text() {  // the same words in Shift_JIS: the first pair decides
    static const platform::ByteBuffer text = dxf_like(
        "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x90\x7D\x96\xCA\x83\x65\x83\x4C\x83\x58\x83\x67", kSize);
    return text;
}

const platform::ByteBuffer&
kana_text() {  // half-width kana: no pair, never clean UTF-8, scanned to the end
    static const platform::ByteBuffer text =
        dxf_like("\xBA\xDD\xCA\xDF\xDD\xC4 \xB1\xB2\xB3", kSize);
    return text;
}

void run_guess(benchmark::State& state, const platform::ByteBuffer& text, TextEncoding expected) {
    for (auto _ : state) {
        const TextEncoding code = guess_encoding(text);
        if (code != expected) state.SkipWithError("unexpected guess");
        benchmark::DoNotOptimize(code);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void run_chunked(benchmark::State& state, const platform::ByteBuffer& text, TextEncoding expected) {
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        EncodingDetector detector;
        for (std::size_t at = 0; at < text.size() && !detector.decided(); at += chunk) {
            detector.feed(platform::ByteView(text).subspan(at, std::min(chunk, text.size() - at)));
        }
        if (detector.result() != expected) state.SkipWithError("unexpected detection");
        benchmark::DoNotOptimize(detector);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_GuessAscii(benchmark::State& s) {
    run_guess(s, ascii_text(), encoding::kAscii);
}
void BM_GuessUtf8(benchmark::State& s) {
    run_guess(s, utf8_text(), encoding::kUtf8);
}
void BM_GuessShiftJis(benchmark::State& s) {
    run_guess(s, sjis_text(), encoding::kShiftJis);
}
void BM_GuessHalfWidthKana(benchmark::State& s) {
    run_guess(s, kana_text(), encoding::kUnknown);
}

void BM_DetectAscii(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(detect_encoding(ascii_text()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void BM_ChunkedAscii(benchmark::State& s) {
    run_chunked(s, ascii_text(), encoding::kAscii);
}
void BM_ChunkedUtf8(benchmark::State& s) {
    run_chunked(s, utf8_text(), encoding::kUtf8);
}

// Decoding allocates the wide text; shown for scale, not part of the guess's budget.
void run_decode(benchmark::State& state, const platform::ByteBuffer& text) {
    const platform::ByteView head = platform::ByteView(text).first(8u << 20);
    for (auto _ : state) benchmark::DoNotOptimize(decode_text(head));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * head.size()));
}
void BM_DecodeUtf8(benchmark::State& s) {
    run_decode(s, utf8_text());
}
void BM_DecodeShiftJis(benchmark::State& s) {
    run_decode(s, sjis_text());
}

BENCHMARK(BM_GuessAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuessUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuessShiftJis)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GuessHalfWidthKana)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkedAscii)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkedUtf8)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeShiftJis)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vermark
