// Any bytes through encoding detection, mark removal, decoding and the declaration reader: no
// crash, no undefined behaviour, and the chunked guess always agrees with the whole-buffer one.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "text/encoding.h"
#include "text/text_reader.h"
#include "text/text_writer.h"

using namespace vermark;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The same bytes in pieces whose sizes the data itself picks.
void check_chunked_guess(platform::ByteView bytes) {
    EncodingGuesser guesser;
    EncodingDetector detector;
    std::size_t cut = bytes.empty() ? 1 : bytes[0] % 17 + 1;
    for (std::size_t at = 0; at < bytes.size(); at += cut, cut = cut % 13 + 1) {
        const platform::ByteView piece = bytes.subspan(at, std::min(cut, bytes.size() - at));
        guesser.feed(piece);
        detector.feed(piece);
    }
    check(guesser.result() == guess_encoding(bytes));
    check(detector.result() == detect_encoding(bytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::ByteView bytes(data, size);
    const TextEncoding code = detect_encoding(bytes);
    check_chunked_guess(bytes);

    platform::ByteBuffer copy(bytes.begin(), bytes.end());
    check(take_bom(copy) == code);

    const std::u16string text = decode_text(bytes);
    xml_declared_encoding(text);
    encoding_name(code);

    // The bytes read as UTF-16 text, for the declaration reader and the encoders.
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        units[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    xml_declared_encoding(units);
    sjis_bytes(units);
    utf8_bytes(units, true);
    platform::multibyte_to_wide(platform::kCodePageShiftJis, bytes);
    return 0;
}
