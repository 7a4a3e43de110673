#include "dxf/plain_bytes.h"

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VERMARK_X86_64 1
#endif

namespace vermark {
namespace {

// A byte is "marked" when it is 0x80 or above or is '$'. The vector loops fold the marks of a
// block into the bytes' top bits and test them all at once; they return where the scalar tail
// must go on.

#ifdef VERMARK_X86_64

// Writes the four loads of a block out: a lambda would not take on the function's target.
__attribute__((target("avx2"))) std::size_t plain_prefix_avx2(const std::uint8_t* p,
                                                              std::size_t n) {
    const __m256i dollar = _mm256_set1_epi8('$');
    std::size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        const auto* block = reinterpret_cast<const __m256i*>(p + i);
        const __m256i a = _mm256_loadu_si256(block);
        const __m256i b = _mm256_loadu_si256(block + 1);
        const __m256i c = _mm256_loadu_si256(block + 2);
        const __m256i d = _mm256_loadu_si256(block + 3);
        const __m256i ab = _mm256_or_si256(_mm256_or_si256(a, _mm256_cmpeq_epi8(a, dollar)),
                                           _mm256_or_si256(b, _mm256_cmpeq_epi8(b, dollar)));
        const __m256i cd = _mm256_or_si256(_mm256_or_si256(c, _mm256_cmpeq_epi8(c, dollar)),
                                           _mm256_or_si256(d, _mm256_cmpeq_epi8(d, dollar)));
        if (_mm256_movemask_epi8(_mm256_or_si256(ab, cd)) != 0) break;
    }
    return i;
}

std::size_t plain_prefix_sse2(const std::uint8_t* p, std::size_t n) {
    const __m128i dollar = _mm_set1_epi8('$');
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const auto* block = reinterpret_cast<const __m128i*>(p + i);
        const __m128i a = _mm_loadu_si128(block);
        const __m128i b = _mm_loadu_si128(block + 1);
        const __m128i c = _mm_loadu_si128(block + 2);
        const __m128i d = _mm_loadu_si128(block + 3);
        const __m128i ab = _mm_or_si128(_mm_or_si128(a, _mm_cmpeq_epi8(a, dollar)),
                                        _mm_or_si128(b, _mm_cmpeq_epi8(b, dollar)));
        const __m128i cd = _mm_or_si128(_mm_or_si128(c, _mm_cmpeq_epi8(c, dollar)),
                                        _mm_or_si128(d, _mm_cmpeq_epi8(d, dollar)));
        if (_mm_movemask_epi8(_mm_or_si128(ab, cd)) != 0) break;
    }
    return i;
}

std::size_t plain_prefix(const std::uint8_t* p, std::size_t n) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? plain_prefix_avx2(p, n) : plain_prefix_sse2(p, n);
}

#else

std::size_t plain_prefix(const std::uint8_t*, std::size_t) {
    return 0;
}

#endif

}  // namespace

bool is_plain_ascii(platform::ByteView bytes) {
    const std::uint8_t* p = bytes.data();
    const std::size_t n = bytes.size();
    for (std::size_t i = plain_prefix(p, n); i < n; ++i) {
        if (p[i] >= 0x80 || p[i] == '$') return false;
    }
    return true;
}

}  // namespace vermark
