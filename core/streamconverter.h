#pragma once
// One variant of a text of any length, converted piece by piece in constant memory: the
// converter's --stream, and the check of the input that the one-shot path runs over what it cuts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/streamvector.h"

namespace Varnopile {

enum class StreamForm { Utf8, Utf16Le };
// Which loop takes the bulk of UTF-8: the vector one where the processor has it, or the portable one.
enum class StreamKernel { Best, Portable };

// The output is the variant's mapping of the whole input, whatever the pieces it comes in: a
// sound mark and the katakana before it, a UTF-8 sequence or a UTF-16 unit may be split anywhere.
// The whole input is mapped: no cut, no trim, no limit on the mapped length, and a NUL is mapped
// as any other unit instead of ending the text.
class StreamConverter {
public:
    // Writes the mapping of Variants[variant].
    StreamConverter(std::size_t variant, StreamForm form, StreamKernel kernel = StreamKernel::Best);
    // Decodes the input and writes nothing.
    explicit StreamConverter(StreamForm form, StreamKernel kernel = StreamKernel::Best);

    // Bytes held back between pieces: an unfinished sequence, or a half-width katakana a sound
    // mark may still join.
    static constexpr std::size_t CarryLimit = 8;
    // Room `out` needs for a piece of n bytes, and for Finish.
    static constexpr std::size_t OutputBound(std::size_t n) { return 3 * (n + 2 * CarryLimit); }

    // Converts the next piece into `out` and returns the bytes written. Once the input turned
    // out invalid nothing more is written; Failed() says so.
    std::size_t Put(std::string_view piece, char* out);
    // The input has ended: writes what was held back. An unfinished sequence is invalid.
    std::size_t Finish(char* out);

    bool Failed() const { return failed_; }
    // UTF-8: offset of the first byte that does not decode. UTF-16: the input's length in bytes.
    std::uint64_t FailureOffset() const { return failureOffset_; }

private:
    std::size_t Convert(const unsigned char* in, std::size_t n, bool last, unsigned char* out, std::size_t& consumed);
    std::size_t ConvertUtf16(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                             std::size_t& consumed);

    std::optional<std::size_t> variant_;  // none: only the check
    StreamForm form_;
    StreamVector::BlocksLoop vectorLoop_ = nullptr;  // null: the portable bulk loop
    char16_t previous_ = 0;                          // the unit before the next one, for a sound mark to join
    unsigned char carry_[CarryLimit];
    std::size_t carried_ = 0;
    std::uint64_t offset_ = 0;  // input bytes consumed before carry_
    bool failed_ = false;
    std::uint64_t failureOffset_ = 0;
};

}  // namespace Varnopile
